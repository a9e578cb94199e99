#include "tools/plot/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/plot/ticks.h"

namespace plot {

const char* SvgColour(Colour c) {
  return ValueOf(c).hex;
}

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters have no place in XML 1.0.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
          out += ' ';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

// The indices of the samples to draw: all of them when they are few, else
// per pixel column the first, lowest, highest and last.
std::vector<std::size_t> Decimate(const Series& s, double t0_ms, double t1_ms, int columns) {
  std::vector<std::size_t> keep;
  const std::size_t n = s.count();
  if (n <= static_cast<std::size_t>(columns) * 4) {
    keep.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      keep[i] = i;
    return keep;
  }
  const double scale = columns / std::max(t1_ms - t0_ms, 1.0);
  std::size_t i = 0;
  while (i < n) {
    const int col = std::clamp(static_cast<int>((s.t_ms[i] - t0_ms) * scale), 0, columns - 1);
    std::size_t first = i, lo = i, hi = i, last = i;
    for (++i; i < n; ++i) {
      const int c = std::clamp(static_cast<int>((s.t_ms[i] - t0_ms) * scale), 0, columns - 1);
      if (c != col) break;
      if (s.value[i] < s.value[lo]) lo = i;
      if (s.value[i] > s.value[hi]) hi = i;
      last = i;
    }
    std::size_t picks[4] = {first, std::min(lo, hi), std::max(lo, hi), last};
    for (std::size_t p : picks)
      if (keep.empty() || keep.back() != p) keep.push_back(p);
  }
  return keep;
}

std::string DefaultTitle(const Run& run) {
  std::string title = "padlink run";
  const auto all = run.AllSeries();
  for (std::size_t i = 0; i < all.size(); ++i)
    title += (i == 0 ? ": " : ", ") + all[i]->name;
  return title;
}

// Where the parts of the picture go: its size, the legend, the plot area
// in pixels and the seconds it spans.
struct Layout {
  int w, h;
  double left, right, legend_top, top, bottom;
  double t0, t1;

  Layout(const SvgOptions& o, std::size_t series, std::int64_t last_ms)
      : w(std::max(o.width, 300)),
        h(std::max(o.height, 240)),
        left(70),
        right(w - 30),
        legend_top(52),
        top(legend_top + 18.0 * static_cast<double>(std::max<std::size_t>(series, 1)) + 8),
        bottom(h - 56),
        t0(0),
        // A little room after the last time, so that an event there stands
        // clear of the frame.
        t1(last_ms > 0 ? last_ms / 1000.0 * 1.015 : 1.0) {}

  int columns() const { return static_cast<int>(right - left); }
  double X(double t_s) const { return left + (t_s - t0) / (t1 - t0) * (right - left); }
  double Y(double v) const { return bottom - v / 255.0 * (bottom - top); }
};

// <line .../> from (x1, y1) to (x2, y2); `attributes` start with a blank.
std::string Line(double x1, double y1, double x2, double y2, const std::string& attributes = "") {
  return "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" +
         Num(y2) + "\"" + attributes + "/>";
}

// The document's start: its size, the plot area's clip path, a white
// background and the title.
void Head(std::string& s, const Layout& l, const std::string& title) {
  const std::string w = std::to_string(l.w), h = std::to_string(l.h);
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
       "\" viewBox=\"0 0 " + w + " " + h +
       "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\" font-size=\"13\">\n";
  s += "<title>" + Escape(title) + "</title>\n";
  s += "<defs><clipPath id=\"plot-area\"><rect x=\"" + Num(l.left) + "\" y=\"" + Num(l.top) +
       "\" width=\"" + Num(l.right - l.left) + "\" height=\"" + Num(l.bottom - l.top) +
       "\"/></clipPath></defs>\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  s += "<text class=\"title\" x=\"" + Num(l.w / 2.0) +
       "\" y=\"30\" text-anchor=\"middle\" font-size=\"18\" font-weight=\"bold\">" + Escape(title) +
       "</text>\n";
}

// A series' figures after its name in the legend.
std::string Figures(const Series& se) {
  std::string figures;
  if (se.count() > 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, ": %zu samples, min %d, mean %.1f, max %d", se.count(), se.min,
                  se.mean(), se.max);
    figures = buf;
  } else {
    figures = ": no samples";
  }
  for (const Failure& f : se.failures)
    figures += ", " + FailureNote(f);
  return figures;
}

