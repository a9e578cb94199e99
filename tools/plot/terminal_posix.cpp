// The terminal under the live chart on POSIX: a terminal device that takes
// the escape sequences as they are written.
#include <langinfo.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "tools/plot/terminal.h"

namespace plot {

bool LiveOutput() {
  struct stat in {};
  const bool from_file = fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode);
  return isatty(STDOUT_FILENO) && !from_file;
}

namespace {

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

}  // namespace

// Braille where the locale is UTF-8, colours where the terminal has them.
TerminalAbilities Abilities() {
  return {Utf8Locale(), ColourTerminal()};
}

bool BeginChartOutput() {
  return true;
}

void EndChartOutput() {}

bool WriteTerminal(const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = write(STDOUT_FILENO, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void TerminalSize(int* width, int* height) {
  winsize ws{};
  *width = 80;
  *height = 24;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
    *width = ws.ws_col;
    *height = ws.ws_row;
  }
}

}  // namespace plot
