// The key vocabulary: what a keyboard yields for one key press, whatever
// sends it (a terminal's bytes, a console's key records). A key carries a
// character, or is a special key in one of its forms. Its action is the key
// map's business (app/key_map.h); the PC console's codes for the keys are in
// keys/key_codes.h.
#pragma once

#include <cstdint>
#include <string>

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
constexpr KeyForm FormOf(bool shift, bool ctrl, bool alt) {
  if (alt) return KeyForm::kAlt;
  if (ctrl) return KeyForm::kCtrl;
  if (shift) return KeyForm::kShift;
  return KeyForm::kPlain;
}

enum class KeyKind : std::uint8_t {
  kNone,
  kCharacter,
  kSpecial,
  // Text the terminal marked as pasted: never keys. A paste begins with a
  // key of its own (kPasteBegin), so that it can be told of at once, and ends
  // with kPaste, which carries its length.
  kPaste,
  // Bytes that are no key: a sequence or report the decoder knows no key
  // for, or a NUL (Ctrl+Space).
  kIgnored,
  // The beginning of pasted text; its kPaste follows.
  kPasteBegin,
};

// The modifiers a keyboard reported with a special key.
constexpr std::uint8_t kHeldShift = 1;
constexpr std::uint8_t kHeldCtrl = 2;
constexpr std::uint8_t kHeldAlt = 4;

// The bytes of an ignored sequence that a key keeps.
constexpr int kKeyBytes = 24;

// One key. A key with a character yields that character as the console's
// code page (or the terminal's first byte of it) holds it, whatever
// modifiers were held: Alt with a letter is the letter, Ctrl with one its
// control code. A special key has its form, which picks its code, and the
// modifiers that were held (Ctrl+Shift+F4 has the Ctrl form). A default Key
// is no key.
struct Key {
  KeyKind kind = KeyKind::kNone;
  unsigned char character = 0;           // kCharacter: never 0
  SpecialKey special = SpecialKey::kUp;  // kSpecial
  KeyForm form = KeyForm::kPlain;        // kSpecial
  std::uint8_t held = 0;                 // kSpecial: kHeldShift | kHeldCtrl | kHeldAlt
  std::uint32_t length = 0;              // kPaste, kIgnored: how many bytes
  unsigned char bytes[kKeyBytes] = {};   // kIgnored: the first of them

  static constexpr Key Character(unsigned char c) { return {KeyKind::kCharacter, c}; }
  // A special key with only its form's modifier held.
  static constexpr Key Special(SpecialKey key, KeyForm form = KeyForm::kPlain) {
    constexpr std::uint8_t kFormHeld[kKeyFormCount] = {0, kHeldShift, kHeldCtrl, kHeldAlt};
    return {KeyKind::kSpecial, 0, key, form, kFormHeld[static_cast<int>(form)]};
  }
  // A special key with these modifiers held.
  static constexpr Key Held(SpecialKey key, bool shift, bool ctrl, bool alt) {
    const auto held = static_cast<std::uint8_t>((shift ? kHeldShift : 0) | (ctrl ? kHeldCtrl : 0) |
                                                (alt ? kHeldAlt : 0));
    return {KeyKind::kSpecial, 0, key, FormOf(shift, ctrl, alt), held};
  }
  static constexpr Key Paste(std::uint32_t length) {
    return {KeyKind::kPaste, 0, SpecialKey::kUp, KeyForm::kPlain, 0, length};
  }

  static constexpr Key PasteBegin() { return {KeyKind::kPasteBegin}; }

  bool operator==(const Key&) const = default;
};

// Names as the key map's users read them: "Up", "PageDown", "F4",
// "Keypad*"; the form as a prefix: "", "Shift+", "Ctrl+", "Alt+".
const char* SpecialKeyName(SpecialKey key);
const char* KeyFormPrefix(KeyForm form);
// The modifiers held, as a prefix: "Ctrl+", "Alt+", "Shift+" in that order
// ("Ctrl+Shift+").
std::string HeldPrefix(std::uint8_t held);
