// The chart on the terminal's alternate screen. It never changes the
// terminal's settings (padlink owns them): all it does is write escape
// sequences (on Windows, with the console's virtual-terminal output turned
// on for the while).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plot/run.h"

namespace plot {

// Milliseconds of a steady clock.
std::int64_t NowMs();

class LiveChart {
 public:
  // Braille and colours where the terminal shows them.
  explicit LiveChart(double window_s);

  // False when the terminal cannot show the chart (said on standard error).
  bool Enter();
  void Leave();

  // Draws the rows that changed, or all of them when `full` or a second
  // has passed (whatever else wrote to the terminal goes away).
  void Draw(const Run& run, bool full);

 private:
  double window_s_;
  bool unicode_;
  bool colour_;
  bool shown_ = false;
  int width_ = 0, height_ = 0;
  std::int64_t last_full_ms_ = 0;
  std::vector<std::string> rows_;
};

}  // namespace plot
