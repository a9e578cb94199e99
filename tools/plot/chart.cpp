#include "tools/plot/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/plot/dots.h"
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

// Where the parts of the chart go: the legend a row per series, the
// caption, the plot, the time axis, its labels and the status. Times and
// values on the plot are in dots, 255 at the top, 0 at the bottom.
struct Layout {
  int width, height;
  int top;  // the plot's first row
  int plot_rows, plot_cols;
  int dx, dy;  // dots a cell across and down
  // The time window: the latest `window` seconds, or the first ones.
  double window, t1, t0;

  Layout(int w, int h, std::size_t series, const ChartStyle& style, std::int64_t last_ms)
      : width(w),
        height(h),
        top(std::max<int>(1, static_cast<int>(series)) + 1),
        plot_rows(h - top - 3),
        plot_cols(w - kMargin),
        dx(style.unicode ? 2 : 1),
        dy(style.unicode ? 4 : 1),
        window(style.window_s > 0 ? style.window_s : 30),
        t1(std::max(window, last_ms / 1000.0)),
        t0(t1 - window) {}

  bool Fits() const { return plot_rows >= 2 && plot_cols >= 10; }
  int axis() const { return top + plot_rows; }
  double DotX(double t_s) const { return (t_s - t0) / (t1 - t0) * (plot_cols * dx - 1); }
  double DotY(double v) const { return (plot_rows * dy - 1) * (1.0 - v / 255.0); }
};

// A swatch in the trace's colour, the name, the figures.
void DrawLegend(Screen& screen, const std::vector<const Series*>& all, bool unicode,
                const Glyphs& g) {
  std::size_t name_width = 0;
  for (const Series* s : all)
    name_width = std::max(name_width, s->name.size());
  if (all.empty()) screen.Text(0, 0, "waiting for padlink's monitor lines");
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Series& s = *all[i];
    const int row = static_cast<int>(i);
    const std::string swatch = unicode ? g.swatch : std::string(2, kAsciiMarks[i % 5]);
    int x = screen.Text(0, row, swatch, SeriesColour(s, i));
    x += screen.Text(x, row, " " + Legend(s, name_width));
    for (const Failure& f : s.failures)
      x += screen.Text(x, row, "  " + FailureNote(f), kFailure);
  }
}

// The value axis' name at the left, the window's length at the right.
void DrawCaption(Screen& screen, const Layout& l) {
  const std::string caption = "value";
  screen.Text(0, l.top - 1, caption);
  const std::string span = "last " + FormatTick(l.window, l.window) + " s";
  if (l.width - static_cast<int>(span.size()) > static_cast<int>(caption.size()) + 1)
    screen.Text(l.width - static_cast<int>(span.size()), l.top - 1, span);
}

// As many value labels as the plot's rows have room for.
void DrawValueAxis(Screen& screen, const Layout& l, const Glyphs& g) {
  for (int r = 0; r < l.plot_rows; ++r)
    screen.Put(kMargin - 1, l.top + r, g.vertical);
  std::vector<int> labels{0, 255};
  if (l.plot_rows >= 9)
    labels = {255, 192, 128, 64, 0};
  else if (l.plot_rows >= 3)
    labels = {255, 128, 0};
  int last_label_row = -1;
  for (int v : labels) {
    const int row = static_cast<int>(std::lround(l.DotY(v))) / l.dy;
    if (row == last_label_row) continue;
    last_label_row = row;
    const std::string text = std::to_string(v);
    screen.Text(kMargin - 2 - static_cast<int>(text.size()), l.top + row, text);
    screen.Put(kMargin - 1, l.top + row, g.tick_left);
  }
}

// Ticks at round seconds, and the labels of those that do not crowd.
void DrawTimeAxis(Screen& screen, const Layout& l, const Glyphs& g) {
  const int axis = l.axis();
  screen.Put(kMargin - 1, axis, g.corner);
  for (int c = 0; c < l.plot_cols; ++c)
    screen.Put(kMargin + c, axis, g.horizontal);
  const double step = NiceStep(l.window / std::max(1, l.plot_cols / 10));
  int label_end = 0;
  const int unit_x = l.width - 2;  // " s" closes the row
  for (double t = std::ceil(l.t0 / step - 1e-9) * step; t <= l.t1 + 1e-9; t += step) {
    const int col = kMargin + static_cast<int>(std::lround(l.DotX(t))) / l.dx;
    screen.Put(col, axis, g.tick_up);
    const std::string text = FormatTick(t, step);
    const int x = std::max(col - static_cast<int>(text.size()) / 2, 0);
    if (x < label_end + 1 || x + static_cast<int>(text.size()) > unit_x) continue;
    label_end = x + screen.Text(x, axis + 1, text);
  }
  screen.Text(unit_x, axis + 1, " s");
}

