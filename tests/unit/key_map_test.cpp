#include "app/key_map.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "keys/key_codes.h"
#include "tests/support/key_names.h"
#include "tests/support/key_table.h"

namespace {

using testkeys::EveryKey;
using testkeys::KeyName;

// Every key does what the key table says of its PC console code, so that no
// key does anything else than it did when the keyboards gave those codes.
TEST(KeyMapTest, EveryKeyDoesWhatTheKeyTableSaysOfItsCode) {
  for (const Key& key : EveryKey()) {
    const KeyMapping got = KeyMap(key);
    const KeyMapping want = testkeys::ReferenceKeyMap(key);
    EXPECT_EQ(got.action, want.action) << KeyName(key);
    EXPECT_EQ(got.command, want.command) << KeyName(key);
  }
  EXPECT_EQ(KeyMap(Key{}).action, KeyAction::kNone);
}

TEST(KeyMapTest, CommandsRunFrom1To32WithoutGaps) {
  std::map<int, std::set<std::string>> keys_of;
  for (const Key& key : EveryKey()) {
    if (KeyMap(key).action == KeyAction::kCommand)
      keys_of[KeyMap(key).command].insert(KeyName(key));
  }
  ASSERT_EQ(keys_of.size(), 32u);
  EXPECT_EQ(keys_of.begin()->first, 1);
  EXPECT_EQ(keys_of.rbegin()->first, 32);
  EXPECT_EQ(keys_of[26], (std::set<std::string>{"Enter", "Space"}));
  EXPECT_EQ(keys_of[10], (std::set<std::string>{"0", "Ctrl+Up", "Ctrl+Shift+Up"}));
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
      {K::kKeypadStar, F::kAlt, 0x37, KeyAction::kCommand, 7},
  };
  for (const SpecialCase& c : cases) {
    const Key key = Key::Special(c.key, c.form);
    EXPECT_EQ(ExtendedCode(c.key, c.form), c.extended) << KeyName(key);
    const KeyMapping k = KeyMap(key);
    EXPECT_EQ(k.action, c.action) << KeyName(key);
    EXPECT_EQ(k.command, c.command) << KeyName(key);
  }
}

}  // namespace
