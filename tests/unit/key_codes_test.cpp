#include "keys/key_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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
  EXPECT_FALSE(names.count("Shift+Up"));
  SpecialKey key;
  KeyForm form;
  EXPECT_FALSE(KeyOfExtendedCode(0x37, &key, &form));  // Alt with keypad '*'
  EXPECT_FALSE(KeyOfExtendedCode(0, &key, &form));
  EXPECT_FALSE(KeyOfExtendedCode(-1, &key, &form));
}

}  // namespace
