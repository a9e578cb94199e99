#include "tools/plot/live_chart.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "tools/plot/chart.h"

namespace plot {

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {

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

// The terminal's columns and rows, 80 x 24 when it does not say.
void TerminalSize(int* w, int* h) {
  winsize ws{};
  *w = 80;
  *h = 24;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
    *w = ws.ws_col;
    *h = ws.ws_row;
  }
}

}  // namespace

LiveChart::LiveChart(double window_s)
    : window_s_(window_s), unicode_(Utf8Locale()), colour_(ColourTerminal()) {}

void LiveChart::Enter() {
  WriteAll(STDOUT_FILENO, "\x1b[?1049h\x1b[?25l");
  shown_ = true;
  rows_.clear();
}

void LiveChart::Leave() {
  if (!shown_) return;
  WriteAll(STDOUT_FILENO, "\x1b[0m\x1b[?25h\x1b[?1049l");
  shown_ = false;
}

void LiveChart::Draw(const Run& run, bool full) {
  if (!shown_) return;
  int w, h;
  TerminalSize(&w, &h);
  const std::int64_t now = NowMs();
  if (w != width_ || h != height_ || now - last_full_ms_ >= 1000) full = true;
  width_ = w;
  height_ = h;
  ChartStyle style;
  style.unicode = unicode_;
  style.window_s = window_s_;
  style.status = InputStatus(run.counts);
  const Screen screen = RenderChart(run, w, h, style);
  std::string out;
  if (full) {
    out += "\x1b[0m\x1b[2J";
    rows_.clear();
    last_full_ms_ = now;
  }
  rows_.resize(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    std::string row = RowAnsi(screen, y, colour_);
    if (full || row != rows_[static_cast<std::size_t>(y)]) out += row;
    rows_[static_cast<std::size_t>(y)] = std::move(row);
  }
  // The cursor waits at the bottom left.
  out += "\x1b[" + std::to_string(h) + ";1H";
  WriteAll(STDOUT_FILENO, out);
}

}  // namespace plot
