#include "tools/plot/dots.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace plot {

void Dots::Line(double xa, double ya, double xb, double yb, std::uint8_t series) {
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

}  // namespace plot
