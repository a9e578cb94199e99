// A picture of a whole run as SVG: one trace per series in its own colour,
// axes with ticks and units, a legend and a title. Long runs are reduced to
// the picture's width: per pixel column the first, lowest, highest and last
// value, in the order they came, so the trace looks as if every sample were
// drawn.
#pragma once

#include <string>

#include "tools/plot/chart.h"
#include "tools/plot/run.h"

namespace plot {

struct SvgOptions {
  int width = 1000;
  int height = 560;
  std::string title;  // empty: one made of the series names
};

std::string RenderSvg(const Run& run, const SvgOptions& options);

// The trace colour as #rrggbb.
const char* SvgColour(Colour c);

}  // namespace plot
