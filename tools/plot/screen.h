// A grid of character cells, each a glyph in a colour, and how it shows: as
// text, or as the escape sequences that draw it on a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plot {

// Colours of the cells: the default, one per trace, and failures.
enum Colour : std::uint8_t { kPlain = 0, kSensor1, kSensor2, kSensor3, kSensor4, kSram, kFailure };

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
