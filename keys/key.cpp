#include "keys/key.h"

namespace {

constexpr const char* kNames[kSpecialKeyCount] = {
    "Up",     "Down",     "Right", "Left", "Home", "End", "Insert",  "Delete",
    "PageUp", "PageDown", "F1",    "F2",   "F3",   "F4",  "F5",      "F6",
    "F7",     "F8",       "F9",    "F10",  "F11",  "F12", "Keypad*",
};

constexpr const char* kPrefixes[kKeyFormCount] = {"", "Shift+", "Ctrl+", "Alt+"};

}  // namespace

KeyForm FormOf(bool shift, bool ctrl, bool alt) {
  if (alt) return KeyForm::kAlt;
  if (ctrl) return KeyForm::kCtrl;
  if (shift) return KeyForm::kShift;
  return KeyForm::kPlain;
}

const char* SpecialKeyName(SpecialKey key) {
  return kNames[static_cast<int>(key)];
}

const char* KeyFormPrefix(KeyForm form) {
  return kPrefixes[static_cast<int>(form)];
}
