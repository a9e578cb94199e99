// padlink-plot: reads padlink's monitor lines on standard input and draws
// them as a live chart in the terminal, on the alternate screen, while
// padlink keeps the keyboard. When the input ends, or on SIGINT, SIGTERM or
// SIGHUP, it leaves the alternate screen and prints a summary line per
// series; it can also pass its input through to a file and write an SVG
// picture of the whole run.
//
//   padlink -c 1 -d -a 3 -g 2 -t 0 | padlink-plot [--window SECONDS]
//       [--csv FILE] [--svg FILE] [--title TEXT]
//   padlink-plot --svg run.svg < run.csv
//
// It never changes the terminal's settings (padlink owns them): all it does
// is write escape sequences.
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/plot/chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/svg.h"

namespace {

volatile sig_atomic_t g_quit = 0;  // the ending signal
volatile sig_atomic_t g_resized = 0;
volatile sig_atomic_t g_suspend = 0;
volatile sig_atomic_t g_continued = 0;

void OnQuit(int sig) {
  g_quit = sig;
}
void OnResize(int) {
  g_resized = 1;
}
void OnSuspend(int) {
  g_suspend = 1;
}
void OnContinue(int) {
  g_continued = 1;
}

void Install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);  // no SA_RESTART: the wait ends at once
}

struct Options {
  double window_s = 30;
  std::string csv;
  std::string svg;
  std::string title;
};

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

