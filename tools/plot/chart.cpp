#include "tools/plot/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/plot/ticks.h"

namespace plot {

Colour SeriesColour(const Series& s, std::size_t index) {
  if (s.sram) return kSram;
  return static_cast<Colour>(kSensor1 + index % 4);
}

namespace {

// Columns left of the plot: a value label and the axis.
constexpr int kMargin = 6;

struct Glyphs {
  char32_t vertical, tick_left, corner, horizontal, tick_up, failure;
  std::string swatch;
};
const Glyphs kUnicode{U'│', U'┤', U'└', U'─', U'┴', U'×', "━━"};
const Glyphs kAscii{U'|', U'+', U'+', U'-', U'+', U'X', ""};
constexpr char kAsciiMarks[] = "*+o#@";

// A field of dots, each remembering the foremost series drawn on it.
class Dots {
 public:
  Dots(int w, int h) : w_(w), h_(h), owner_(static_cast<std::size_t>(w) * h, 0) {}
  int width() const { return w_; }
  int height() const { return h_; }
  void Set(int x, int y, std::uint8_t series) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    owner_[static_cast<std::size_t>(y) * w_ + x] = series;
  }
  std::uint8_t At(int x, int y) const { return owner_[static_cast<std::size_t>(y) * w_ + x]; }

  // A line from (xa, ya) to (xb, yb), xa <= xb, clipped to the field: each
  // column gets the dots between the line's heights at its two edges.
  void Line(double xa, double ya, double xb, double yb, std::uint8_t series) {
    if (xb < -0.5 || xa > w_ - 0.5) return;
    const auto y_at = [&](double x) {
      if (xb - xa < 1e-9) return yb;
      return ya + (yb - ya) * (std::clamp(x, xa, xb) - xa) / (xb - xa);
    };
    const int c0 = std::max(0, static_cast<int>(std::lround(xa)));
    const int c1 = std::min(w_ - 1, static_cast<int>(std::lround(xb)));
    for (int c = c0; c <= c1; ++c) {
      double lo = y_at(c - 0.5);
      double hi = y_at(c + 0.5);
      if (c == c0 && xa >= c - 0.5) lo = ya;
      if (c == c1 && xb <= c + 0.5) hi = yb;
      int y0 = static_cast<int>(std::lround(lo));
      int y1 = static_cast<int>(std::lround(hi));
      if (y0 > y1) std::swap(y0, y1);
      for (int y = y0; y <= y1; ++y)
        Set(c, y, series);
    }
  }

 private:
  int w_, h_;
  std::vector<std::uint8_t> owner_;
};

std::string Fixed(double v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Legend(const Series& s, std::size_t name_width) {
  std::string text = s.name;
  text.resize(std::max(name_width, text.size()), ' ');
  if (s.count() == 0) return text + "  no samples";
  return text + "  now " + std::to_string(s.value.back()) + "  min " + std::to_string(s.min) +
         "  mean " + Fixed(s.mean(), 1) + "  max " + std::to_string(s.max) + "  (" +
         std::to_string(s.count()) + ")";
}

void TooSmall(Screen& screen) {
  screen.Text(0, 0, "padlink-plot: terminal too small");
}

}  // namespace

Screen RenderChart(const Run& run, int width, int height, const ChartStyle& style) {
  Screen screen(width, height);
  const Glyphs& g = style.unicode ? kUnicode : kAscii;
  const std::vector<const Series*> all = run.AllSeries();
  const int legend_rows = std::max<int>(1, static_cast<int>(all.size()));
  // Legend, caption, plot rows, axis, tick labels, status.
  const int top = legend_rows + 1;
  const int plot_rows = height - top - 3;
  const int plot_cols = width - kMargin;
  if (plot_rows < 2 || plot_cols < 10) {
    TooSmall(screen);
    return screen;
  }

  // Legend: a swatch in the trace's colour, the name, the figures.
  std::size_t name_width = 0;
  for (const Series* s : all)
    name_width = std::max(name_width, s->name.size());
  if (all.empty()) screen.Text(0, 0, "waiting for padlink's monitor lines");
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Series& s = *all[i];
    const int row = static_cast<int>(i);
    int x = 0;
    if (style.unicode) {
      x += screen.Text(x, row, g.swatch, SeriesColour(s, i));
    } else {
      x += screen.Text(x, row, std::string(2, kAsciiMarks[i % 5]), SeriesColour(s, i));
    }
    x += screen.Text(x, row, " " + Legend(s, name_width));
    for (const Failure& f : s.failures)
      x += screen.Text(x, row,
                       "  failed at " + Seconds(f.t_ms) + " s (" + std::to_string(f.result) + ")",
                       kFailure);
  }

  // The time window: the latest `window` seconds, or the first ones.
  const double window = style.window_s > 0 ? style.window_s : 30;
  const std::int64_t last_ms = run.LastMs();
  const double t1 = std::max(window, last_ms / 1000.0);
  const double t0 = t1 - window;
  const std::string caption = "value";
  screen.Text(0, top - 1, caption);
  const std::string span = "last " + FormatTick(window, window) + " s";
  if (width - static_cast<int>(span.size()) > static_cast<int>(caption.size()) + 1)
    screen.Text(width - static_cast<int>(span.size()), top - 1, span);

