#include "keys/key.h"

namespace {

constexpr const char* kNames[kSpecialKeyCount] = {
    "Up",     "Down",     "Right", "Left", "Home", "End", "Insert",  "Delete",
    "PageUp", "PageDown", "F1",    "F2",   "F3",   "F4",  "F5",      "F6",
    "F7",     "F8",       "F9",    "F10",  "F11",  "F12", "Keypad*",
};

constexpr const char* kPrefixes[kKeyFormCount] = {"", "Shift+", "Ctrl+", "Alt+"};

}  // namespace

const char* SpecialKeyName(SpecialKey key) {
  return kNames[static_cast<int>(key)];
}

const char* KeyFormPrefix(KeyForm form) {
  return kPrefixes[static_cast<int>(form)];
}

std::string HeldPrefix(std::uint8_t held) {
  std::string prefix;
  if (held & kHeldCtrl) prefix += "Ctrl+";
  if (held & kHeldAlt) prefix += "Alt+";
  if (held & kHeldShift) prefix += "Shift+";
  return prefix;
}