// A stroke of the trace's colour, the name and its figures.
void Legend(std::string& s, const Layout& l, const std::vector<const Series*>& all) {
  s += "<g class=\"legend\">\n";
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Series& se = *all[i];
    const double y = l.legend_top + 18.0 * static_cast<double>(i);
    const char* colour = SvgColour(SeriesColour(se, i));
    s += Line(l.left, y, l.left + 24, y,
              std::string(" stroke=\"") + colour + "\" stroke-width=\"3\"");
    s += "<text x=\"" + Num(l.left + 32) + "\" y=\"" + Num(y + 4.5) +
         "\"><tspan font-weight=\"bold\">" + Escape(se.name) + "</tspan>" + Escape(Figures(se)) +
         "</text>\n";
  }
  s += "</g>\n";
}

// Grid lines go to `grid`, ticks and their labels to `ticks`.
void ValueTicks(const Layout& l, std::string& grid, std::string& ticks) {
  for (int v = 0; v <= 250; v += 50) {
    const double y = l.Y(v);
    grid += Line(l.left, y, l.right, y);
    ticks += Line(l.left - 5, y, l.left, y, " stroke=\"#444444\"");
    ticks += "<text x=\"" + Num(l.left - 8) + "\" y=\"" + Num(y + 4.5) + "\" text-anchor=\"end\">" +
             std::to_string(v) + "</text>\n";
  }
}

void TimeTicks(const Layout& l, std::string& grid, std::string& ticks) {
  const double step = NiceStep((l.t1 - l.t0) / 10);
  for (double t = std::ceil(l.t0 / step - 1e-9) * step; t <= l.t1 + step * 1e-6; t += step) {
    const double x = l.X(t);
    grid += Line(x, l.top, x, l.bottom);
    ticks += Line(x, l.bottom, x, l.bottom + 5, " stroke=\"#444444\"");
    ticks += "<text x=\"" + Num(x) + "\" y=\"" + Num(l.bottom + 19) + "\" text-anchor=\"middle\">" +
             FormatTick(t, step) + "</text>\n";
  }
}

// Grid lines, ticks and labels, the frame and the axes' names.
void Axes(std::string& s, const Layout& l) {
  s += "<g class=\"axes\" stroke=\"#dddddd\" stroke-width=\"1\">\n";
  std::string ticks;
  ValueTicks(l, s, ticks);
  TimeTicks(l, s, ticks);
  s += "</g>\n<g class=\"ticks\">\n" + ticks + "</g>\n";
  s += "<rect class=\"frame\" x=\"" + Num(l.left) + "\" y=\"" + Num(l.top) + "\" width=\"" +
       Num(l.right - l.left) + "\" height=\"" + Num(l.bottom - l.top) +
       "\" fill=\"none\" stroke=\"#444444\"/>\n";
  s += "<text class=\"axis-label\" x=\"" + Num((l.left + l.right) / 2) + "\" y=\"" +
       Num(l.h - 14.0) + "\" text-anchor=\"middle\">time (s)</text>\n";
  s += "<text class=\"axis-label\" transform=\"translate(20 " + Num((l.top + l.bottom) / 2) +
       ") rotate(-90)\" text-anchor=\"middle\">value (0-255)</text>\n";
}

// The points of a series' polyline.
std::string Points(const Layout& l, const Series& se) {
  const std::vector<std::size_t> keep = Decimate(se, l.t0 * 1000, l.t1 * 1000, l.columns());
  // A single sample still shows, as a short stroke.
  if (keep.size() == 1) {
    const double x = l.X(se.t_ms[0] / 1000.0), y = l.Y(se.value[0]);
    return Num(x - 1) + "," + Num(y) + " " + Num(x + 1) + "," + Num(y);
  }
  std::string points;
  for (std::size_t k = 0; k < keep.size(); ++k) {
    if (k > 0) points += ' ';
    points += Num(l.X(se.t_ms[keep[k]] / 1000.0)) + "," + Num(l.Y(se.value[keep[k]]));
  }
  return points;
}

