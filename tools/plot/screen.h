// A grid of character cells, each a glyph in a colour, and how it shows: as
// text, or as the escape sequences that draw it on a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plot {

// Colours of the cells: the default, one per trace, and failures.
enum Colour : std::uint8_t { kPlain = 0, kSensor1, kSensor2, kSensor3, kSensor4, kSram, kFailure };

// What a colour is: the same on the terminal and in the picture. The traces'
// colours are of middle lightness, so that each stands out at least 3:1
// from a white and from a black background alike, and their hues lie apart
// (blue, vermilion, reddish purple, ochre, and bluish green for the SRAM
// byte; the failures red).
// Each is a colour of the terminals' 256-colour cube, whose values are the
// same in every terminal that has it; kPlain is the terminal's own colour
// (index -1) and the picture's dark grey.
struct ColourValue {
  int index;        // the terminal's 256-colour index
  const char* hex;  // #rrggbb
};
const ColourValue& ValueOf(Colour c);

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
