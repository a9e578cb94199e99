#include "tools/plot/screen.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace plot {

Screen::Screen(int w, int h)
    : width(std::max(w, 0)),
      height(std::max(h, 0)),
      glyph(static_cast<std::size_t>(width) * height, U' '),
      colour(static_cast<std::size_t>(width) * height, kPlain) {}

void Screen::Put(int x, int y, char32_t g, Colour c) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  glyph[static_cast<std::size_t>(y) * width + x] = g;
  colour[static_cast<std::size_t>(y) * width + x] = c;
}

int Screen::Text(int x, int y, const std::string& text, Colour c) {
  // Our texts are ASCII but for the few symbols below.
  int n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t g = static_cast<unsigned char>(text[i]);
    if (g >= 0x80) {
      // Two- and three-byte UTF-8 sequences.
      if ((g & 0xE0) == 0xC0 && i + 1 < text.size()) {
        g = ((g & 0x1F) << 6) | (text[i + 1] & 0x3F);
        i += 1;
      } else if ((g & 0xF0) == 0xE0 && i + 2 < text.size()) {
        g = ((g & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
        i += 2;
      } else {
        g = U'?';
      }
    }
    if (x + n >= width) break;
    Put(x + n, y, g, c);
    ++n;
  }
  return n;
}

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string RowText(const Screen& screen, int y) {
  int end = screen.width;
  const std::size_t base = static_cast<std::size_t>(y) * screen.width;
  while (end > 0 && screen.glyph[base + end - 1] == U' ')
    --end;
  std::string s;
  for (int x = 0; x < end; ++x)
    s += Utf8(screen.glyph[base + x]);
  return s;
}

std::string ScreenText(const Screen& screen) {
  std::string s;
  for (int y = 0; y < screen.height; ++y)
    s += RowText(screen, y) + "\n";
  return s;
}

namespace {

constexpr ColourValue kValues[] = {
    {-1, "#222222"},   // kPlain
    {32, "#0087d7"},   // kSensor1: blue
    {166, "#d75f00"},  // kSensor2: vermilion
    {169, "#d75faf"},  // kSensor3: reddish purple
    {136, "#af8700"},  // kSensor4: ochre
    {29, "#00875f"},   // kSram: bluish green
    {160, "#d70000"},  // kFailure: red
};

// The SGR parameters that select a colour.
std::string Sgr(Colour c) {
  const int index = ValueOf(c).index;
  return index < 0 ? "0" : "38;5;" + std::to_string(index);
}

}  // namespace

const ColourValue& ValueOf(Colour c) {
  return kValues[c < std::size(kValues) ? c : kPlain];
}

std::string RowAnsi(const Screen& screen, int y, bool colour) {
  std::string s = "\x1b[" + std::to_string(y + 1) + ";1H";
  const std::size_t base = static_cast<std::size_t>(y) * screen.width;
  int end = screen.width;
  while (end > 0 && screen.glyph[base + end - 1] == U' ')
    --end;
  Colour current = kPlain;
  for (int x = 0; x < end; ++x) {
    const Colour c = screen.glyph[base + x] == U' ' ? current : screen.colour[base + x];
    if (colour && c != current) {
      s += "\x1b[" + Sgr(c) + "m";
      current = c;
    }
    s += Utf8(screen.glyph[base + x]);
  }
  if (current != kPlain) s += "\x1b[0m";
  // Erase the rest, unless the row is full (the cursor waits on its last
  // column, and erasing there would take that character).
  if (end < screen.width) s += "\x1b[K";
  return s;
}

}  // namespace plot
