#include "tools/plot/live_chart.h"

#include <chrono>

#include "tools/plot/chart.h"
#include "tools/plot/terminal.h"

namespace plot {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

LiveChart::LiveChart(double window_s) : window_s_(window_s) {
  const TerminalAbilities a = Abilities();
  unicode_ = a.unicode;
  colour_ = a.colour;
}

bool LiveChart::Enter() {
  if (!BeginChartOutput()) return false;
  WriteTerminal("\x1b[?1049h\x1b[?25l");
  shown_ = true;
  rows_.clear();
  return true;
}

void LiveChart::Leave() {
  if (!shown_) return;
  WriteTerminal("\x1b[0m\x1b[?25h\x1b[?1049l");
  EndChartOutput();
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
  WriteTerminal(out);
}

}  // namespace plot
