// The live chart: the latest seconds of a run drawn into a grid of character
// cells, braille dots (2 x 4 a cell) or plain ASCII marks.
#pragma once

#include <cstddef>
#include <string>

#include "tools/plot/run.h"
#include "tools/plot/screen.h"

namespace plot {

// The trace colour of series `index` of Run::AllSeries().
Colour SeriesColour(const Series& s, std::size_t index);

struct ChartStyle {
  bool unicode = true;  // braille dots and box-drawing lines; else ASCII
  double window_s = 30;
  std::string status;  // the bottom line
};

Screen RenderChart(const Run& run, int width, int height, const ChartStyle& style);

}  // namespace plot
