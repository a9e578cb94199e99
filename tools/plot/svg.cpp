#include "tools/plot/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/plot/ticks.h"

namespace plot {

const char* SvgColour(Colour c) {
  switch (c) {
    case kSensor1:
      return "#1971c2";
    case kSensor2:
      return "#e8590c";
    case kSensor3:
      return "#9c36b5";
    case kSensor4:
      return "#0c8599";
    case kSram:
      return "#2f9e44";
    case kFailure:
      return "#e03131";
    case kPlain:
      break;
  }
  return "#222222";
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

}  // namespace

std::string RenderSvg(const Run& run, const SvgOptions& o) {
  const int w = std::max(o.width, 300);
  const int h = std::max(o.height, 240);
  const std::vector<const Series*> all = run.AllSeries();
  const std::string title = o.title.empty() ? DefaultTitle(run) : o.title;

  const double left = 70, right = w - 30;
  const double legend_top = 52;
  const double top =
      legend_top + 18.0 * static_cast<double>(std::max<std::size_t>(all.size(), 1)) + 8;
  const double bottom = h - 56;
  const int columns = static_cast<int>(right - left);

  const std::int64_t last_ms = run.LastMs();
  const double t0 = 0;
  // A little room after the last time, so that an event there stands clear
  // of the frame.
  const double t1 = last_ms > 0 ? last_ms / 1000.0 * 1.015 : 1.0;
  const auto px = [&](double t_s) { return left + (t_s - t0) / (t1 - t0) * (right - left); };
  const auto py = [&](double v) { return bottom - v / 255.0 * (bottom - top); };

  std::string s;
  s.reserve(64 * 1024);
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(w) + "\" height=\"" +
       std::to_string(h) + "\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) +
       "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\" font-size=\"13\">\n";
  s += "<title>" + Escape(title) + "</title>\n";
  s += "<defs><clipPath id=\"plot-area\"><rect x=\"" + Num(left) + "\" y=\"" + Num(top) +
       "\" width=\"" + Num(right - left) + "\" height=\"" + Num(bottom - top) +
       "\"/></clipPath></defs>\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  s += "<text class=\"title\" x=\"" + Num(w / 2.0) +
       "\" y=\"30\" text-anchor=\"middle\" font-size=\"18\" font-weight=\"bold\">" + Escape(title) +
       "</text>\n";

  // Legend: a stroke of the trace's colour, the name and its figures.
  s += "<g class=\"legend\">\n";
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Series& se = *all[i];
    const double y = legend_top + 18.0 * static_cast<double>(i);
    const char* colour = SvgColour(SeriesColour(se, i));
    s += "<line x1=\"" + Num(left) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(left + 24) +
         "\" y2=\"" + Num(y) + "\" stroke=\"" + colour + "\" stroke-width=\"3\"/>";
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
      figures += ", failed at " + Seconds(f.t_ms) + " s (" + std::to_string(f.result) + ")";
    s += "<text x=\"" + Num(left + 32) + "\" y=\"" + Num(y + 4.5) +
         "\"><tspan font-weight=\"bold\">" + Escape(se.name) + "</tspan>" + Escape(figures) +
         "</text>\n";
  }
  s += "</g>\n";

  // Axes: grid lines, ticks and labels.
  s += "<g class=\"axes\" stroke=\"#dddddd\" stroke-width=\"1\">\n";
  std::string labels;
  for (int v = 0; v <= 250; v += 50) {
    const double y = py(v);
    s += "<line x1=\"" + Num(left) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(right) + "\" y2=\"" +
         Num(y) + "\"/>";
    labels += "<line x1=\"" + Num(left - 5) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(left) +
              "\" y2=\"" + Num(y) + "\" stroke=\"#444444\"/>";
    labels += "<text x=\"" + Num(left - 8) + "\" y=\"" + Num(y + 4.5) + "\" text-anchor=\"end\">" +
              std::to_string(v) + "</text>\n";
  }
  const double step = NiceStep((t1 - t0) / 10);
  for (double t = std::ceil(t0 / step - 1e-9) * step; t <= t1 + step * 1e-6; t += step) {
    const double x = px(t);
    s += "<line x1=\"" + Num(x) + "\" y1=\"" + Num(top) + "\" x2=\"" + Num(x) + "\" y2=\"" +
         Num(bottom) + "\"/>";
    labels += "<line x1=\"" + Num(x) + "\" y1=\"" + Num(bottom) + "\" x2=\"" + Num(x) + "\" y2=\"" +
              Num(bottom + 5) + "\" stroke=\"#444444\"/>";
    labels += "<text x=\"" + Num(x) + "\" y=\"" + Num(bottom + 19) + "\" text-anchor=\"middle\">" +
              FormatTick(t, step) + "</text>\n";
  }
  s += "</g>\n<g class=\"ticks\">\n" + labels + "</g>\n";
  s += "<rect class=\"frame\" x=\"" + Num(left) + "\" y=\"" + Num(top) + "\" width=\"" +
       Num(right - left) + "\" height=\"" + Num(bottom - top) +
       "\" fill=\"none\" stroke=\"#444444\"/>\n";
  s += "<text class=\"axis-label\" x=\"" + Num((left + right) / 2) + "\" y=\"" + Num(h - 14.0) +
       "\" text-anchor=\"middle\">time (s)</text>\n";
  s += "<text class=\"axis-label\" transform=\"translate(20 " + Num((top + bottom) / 2) +
       ") rotate(-90)\" text-anchor=\"middle\">value (0-255)</text>\n";