// The lines between a series' samples in the window.
void DrawSeries(Dots& dots, const Layout& l, const Series& s, std::uint8_t owner) {
  const auto from_ms = static_cast<std::int64_t>(std::floor(l.t0 * 1000));
  std::size_t k = static_cast<std::size_t>(std::lower_bound(s.t_ms.begin(), s.t_ms.end(), from_ms) -
                                           s.t_ms.begin());
  if (k > 0) --k;  // the line enters from the left edge
  for (; k < s.count(); ++k) {
    const double xa = l.DotX(s.t_ms[k] / 1000.0);
    const double ya = l.DotY(s.value[k]);
    if (k + 1 < s.count()) {
      dots.Line(xa, ya, l.DotX(s.t_ms[k + 1] / 1000.0), l.DotY(s.value[k + 1]), owner);
    } else {
      dots.Line(xa, ya, xa, ya, owner);
    }
  }
}

// The dots of one cell: the foremost series among them (0: none), and
// which are set as braille bits.
struct Cell {
  std::uint8_t front = 0;
  unsigned bits = 0;
};

Cell CellAt(const Dots& dots, const Layout& l, int col, int row) {
  // Braille dots 1-2-3-7 down the left column, 4-5-6-8 the right.
  static constexpr unsigned kBit[2][4] = {{0x01, 0x02, 0x04, 0x40}, {0x08, 0x10, 0x20, 0x80}};
  Cell cell;
  for (int yy = 0; yy < l.dy; ++yy) {
    for (int xx = 0; xx < l.dx; ++xx) {
      const std::uint8_t o = dots.At(col * l.dx + xx, row * l.dy + yy);
      if (o == 0) continue;
      if (cell.front == 0 || o < cell.front) cell.front = o;
      cell.bits |= kBit[xx][yy];
    }
  }
  return cell;
}

// The traces, the first series foremost.
void DrawTraces(Screen& screen, const Layout& l, const std::vector<const Series*>& all,
                bool unicode) {
  Dots dots(l.plot_cols * l.dx, l.plot_rows * l.dy);
  for (std::size_t i = all.size(); i-- > 0;)
    DrawSeries(dots, l, *all[i], static_cast<std::uint8_t>(i + 1));
  for (int row = 0; row < l.plot_rows; ++row) {
    for (int col = 0; col < l.plot_cols; ++col) {
      const Cell cell = CellAt(dots, l, col, row);
      if (cell.front == 0) continue;
      const std::size_t index = cell.front - 1u;
      const char32_t glyph =
          unicode ? static_cast<char32_t>(0x2800 + cell.bits) : kAsciiMarks[index % 5];
      screen.Put(kMargin + col, l.top + row, glyph, SeriesColour(*all[index], index));
    }
  }
}

// Failures marked on the plot's top row.
void MarkFailures(Screen& screen, const Layout& l, const std::vector<const Series*>& all,
                  const Glyphs& g) {
  for (const Series* s : all) {
    for (const Failure& f : s->failures) {
      const double x = l.DotX(f.t_ms / 1000.0);
      if (x < -0.5 || x > l.plot_cols * l.dx - 0.5) continue;
      screen.Put(kMargin + static_cast<int>(std::lround(x)) / l.dx, l.top, g.failure, kFailure);
    }
  }
}

// What the input held, on the bottom row, short of the last column.
void DrawStatus(Screen& screen, const Layout& l, std::string status) {
  if (static_cast<int>(status.size()) > l.width - 1)
    status.resize(static_cast<std::size_t>(l.width - 1));
  screen.Text(0, l.height - 1, status);
}

}  // namespace

Screen RenderChart(const Run& run, int width, int height, const ChartStyle& style) {
  Screen screen(width, height);
  const std::vector<const Series*> all = run.AllSeries();
  const Layout layout(width, height, all.size(), style, run.LastMs());
  if (!layout.Fits()) {
    TooSmall(screen);
    return screen;
  }
  const Glyphs& g = style.unicode ? kUnicode : kAscii;
  DrawLegend(screen, all, style.unicode, g);
  DrawCaption(screen, layout);
  DrawValueAxis(screen, layout, g);
  DrawTimeAxis(screen, layout, g);
  DrawTraces(screen, layout, all, style.unicode);
  MarkFailures(screen, layout, all, g);
  DrawStatus(screen, layout, style.status);
  return screen;
}

}  // namespace plot
