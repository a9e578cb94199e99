// The key vocabulary: what a keyboard yields for one key press, whatever
// sends it (a terminal's bytes, a console's key records). A key carries a
// character, or is a special key in one of its forms. Its action is the key
// map's business (app/key_map.h); the PC console's codes for the keys are in
// keys/key_codes.h.
#pragma once

#include <cstdint>

enum class SpecialKey : std::uint8_t {
  kUp,
  kDown,
  kRight,
  kLeft,
  kHome,
  kEnd,
  kInsert,
  kDelete,
  kPageUp,
  kPageDown,
  kF1,
  kF2,
  kF3,
  kF4,
  kF5,
  kF6,
  kF7,
  kF8,
  kF9,
  kF10,
  kF11,
  kF12,
  // The keypad's '*', where it carries no character: a console reports it
  // so with Alt held.
  kKeypadStar,
};
constexpr int kSpecialKeyCount = static_cast<int>(SpecialKey::kKeypadStar) + 1;

enum class KeyForm : std::uint8_t { kPlain, kShift, kCtrl, kAlt };
constexpr int kKeyFormCount = 4;

// When several modifiers are held the Alt form wins, then Ctrl, then Shift.
KeyForm FormOf(bool shift, bool ctrl, bool alt);

enum class KeyKind : std::uint8_t { kNone, kCharacter, kSpecial };

// One key. A key with a character yields that character as the console's
// code page (or the terminal's first byte of it) holds it, whatever
// modifiers were held: Alt with a letter is the letter, Ctrl with one its
// control code. A default Key is no key.
struct Key {
  KeyKind kind = KeyKind::kNone;
  unsigned char character = 0;           // kCharacter: never 0
  SpecialKey special = SpecialKey::kUp;  // kSpecial
  KeyForm form = KeyForm::kPlain;        // kSpecial

  static constexpr Key Character(unsigned char c) { return {KeyKind::kCharacter, c}; }
  static constexpr Key Special(SpecialKey key, KeyForm form = KeyForm::kPlain) {
    return {KeyKind::kSpecial, 0, key, form};
  }

  bool operator==(const Key&) const = default;
};

// Names as the key map's users read them: "Up", "PageDown", "F4",
// "Keypad*"; the form as a prefix: "", "Shift+", "Ctrl+", "Alt+".
const char* SpecialKeyName(SpecialKey key);
const char* KeyFormPrefix(KeyForm form);