  // Traces, the first series drawn last so that it lies on top.
  s += "<g clip-path=\"url(#plot-area)\" fill=\"none\" stroke-width=\"2\" "
       "stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
  for (std::size_t i = all.size(); i-- > 0;) {
    const Series& se = *all[i];
    if (se.count() == 0) continue;
    s += "<polyline class=\"trace\" data-series=\"" + Escape(se.name) + "\" stroke=\"" +
         SvgColour(SeriesColour(se, i)) + "\" points=\"";
    const std::vector<std::size_t> keep = Decimate(se, t0 * 1000, t1 * 1000, columns);
    // A single sample still shows, as a short stroke.
    if (keep.size() == 1) {
      const double x = px(se.t_ms[0] / 1000.0), y = py(se.value[0]);
      s += Num(x - 1) + "," + Num(y) + " " + Num(x + 1) + "," + Num(y);
    }
    for (std::size_t k = 0; k < keep.size() && keep.size() > 1; ++k) {
      if (k > 0) s += ' ';
      s += Num(px(se.t_ms[keep[k]] / 1000.0)) + "," + Num(py(se.value[keep[k]]));
    }
    s += "\"/>\n";
  }
  s += "</g>\n";

  // Failed requests: a marked line at their time, not a value; labels of
  // events close together stacked.
  const char* red = SvgColour(kFailure);
  std::vector<double> labelled;
  for (const Series* se : all) {
    for (const Failure& f : se->failures) {
      const double x = std::clamp(px(f.t_ms / 1000.0), left, right);
      const bool anchor_end = x > (left + right) / 2;
      const double label_y = top + 16 +
                             16.0 * static_cast<double>(std::count_if(
                                        labelled.begin(), labelled.end(),
                                        [&](double other) { return std::fabs(other - x) < 160; }));
      labelled.push_back(x);
      s += "<g class=\"event\" data-series=\"" + Escape(se->name) + "\" data-result=\"" +
           std::to_string(f.result) + "\" stroke=\"" + red + "\">";
      s += "<line x1=\"" + Num(x) + "\" y1=\"" + Num(top) + "\" x2=\"" + Num(x) + "\" y2=\"" +
           Num(bottom) + "\" stroke-width=\"1.5\" stroke-dasharray=\"5 3\"/>";
      s += "<path d=\"M" + Num(x - 5) + "," + Num(top + 7) +
           " l10,10 m0,-10 l-10,10\" "
           "stroke-width=\"2.5\"/>";
      s += "<text x=\"" + Num(anchor_end ? x - 9 : x + 9) + "\" y=\"" + Num(label_y) +
           "\" fill=\"" + red + "\" stroke=\"none\" text-anchor=\"" +
           (anchor_end ? "end" : "start") + "\">" + Escape(se->name) + " failed (" +
           std::to_string(f.result) + ")</text></g>\n";
    }
  }

  if (run.counts.samples == 0) {
    s += "<text x=\"" + Num((left + right) / 2) + "\" y=\"" + Num((top + bottom) / 2) +
         "\" text-anchor=\"middle\" font-size=\"16\" fill=\"#888888\">no samples</text>\n";
  }
  const InputCounts& c = run.counts;
  if (c.bad_lines + c.broken_numbers + c.headers_without_samples > 0) {
    s += "<text class=\"input\" x=\"8\" y=\"" + Num(h - 14.0) +
         "\" font-size=\"11\" fill=\"#888888\">" + Escape(InputStatus(c)) + "</text>\n";
  }
  s += "</svg>\n";
  return s;
}

}  // namespace plot
