// The live chart: the latest seconds of a run drawn into a grid of character
// cells, braille dots (2 x 4 a cell) or plain ASCII marks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plot/run.h"

namespace plot {

// Colours of the cells: the default, one per trace, and failures.
enum Colour : std::uint8_t { kPlain = 0, kSensor1, kSensor2, kSensor3, kSensor4, kSram, kFailure };
// The trace colour of series `index` of Run::AllSeries().
Colour SeriesColour(const Series& s, std::size_t index);

struct Screen {
  int width = 0;
  int height = 0;
  std::vector<char32_t> glyph;  // width * height, row by row
  std::vector<Colour> colour;

  Screen(int w, int h);
  void Put(int x, int y, char32_t g, Colour c = kPlain);
  // Writes text from (x, y) on, cut at the right edge; the columns it took.
  int Text(int x, int y, const std::string& text, Colour c = kPlain);
};

struct ChartStyle {
  bool unicode = true;  // braille dots and box-drawing lines; else ASCII
  double window_s = 30;
  std::string status;  // the bottom line
};

Screen RenderChart(const Run& run, int width, int height, const ChartStyle& style);

// One row as text (UTF-8), trailing blanks left out.
std::string RowText(const Screen& screen, int y);
// The whole screen as text, a line per row.
std::string ScreenText(const Screen& screen);
// One row as the terminal is to show it: SGR colours when `colour`, the rest
// of the line erased, the cursor not moved past the last column.
std::string RowAnsi(const Screen& screen, int y, bool colour);

// UTF-8 of one character.
std::string Utf8(char32_t c);

}  // namespace plot
