#include "keys/console_keys.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/key_names.h"

namespace {

using testkeys::Keys;

// The key of an event, as a list of none or one.
std::vector<Key> Event(bool down, int vk, int ch, std::uint32_t state = 0) {
  const std::optional<Key> key =
      ConsoleKey({down, static_cast<std::uint16_t>(vk), static_cast<char>(ch), state});
  return key ? std::vector<Key>{*key} : std::vector<Key>{};
}

constexpr std::uint32_t kShift = kShiftPressed;
constexpr std::uint32_t kCtrl = kLeftCtrlPressed;
constexpr std::uint32_t kAlt = kRightAltPressed;

TEST(ConsoleKeysTest, EventsBecomeKeys) {
  struct Case {
    const char* name;
    std::vector<Key> got;
    const char* want;
  };
  const Case cases[] = {
      {"letter", Event(true, 'A', 'a'), "a"},
      {"key release", Event(false, 'A', 'a'), ""},
      {"Shift alone", Event(true, 0x10, 0, kShift), ""},
      {"Ctrl alone", Event(true, 0x11, 0, kCtrl), ""},
      {"Alt alone", Event(true, 0x12, 0, kAlt), ""},
      {"Caps Lock", Event(true, 0x14, 0), ""},
      {"Enter", Event(true, 0x0D, '\r'), "Enter"},
      {"Ctrl+S as its control code", Event(true, 'S', 0x13, kCtrl), "Ctrl+S"},
      {"Alt+letter yields the letter", Event(true, 'S', 's', kAlt), "s"},
      {"character of 128 or more", Event(true, 0xDE, '\xe9'), "0xE9"},
      {"Esc by its virtual key, whatever its character", Event(true, 0x1B, 0), "Esc"},
      {"Up", Event(true, 0x26, 0), "Up"},
      {"Up with a character some consoles add", Event(true, 0x26, 'H'), "Up"},
      {"Ctrl+Up", Event(true, 0x26, 0, kRightCtrlPressed), "Ctrl+Up"},
      {"Alt+Up", Event(true, 0x26, 0, kLeftAltPressed), "Alt+Up"},
      {"Delete", Event(true, 0x2E, 0), "Delete"},
      {"Shift+Delete", Event(true, 0x2E, 0, kShift), "Shift+Delete"},
      {"Ctrl+Shift+F4, the Ctrl form", Event(true, 0x73, 0, kCtrl | kShift), "Ctrl+Shift+F4"},
      {"Ctrl+Alt+F2, the Alt form", Event(true, 0x71, 0, kCtrl | kAlt), "Ctrl+Alt+F2"},
      {"F12", Event(true, 0x7B, 0), "F12"},
      {"keypad 5 with Num Lock", Event(true, 0x65, '5'), "5"},
      {"Ctrl+keypad 4", Event(true, 0x64, 0, kCtrl), "Ctrl+Left"},
      {"Ctrl+keypad 6", Event(true, 0x66, 0, kCtrl), "Ctrl+Right"},
      {"Ctrl+keypad 8", Event(true, 0x68, 0, kCtrl), "Ctrl+Up"},
      {"Ctrl+keypad . as the PC console gives it", Event(true, 0x6E, 0, kCtrl), "Delete"},
      {"Alt+keypad *", Event(true, 0x6A, 0, kAlt), "Alt+Keypad*"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.got, Keys(c.want)) << c.name;
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

TEST(ConsoleKeysTest, KeyWithAForeignCharacterIsNone) {
  // č on a Czech layout is the key of '4'; with Alt or Ctrl held too.
  EXPECT_EQ(ConsoleKey({true, '4', 0, 0, true}), std::nullopt);
  EXPECT_EQ(ConsoleKey({true, '4', 0, kAlt, true}), std::nullopt);
  EXPECT_EQ(ConsoleKey({true, '4', 0, kCtrl, true}), std::nullopt);
  // Keys known by their virtual key stay what they are.
  EXPECT_EQ(ConsoleKey({true, 0x1B, 0, 0, true}), Key::Character(27));
  EXPECT_EQ(ConsoleKey({true, 0x26, 0, 0, true}), Key::Special(SpecialKey::kUp));
}

}  // namespace
