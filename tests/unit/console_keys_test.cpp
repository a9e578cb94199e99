#include "keys/console_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Codes(bool down, int vk, int ch, std::uint32_t state = 0) {
  int codes[2] = {-99, -99};
  const int n =
      ConsoleKeyCodes({down, static_cast<std::uint16_t>(vk), static_cast<char>(ch), state}, codes);
  return std::vector<int>(codes, codes + n);
}

constexpr std::uint32_t kShift = kShiftPressed;
constexpr std::uint32_t kCtrl = kLeftCtrlPressed;
constexpr std::uint32_t kAlt = kRightAltPressed;

TEST(ConsoleKeysTest, EventsBecomeCodes) {
  struct Case {
    const char* name;
    std::vector<int> got;
    std::vector<int> want;
  };
  const Case cases[] = {
      {"letter", Codes(true, 'A', 'a'), {'a'}},
      {"key release", Codes(false, 'A', 'a'), {}},
      {"Shift alone", Codes(true, 0x10, 0, kShift), {}},
      {"Ctrl alone", Codes(true, 0x11, 0, kCtrl), {}},
      {"Alt alone", Codes(true, 0x12, 0, kAlt), {}},
      {"Caps Lock", Codes(true, 0x14, 0), {}},
      {"Enter", Codes(true, 0x0D, '\r'), {13}},
      {"Ctrl+S as its control code", Codes(true, 'S', 0x13, kCtrl), {0x13}},
      {"Alt+letter yields the letter", Codes(true, 'S', 's', kAlt), {'s'}},
      {"character of 128 or more is negative", Codes(true, 0xDE, '\xe9'), {-23}},
      {"Esc by its virtual key, whatever its character", Codes(true, 0x1B, 0), {27}},
      {"Up", Codes(true, 0x26, 0), {0, 0x48}},
      {"Up with a character some consoles add", Codes(true, 0x26, 'H'), {0, 0x48}},
      {"Ctrl+Up", Codes(true, 0x26, 0, kRightCtrlPressed), {0, 0x8D}},
      {"Alt+Up", Codes(true, 0x26, 0, kLeftAltPressed), {0, 0x98}},
      {"Delete", Codes(true, 0x2E, 0), {0, 0x53}},
      {"Shift+Delete", Codes(true, 0x2E, 0, kShift), {0, 0x53}},
      {"Ctrl+Shift+F4 is Ctrl+F4", Codes(true, 0x73, 0, kCtrl | kShift), {0, 0x61}},
      {"Ctrl+Alt+F2 is Alt+F2", Codes(true, 0x71, 0, kCtrl | kAlt), {0, 0x69}},
      {"F12", Codes(true, 0x7B, 0), {0, 0x86}},
      {"keypad 5 with Num Lock", Codes(true, 0x65, '5'), {'5'}},
      {"Ctrl+keypad 4", Codes(true, 0x64, 0, kCtrl), {0, 0x73}},
      {"Ctrl+keypad 6", Codes(true, 0x66, 0, kCtrl), {0, 0x74}},
      {"Ctrl+keypad 8", Codes(true, 0x68, 0, kCtrl), {0, 0x8D}},
      {"Ctrl+keypad .", Codes(true, 0x6E, 0, kCtrl), {0, 0x53}},
      {"Alt+keypad *", Codes(true, 0x6A, 0, kAlt), {0, 0x37}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.got, c.want) << c.name;
}

// The console's code page 437 as a conversion without best fit gives it: é
// is 0x82, č has no byte there but the default '?', and a character of a
// double-byte code page would take two bytes. Others fail.
int Cp437(std::uint16_t unit, char* out, int size, bool* defaulted) {
  *defaulted = false;
  if (size < 2) return 0;
  switch (unit) {
    case 'c':
      out[0] = 'c';
      return 1;
    case 0x00E9:  // é
      out[0] = '\x82';
      return 1;
    case 0x010D:  // č
      out[0] = '?';
      *defaulted = true;
      return 1;
    case 0x3042:  // あ, as a double-byte code page holds it
      out[0] = '\x82';
      out[1] = '\xa0';
      return 2;
    default:
      return 0;
  }
}

TEST(ConsoleKeysTest, CharactersComeThroughTheConsoleCodePageOrNotAtAll) {
  EXPECT_EQ(CodePageCharacter(0, Cp437), 0);  // no character
  EXPECT_EQ(CodePageCharacter('c', Cp437), 'c');
  EXPECT_EQ(CodePageCharacter(0x00E9, Cp437), 0x82);  // é
  EXPECT_EQ(CodePageCharacter(0x010D, Cp437), -1);    // č: only the default stands in
  EXPECT_EQ(CodePageCharacter(0x3042, Cp437), -1);    // two bytes
  EXPECT_EQ(CodePageCharacter(0xD83D, Cp437), -1);    // half a surrogate pair
}

TEST(ConsoleKeysTest, KeyWithAForeignCharacterHasNoCode) {
  const auto codes = [](ConsoleKeyEvent e) {
    int c[2] = {-99, -99};
    return std::vector<int>(c, c + ConsoleKeyCodes(e, c));
  };
  // č on a Czech layout is the key of '4'; with Alt or Ctrl held too.
  EXPECT_EQ(codes({true, '4', 0, 0, true}), std::vector<int>{});
  EXPECT_EQ(codes({true, '4', 0, kAlt, true}), std::vector<int>{});
  EXPECT_EQ(codes({true, '4', 0, kCtrl, true}), std::vector<int>{});
  // Keys known by their virtual key keep their codes.
  EXPECT_EQ(codes({true, 0x1B, 0, 0, true}), std::vector<int>{27});
  EXPECT_EQ(codes({true, 0x26, 0, 0, true}), (std::vector<int>{0, 0x48}));
}

}  // namespace
