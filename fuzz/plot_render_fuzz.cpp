// libFuzzer target: what padlink-plot draws of a run it read, the live
// chart (braille and ASCII, two sizes, a window the second byte picks) and
// the SVG picture, for any input its reader takes. Drawing must end without
// fault whatever the values, times and failures are.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/plot/chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/svg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  plot::LogParser parser;
  parser.Feed(std::string_view(reinterpret_cast<const char*>(data), size));
  parser.Finish();
  const plot::Run& run = parser.run();
  plot::ChartStyle style;
  style.window_s = 1 + (size > 1 ? data[1] % 64 : 0);
  plot::RenderChart(run, 60, 18, style);
  style.unicode = false;
  plot::RenderChart(run, 33, 9, style);
  plot::RenderSvg(run, plot::SvgOptions{});
  return 0;
}