  // Value axis: 255 at the top, 0 at the bottom.
  const int dx = style.unicode ? 2 : 1;
  const int dy = style.unicode ? 4 : 1;
  Dots dots(plot_cols * dx, plot_rows * dy);
  const auto dot_y = [&](double v) { return (dots.height() - 1) * (1.0 - v / 255.0); };
  const auto dot_x = [&](double t_s) { return (t_s - t0) / (t1 - t0) * (dots.width() - 1); };
  for (int r = 0; r < plot_rows; ++r)
    screen.Put(kMargin - 1, top + r, g.vertical);
  std::vector<int> labels{0, 255};
  if (plot_rows >= 9)
    labels = {255, 192, 128, 64, 0};
  else if (plot_rows >= 3)
    labels = {255, 128, 0};
  int last_label_row = -1;
  for (int v : labels) {
    const int row = static_cast<int>(std::lround(dot_y(v))) / dy;
    if (row == last_label_row) continue;
    last_label_row = row;
    const std::string text = std::to_string(v);
    screen.Text(kMargin - 2 - static_cast<int>(text.size()), top + row, text);
    screen.Put(kMargin - 1, top + row, g.tick_left);
  }

  // Time axis with ticks at round seconds, and their labels.
  const int axis = top + plot_rows;
  screen.Put(kMargin - 1, axis, g.corner);
  for (int c = 0; c < plot_cols; ++c)
    screen.Put(kMargin + c, axis, g.horizontal);
  const double step = NiceStep(window / std::max(1, plot_cols / 10));
  int label_end = 0;
  const int unit_x = width - 2;  // " s" closes the row
  for (double t = std::ceil(t0 / step - 1e-9) * step; t <= t1 + 1e-9; t += step) {
    const int col = kMargin + static_cast<int>(std::lround(dot_x(t))) / dx;
    screen.Put(col, axis, g.tick_up);
    const std::string text = FormatTick(t, step);
    const int x = std::max(col - static_cast<int>(text.size()) / 2, 0);
    if (x < label_end + 1 || x + static_cast<int>(text.size()) > unit_x) continue;
    label_end = x + screen.Text(x, axis + 1, text);
  }
  screen.Text(unit_x, axis + 1, " s");

  // Traces, the first series foremost; failures on the top row.
  for (std::size_t i = all.size(); i-- > 0;) {
    const Series& s = *all[i];
    const auto owner = static_cast<std::uint8_t>(i + 1);
    const auto from_ms = static_cast<std::int64_t>(std::floor(t0 * 1000));
    std::size_t k = static_cast<std::size_t>(
        std::lower_bound(s.t_ms.begin(), s.t_ms.end(), from_ms) - s.t_ms.begin());
    if (k > 0) --k;  // the line enters from the left edge
    for (; k < s.count(); ++k) {
      const double xa = dot_x(s.t_ms[k] / 1000.0);
      const double ya = dot_y(s.value[k]);
      if (k + 1 < s.count()) {
        dots.Line(xa, ya, dot_x(s.t_ms[k + 1] / 1000.0), dot_y(s.value[k + 1]), owner);
      } else {
        dots.Line(xa, ya, xa, ya, owner);
      }
    }
  }
  for (int row = 0; row < plot_rows; ++row) {
    for (int col = 0; col < plot_cols; ++col) {
      std::uint8_t front = 0;
      unsigned bits = 0;
      for (int yy = 0; yy < dy; ++yy) {
        for (int xx = 0; xx < dx; ++xx) {
          const std::uint8_t o = dots.At(col * dx + xx, row * dy + yy);
          if (o == 0) continue;
          if (front == 0 || o < front) front = o;
          // Braille dots 1-2-3-7 down the left column, 4-5-6-8 the right.
          static constexpr unsigned kBit[2][4] = {{0x01, 0x02, 0x04, 0x40},
                                                  {0x08, 0x10, 0x20, 0x80}};
          bits |= kBit[xx][yy];
        }
      }
      if (front == 0) continue;
      const Series& s = *all[front - 1];
      const char32_t glyph =
          style.unicode ? static_cast<char32_t>(0x2800 + bits) : kAsciiMarks[(front - 1) % 5];
      screen.Put(kMargin + col, top + row, glyph, SeriesColour(s, front - 1));
    }
  }
  for (const Series* s : all) {
    for (const Failure& f : s->failures) {
      const double x = dot_x(f.t_ms / 1000.0);
      if (x < -0.5 || x > dots.width() - 0.5) continue;
      screen.Put(kMargin + static_cast<int>(std::lround(x)) / dx, top, g.failure, kFailure);
    }
  }

  // Status: what the input held, short of the last column.
  const int status_row = height - 1;
  std::string status = style.status;
  if (static_cast<int>(status.size()) > width - 1)
    status.resize(static_cast<std::size_t>(width - 1));
  screen.Text(0, status_row, status);
  return screen;
}

}  // namespace plot
