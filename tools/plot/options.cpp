#include "tools/plot/options.h"

#include <cmath>
#include <cstdlib>

namespace plot {

void Usage(std::FILE* to) {
  std::fputs(
      "usage: padlink-plot [--window SECONDS] [--csv FILE] [--svg FILE] [--title TEXT]\n"
      "Reads padlink's monitor lines on standard input and draws them as a live\n"
      "chart when standard output is a terminal; prints a summary at the end.\n"
      "  --window SECONDS  seconds the live chart shows (default 30)\n"
      "  --csv FILE        write the input to FILE unchanged\n"
      "  --svg FILE        write a picture of the whole run to FILE at the end\n"
      "  --title TEXT      the picture's title\n"
      "example: padlink -c 1 -d -a 3 -g 2 -t 0 | padlink-plot --svg run.svg\n",
      to);
}

int ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return -1;
    }
    if (a == "--window" && has_value) {
      char* end = nullptr;
      o->window_s = std::strtod(argv[++i], &end);
      if (*end != '\0' || !std::isfinite(o->window_s) || o->window_s <= 0) {
        std::fprintf(stderr, "padlink-plot: --window wants seconds above 0\n");
        return 1;
      }
      if (o->window_s > kMaxWindowS) {
        std::fprintf(stderr, "padlink-plot: --window wants at most %.0f seconds\n", kMaxWindowS);
        return 1;
      }
    } else if (a == "--csv" && has_value) {
      o->csv = argv[++i];
    } else if (a == "--svg" && has_value) {
      o->svg = argv[++i];
    } else if (a == "--title" && has_value) {
      o->title = argv[++i];
    } else {
      Usage(stderr);
      return 1;
    }
  }
  return 0;
}

}  // namespace plot