// 0 to go on, else the exit status.
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
      if (*end != '\0' || !std::isfinite(o->window_s) || o->window_s <= 0 || o->window_s > 1e7) {
        std::fprintf(stderr, "padlink-plot: --window wants seconds above 0\n");
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

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool WriteAll(int fd, const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = write(fd, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool Utf8Locale() {
  std::setlocale(LC_CTYPE, "");
  std::string codeset = nl_langinfo(CODESET);
  for (char& c : codeset)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return codeset == "UTF-8" || codeset == "UTF8";
}

bool ColourTerminal() {
  const char* term = std::getenv("TERM");
  const char* no_colour = std::getenv("NO_COLOR");
  return term && *term && std::strcmp(term, "dumb") != 0 && !(no_colour && *no_colour);
}

// The chart on the terminal's alternate screen.
class LiveChart {
 public:
  LiveChart(const Options& o)
      : window_s_(o.window_s), unicode_(Utf8Locale()), colour_(ColourTerminal()) {}

  void Enter() {
    WriteAll(STDOUT_FILENO, "\x1b[?1049h\x1b[?25l");
    shown_ = true;
    rows_.clear();
  }
  void Leave() {
    if (!shown_) return;
    WriteAll(STDOUT_FILENO, "\x1b[0m\x1b[?25h\x1b[?1049l");
    shown_ = false;
  }

  // Draws the rows that changed, or all of them when `full` or a second
  // has passed (whatever else wrote to the terminal goes away).
  void Draw(const plot::Run& run, bool full) {
    if (!shown_) return;
    winsize ws{};
    int w = 80, h = 24;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      w = ws.ws_col;
      h = ws.ws_row;
    }
    const std::int64_t now = NowMs();
    if (w != width_ || h != height_ || now - last_full_ms_ >= 1000) full = true;
    width_ = w;
    height_ = h;
    plot::ChartStyle style;
    style.unicode = unicode_;
    style.window_s = window_s_;
    style.status = plot::InputStatus(run.counts);
    const plot::Screen screen = plot::RenderChart(run, w, h, style);
    std::string out;
    if (full) {
      out += "\x1b[0m\x1b[2J";
      rows_.clear();
      last_full_ms_ = now;
    }
    rows_.resize(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
      std::string row = plot::RowAnsi(screen, y, colour_);
      if (full || row != rows_[static_cast<std::size_t>(y)]) out += row;
      rows_[static_cast<std::size_t>(y)] = std::move(row);
    }
    // The cursor waits at the bottom left.
    out += "\x1b[" + std::to_string(h) + ";1H";
    WriteAll(STDOUT_FILENO, out);
  }

 private:
  double window_s_;
  bool unicode_;
  bool colour_;
  bool shown_ = false;
  int width_ = 0, height_ = 0;
  std::int64_t last_full_ms_ = 0;
  std::vector<std::string> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const int parsed = ParseOptions(argc, argv, &o);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;

  std::FILE* csv = nullptr;
  if (!o.csv.empty()) {
    csv = std::fopen(o.csv.c_str(), "wb");
    if (!csv) {
      std::fprintf(stderr, "padlink-plot: %s: %s\n", o.csv.c_str(), std::strerror(errno));
      return 1;
    }
  }

  // A saved log is read as fast as it goes, without a chart.
  struct stat in {};
  const bool from_file = fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode);
  const bool live = isatty(STDOUT_FILENO) && !from_file;

  // The signals wait, blocked, until the poll below lets them in.
  sigset_t handled, old_mask;
  sigemptyset(&handled);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGWINCH, SIGTSTP, SIGCONT})
    sigaddset(&handled, sig);
  sigprocmask(SIG_BLOCK, &handled, &old_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP})
    Install(sig, OnQuit);
  if (live) {
    Install(SIGWINCH, OnResize);
    Install(SIGTSTP, OnSuspend);
    Install(SIGCONT, OnContinue);
  }

  plot::LogParser parser;
  LiveChart chart(o);
  if (live) {
    chart.Enter();
    chart.Draw(parser.run(), true);
  }

  bool csv_failed = false;
  int read_error = 0;
  bool dirty = false;
  std::int64_t next_draw = 0;
  std::vector<char> buf(1 << 20);
  constexpr std::int64_t kFrameMs = 50;  // at most 20 frames a second
  for (;;) {
    if (g_quit) break;
    if (g_suspend) {
      // Ctrl+Z: give the shell its screen back, stop, and come back.
      g_suspend = 0;
      chart.Leave();
      signal(SIGTSTP, SIG_DFL);
      sigset_t tstp;
      sigemptyset(&tstp);
      sigaddset(&tstp, SIGTSTP);
      sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
      raise(SIGTSTP);
      sigprocmask(SIG_BLOCK, &tstp, nullptr);
      Install(SIGTSTP, OnSuspend);
      chart.Enter();
      g_continued = 1;
    }
    if (live && (g_resized || g_continued)) {
      g_resized = 0;
      g_continued = 0;
      chart.Draw(parser.run(), true);
      dirty = false;
      next_draw = NowMs() + kFrameMs;
    }
    timespec wait{};
    timespec* timeout = nullptr;
    if (live && dirty) {
      const std::int64_t left = std::max<std::int64_t>(0, next_draw - NowMs());
      wait.tv_sec = static_cast<time_t>(left / 1000);
      wait.tv_nsec = static_cast<long>(left % 1000) * 1000000L;
      timeout = &wait;
    }
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int r = ppoll(&p, 1, timeout, &old_mask);
    if (r < 0 && errno != EINTR) {
      read_error = errno;
      break;
    }
    if (r > 0) {
      const ssize_t n = read(STDIN_FILENO, buf.data(), buf.size());
      if (n == 0) break;
      if (n < 0 && errno != EINTR && errno != EAGAIN) {
        read_error = errno;
        break;
      }
      if (n > 0) {
        const std::string_view bytes(buf.data(), static_cast<std::size_t>(n));
        if (csv && !csv_failed &&
            (std::fwrite(bytes.data(), 1, bytes.size(), csv) != bytes.size() ||
             std::fflush(csv) != 0))
          csv_failed = true;
        parser.Feed(bytes);
        dirty = true;
      }
    }
    if (live && dirty && NowMs() >= next_draw) {
      chart.Draw(parser.run(), false);
      dirty = false;
      next_draw = NowMs() + kFrameMs;
    }
  }
  chart.Leave();
  parser.Finish();

  int status = 0;
  if (read_error != 0) {
    std::fprintf(stderr, "padlink-plot: reading standard input: %s\n", std::strerror(read_error));
    status = 1;
  }
  if (csv) {
    if (std::fclose(csv) != 0) csv_failed = true;
    if (csv_failed) {
      std::fprintf(stderr, "padlink-plot: %s: cannot write\n", o.csv.c_str());
      status = 1;
    }
  }
  if (!o.svg.empty()) {
    plot::SvgOptions svg_options;
    svg_options.title = o.title;
    const std::string svg = plot::RenderSvg(parser.run(), svg_options);
    std::FILE* f = std::fopen(o.svg.c_str(), "wb");
    bool ok = f && std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
      std::fprintf(stderr, "padlink-plot: %s: cannot write\n", o.svg.c_str());
      status = 1;
    }
  }
  const std::string summary = plot::SummaryText(parser.run());
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  std::fflush(stdout);

  // End as the signal would have ended us, also when it came only after the
  // input ended: padlink, ended by the same Ctrl+C, may close the pipe
  // before our signal arrives.
  for (int sig : {SIGINT, SIGTERM, SIGHUP})
    signal(sig, SIG_DFL);
  if (g_quit) raise(g_quit);
  sigprocmask(SIG_SETMASK, &old_mask, nullptr);  // delivers what is pending
  return status;
}
