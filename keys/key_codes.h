// The key vocabulary shared by every console layer and by the key map: key
// codes follow the PC console convention. A key that carries a character
// yields its code (codes of 128 or more arrive negative); a special key
// yields 0 and then its extended code, which depends on whether Shift, Ctrl
// or Alt is held.
#pragma once

enum class SpecialKey {
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
};
constexpr int kSpecialKeyCount = static_cast<int>(SpecialKey::kF12) + 1;

enum class KeyForm { kPlain, kShift, kCtrl, kAlt };
constexpr int kKeyFormCount = 4;

// When several modifiers are held the Alt form wins, then Ctrl, then Shift.
KeyForm FormOf(bool shift, bool ctrl, bool alt);
// The extended code of a special key in one of its forms.
int ExtendedCode(SpecialKey key, KeyForm form);

// The other way: the special key and form that an extended code stands for;
// false for a code that no special key gives. Where forms share a code (an
// arrow alone and with Shift), the first of plain, Shift, Ctrl, Alt is given.
bool KeyOfExtendedCode(int code, SpecialKey* key, KeyForm* form);
// Names as the key map's users read them: "Up", "PageDown", "F4"; the form
// as a prefix: "", "Shift+", "Ctrl+", "Alt+".
const char* SpecialKeyName(SpecialKey key);
const char* KeyFormPrefix(KeyForm form);
