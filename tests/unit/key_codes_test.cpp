#include "keys/key_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/key_names.h"

namespace {

// Every code a special key gives names a key and form that give it back;
// where two forms share a code, the name is the plainer one.
TEST(KeyCodesTest, ExtendedCodesNameTheirKey) {
  std::set<std::string> names;
  for (int k = 0; k < kSpecialKeyCount; ++k) {
    for (int f = 0; f < kKeyFormCount; ++f) {
      const auto key = static_cast<SpecialKey>(k);
      const auto form = static_cast<KeyForm>(f);
      const int code = ExtendedCode(key, form);
      if (key == SpecialKey::kKeypadStar && form != KeyForm::kAlt) {
        EXPECT_EQ(code, 0);  // its character, or nothing
        continue;
      }
      SpecialKey named_key;
      KeyForm named_form;
      ASSERT_TRUE(KeyOfExtendedCode(code, &named_key, &named_form)) << code;
      EXPECT_EQ(ExtendedCode(named_key, named_form), code);
      EXPECT_EQ(named_key, key) << code;
      EXPECT_LE(static_cast<int>(named_form), f) << code;
      names.insert(std::string(KeyFormPrefix(named_form)) + SpecialKeyName(named_key));
    }
  }
  // Up and Shift+Up share 0x48, and so on: one name each.
  EXPECT_EQ(KeyFormPrefix(KeyForm::kPlain) + std::string(SpecialKeyName(SpecialKey::kUp)), "Up");
  EXPECT_TRUE(names.count("Ctrl+Up"));
  EXPECT_TRUE(names.count("Alt+PageDown"));
  EXPECT_TRUE(names.count("Shift+F4"));
  EXPECT_TRUE(names.count("Alt+Keypad*"));  // 0x37
  EXPECT_FALSE(names.count("Shift+Up"));
  SpecialKey key;
  KeyForm form;
  EXPECT_FALSE(KeyOfExtendedCode(0x38, &key, &form));
  EXPECT_FALSE(KeyOfExtendedCode(0, &key, &form));
  EXPECT_FALSE(KeyOfExtendedCode(-1, &key, &form));
}

TEST(KeyCodesTest, AltWinsThenCtrlThenShift) {
  EXPECT_EQ(FormOf(true, true, true), KeyForm::kAlt);
  EXPECT_EQ(FormOf(true, true, false), KeyForm::kCtrl);  // Ctrl+Shift+F4 is Ctrl+F4
  EXPECT_EQ(FormOf(false, true, true), KeyForm::kAlt);
  EXPECT_EQ(FormOf(true, false, false), KeyForm::kShift);
  EXPECT_EQ(FormOf(false, false, false), KeyForm::kPlain);
}

// Keys are equal when they are the same key: the same character, or the same
// special key in the same form.
TEST(KeyCodesTest, KeysAreEqualWhenTheyAreTheSameKey) {
  EXPECT_EQ(Key::Character('a'), Key::Character('a'));
  EXPECT_NE(Key::Character('a'), Key::Character('A'));
  EXPECT_EQ(Key::Special(SpecialKey::kUp), Key::Special(SpecialKey::kUp, KeyForm::kPlain));
  EXPECT_NE(Key::Special(SpecialKey::kUp), Key::Special(SpecialKey::kUp, KeyForm::kShift));
  EXPECT_NE(Key::Special(SpecialKey::kUp), Key::Character('H'));
  EXPECT_NE(Key{}, Key::Special(SpecialKey::kUp));
  EXPECT_EQ(Key{}, Key{});
}

}  // namespace
