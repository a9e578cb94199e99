#include "app/key_map.h"
#include "keys/key_codes.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Expected commands, written from the keys' point of view.
std::map<int, int> ExpectedCommands() {
  std::map<int, int> m;
  for (int d = 1; d <= 9; ++d)
    m['0' + d] = d;
  m['0'] = 10;
  m[13] = 26;  // Enter
  m[' '] = 26;
  m[ExtendedCode(SpecialKey::kUp, KeyForm::kCtrl)] = 10;
  m[ExtendedCode(SpecialKey::kUp, KeyForm::kPlain)] = 11;  // also 'H'
  m[ExtendedCode(SpecialKey::kDown, KeyForm::kPlain)] = 12;
  m[ExtendedCode(SpecialKey::kRight, KeyForm::kPlain)] = 13;
  m[ExtendedCode(SpecialKey::kLeft, KeyForm::kPlain)] = 14;
  const std::pair<char, int> letters[] = {{'a', 15}, {'?', 16}, {'c', 17}, {'e', 18}, {'>', 19},
                                          {'b', 20}, {'i', 21}, {'s', 22}, {'g', 23}, {'t', 24},
                                          {'<', 25}, {'d', 27}, {'j', 28}, {'k', 29}, {'l', 30},
                                          {'m', 31}, {'f', 32}};
  for (auto [c, n] : letters)
    m[c] = n;
  return m;
}

TEST(KeyMapTest, EveryCodeFromMinusOneTo255) {
  const std::map<int, int> commands = ExpectedCommands();
  for (int code = -1; code <= 255; ++code) {
    const KeyMapping k = KeyMap(code);
    if (code == 27 || code == 'S') {
      EXPECT_EQ(k.action, KeyAction::kQuit) << code;
    } else if (auto it = commands.find(code); it != commands.end()) {
      EXPECT_EQ(k.action, KeyAction::kCommand) << code;
      EXPECT_EQ(k.command, it->second) << code;
    } else {
      EXPECT_EQ(k.action, KeyAction::kNone) << code;
    }
  }
  // Characters of 128 or more arrive negative.
  for (int code = -128; code < 0; ++code)
    EXPECT_EQ(KeyMap(code).action, KeyAction::kNone);
}

TEST(KeyMapTest, CommandsRunFrom1To32WithoutGaps) {
  std::map<int, int> seen;
  for (int code = 0; code <= 255; ++code) {
    if (KeyMap(code).action == KeyAction::kCommand) ++seen[KeyMap(code).command];
  }
  ASSERT_EQ(seen.size(), 32u);
  EXPECT_EQ(seen.begin()->first, 1);
  EXPECT_EQ(seen.rbegin()->first, 32);
  EXPECT_EQ(seen[26], 2);  // Enter and Space
  EXPECT_EQ(seen[10], 2);  // '0' and Ctrl+Up
}

struct SpecialCase {
  SpecialKey key;
  KeyForm form;
  int extended;
  KeyAction action;
  int command;
};

TEST(KeyMapTest, SpecialKeysAndTheirForms) {
  using K = SpecialKey;
  using F = KeyForm;
  const SpecialCase cases[] = {
      {K::kUp, F::kPlain, 0x48, KeyAction::kCommand, 11},
      {K::kUp, F::kShift, 0x48, KeyAction::kCommand, 11},
      {K::kUp, F::kCtrl, 0x8D, KeyAction::kCommand, 10},
      {K::kUp, F::kAlt, 0x98, KeyAction::kNone, 0},
      {K::kDown, F::kPlain, 0x50, KeyAction::kCommand, 12},
      {K::kDown, F::kCtrl, 0x91, KeyAction::kNone, 0},
      {K::kRight, F::kCtrl, 0x74, KeyAction::kCommand, 24},
      {K::kLeft, F::kCtrl, 0x73, KeyAction::kCommand, 22},
      {K::kLeft, F::kAlt, 0x9B, KeyAction::kNone, 0},
      {K::kDelete, F::kPlain, 0x53, KeyAction::kQuit, 0},
      {K::kDelete, F::kShift, 0x53, KeyAction::kQuit, 0},
      {K::kDelete, F::kCtrl, 0x93, KeyAction::kNone, 0},
      {K::kDelete, F::kAlt, 0xA3, KeyAction::kNone, 0},
      {K::kHome, F::kPlain, 0x47, KeyAction::kNone, 0},
      {K::kEnd, F::kCtrl, 0x75, KeyAction::kNone, 0},
      {K::kInsert, F::kPlain, 0x52, KeyAction::kNone, 0},
      {K::kPageUp, F::kCtrl, 0x84, KeyAction::kNone, 0},
      {K::kPageDown, F::kCtrl, 0x76, KeyAction::kNone, 0},
      {K::kF1, F::kPlain, 0x3B, KeyAction::kNone, 0},
      {K::kF2, F::kPlain, 0x3C, KeyAction::kCommand, 25},
      {K::kF3, F::kPlain, 0x3D, KeyAction::kNone, 0},
      {K::kF4, F::kPlain, 0x3E, KeyAction::kCommand, 19},
      {K::kF5, F::kPlain, 0x3F, KeyAction::kCommand, 16},
      {K::kF4, F::kShift, 0x57, KeyAction::kNone, 0},
      {K::kF4, F::kCtrl, 0x61, KeyAction::kCommand, 15},
      {K::kF5, F::kCtrl, 0x62, KeyAction::kCommand, 20},
      {K::kF10, F::kCtrl, 0x67, KeyAction::kCommand, 23},
      {K::kF3, F::kCtrl, 0x60, KeyAction::kNone, 0},
      {K::kF2, F::kAlt, 0x69, KeyAction::kCommand, 21},
      {K::kF6, F::kAlt, 0x6D, KeyAction::kCommand, 31},
      {K::kF7, F::kAlt, 0x6E, KeyAction::kNone, 0},
      {K::kF11, F::kPlain, 0x85, KeyAction::kNone, 0},
      {K::kF12, F::kAlt, 0x8C, KeyAction::kNone, 0},
  };
  for (const SpecialCase& c : cases) {
    EXPECT_EQ(ExtendedCode(c.key, c.form), c.extended) << c.extended;
    const KeyMapping k = KeyMap(c.extended);
    EXPECT_EQ(k.action, c.action) << c.extended;
    EXPECT_EQ(k.command, c.command) << c.extended;
  }
}

TEST(KeyMapTest, AltWinsThenCtrlThenShift) {
  EXPECT_EQ(FormOf(true, true, true), KeyForm::kAlt);
  EXPECT_EQ(FormOf(true, true, false), KeyForm::kCtrl);  // Ctrl+Shift+F4 is Ctrl+F4
  EXPECT_EQ(FormOf(false, true, true), KeyForm::kAlt);
  EXPECT_EQ(FormOf(true, false, false), KeyForm::kShift);
  EXPECT_EQ(FormOf(false, false, false), KeyForm::kPlain);
}

}  // namespace