// The first series drawn last, so that it lies on top.
void Traces(std::string& s, const Layout& l, const std::vector<const Series*>& all) {
  s += "<g clip-path=\"url(#plot-area)\" fill=\"none\" stroke-width=\"2\" "
       "stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
  for (std::size_t i = all.size(); i-- > 0;) {
    const Series& se = *all[i];
    if (se.count() == 0) continue;
    s += "<polyline class=\"trace\" data-series=\"" + Escape(se.name) + "\" stroke=\"" +
         SvgColour(SeriesColour(se, i)) + "\" points=\"" + Points(l, se) + "\"/>\n";
  }
  s += "</g>\n";
}

// A failure's label: which series, and what failed.
std::string EventLabel(const Series& se, const Failure& f) {
  return se.name + " failed" + FailureReason(f.result);
}

// A failed request: a marked line at its time, not a value, and its label
// at label_y, after the line or, right of the middle, before it.
void Event(std::string& s, const Layout& l, const Series& se, const Failure& f, double x,
           double label_y) {
  const char* red = SvgColour(kFailure);
  const bool anchor_end = x > (l.left + l.right) / 2;
  s += "<g class=\"event\" data-series=\"" + Escape(se.name) + "\" data-result=\"" +
       std::to_string(f.result) + "\" stroke=\"" + red + "\">";
  s += Line(x, l.top, x, l.bottom, " stroke-width=\"1.5\" stroke-dasharray=\"5 3\"");
  s += "<path d=\"M" + Num(x - 5) + "," + Num(l.top + 7) +
       " l10,10 m0,-10 l-10,10\" "
       "stroke-width=\"2.5\"/>";
  s += "<text x=\"" + Num(anchor_end ? x - 9 : x + 9) + "\" y=\"" + Num(label_y) + "\" fill=\"" +
       red + "\" stroke=\"none\" text-anchor=\"" + (anchor_end ? "end" : "start") + "\">" +
       Escape(EventLabel(se, f)) + "</text></g>\n";
}

// The span a label takes along the time axis, with room to spare: at the
// font's 13 px no character is wider than 9 px on average over a label.
struct Span {
  double from, to;
  bool Meets(const Span& o) const { return from < o.to && o.from < to; }
};

Span LabelSpan(const Layout& l, double x, const std::string& label) {
  const double width = 9.0 * static_cast<double>(label.size()) + 6;
  return x > (l.left + l.right) / 2 ? Span{x - 9 - width, x} : Span{x, x + 9 + width};
}

// Every failure, each label on the first row where it meets no other.
void Events(std::string& s, const Layout& l, const std::vector<const Series*>& all) {
  std::vector<std::vector<Span>> rows;
  for (const Series* se : all) {
    for (const Failure& f : se->failures) {
      const double x = std::clamp(l.X(f.t_ms / 1000.0), l.left, l.right);
      const Span span = LabelSpan(l, x, EventLabel(*se, f));
      std::size_t row = 0;
      while (row < rows.size() && std::any_of(rows[row].begin(), rows[row].end(),
                                              [&](const Span& o) { return o.Meets(span); }))
        ++row;
      if (row == rows.size()) rows.emplace_back();
      rows[row].push_back(span);
      Event(s, l, *se, f, x, l.top + 16 + 16.0 * static_cast<double>(row));
    }
  }
}

// "no samples" across an empty plot, and what the input held that was not
// padlink's in the bottom left corner.
void Notes(std::string& s, const Layout& l, const InputCounts& c) {
  if (c.samples == 0) {
    s += "<text x=\"" + Num((l.left + l.right) / 2) + "\" y=\"" + Num((l.top + l.bottom) / 2) +
         "\" text-anchor=\"middle\" font-size=\"16\" fill=\"#888888\">no samples</text>\n";
  }
  if (c.bad_lines + c.broken_numbers + c.headers_without_samples > 0) {
    s += "<text class=\"input\" x=\"8\" y=\"" + Num(l.h - 14.0) +
         "\" font-size=\"11\" fill=\"#888888\">" + Escape(InputStatus(c)) + "</text>\n";
  }
}

}  // namespace

std::string RenderSvg(const Run& run, const SvgOptions& o) {
  const std::vector<const Series*> all = run.AllSeries();
  const Layout layout(o, all.size(), run.LastMs());
  std::string s;
  s.reserve(64 * 1024);
  Head(s, layout, o.title.empty() ? DefaultTitle(run) : o.title);
  Legend(s, layout, all);
  Axes(s, layout);
  Traces(s, layout, all);
  Events(s, layout, all);
  Notes(s, layout, run.counts);
  s += "</svg>\n";
  return s;
}

}  // namespace plot
