// The live chart's traces are drawn into a field of dots finer than the
// character cells (braille has 2 x 4 a cell), then read out a cell at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plot {

// A field of dots, each remembering the foremost series drawn on it (0:
// none).
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
  void Line(double xa, double ya, double xb, double yb, std::uint8_t series);

 private:
  int w_, h_;
  std::vector<std::uint8_t> owner_;
};

}  // namespace plot
