#include "keys/key_codes.h"

#include <cstdint>

namespace {

// Extended codes, one row per special key in SpecialKey order, columns
// plain, Shift, Ctrl, Alt.
constexpr std::uint8_t kExtended[kSpecialKeyCount][kKeyFormCount] = {
    {0x48, 0x48, 0x8D, 0x98},  // Up
    {0x50, 0x50, 0x91, 0xA0},  // Down
    {0x4D, 0x4D, 0x74, 0x9D},  // Right
    {0x4B, 0x4B, 0x73, 0x9B},  // Left
    {0x47, 0x47, 0x77, 0x97},  // Home
    {0x4F, 0x4F, 0x75, 0x9F},  // End
    {0x52, 0x52, 0x92, 0xA2},  // Insert
    {0x53, 0x53, 0x93, 0xA3},  // Delete
    {0x49, 0x49, 0x84, 0x99},  // Page Up
    {0x51, 0x51, 0x76, 0xA1},  // Page Down
    {0x3B, 0x54, 0x5E, 0x68},  // F1
    {0x3C, 0x55, 0x5F, 0x69},  // F2
    {0x3D, 0x56, 0x60, 0x6A},  // F3
    {0x3E, 0x57, 0x61, 0x6B},  // F4
    {0x3F, 0x58, 0x62, 0x6C},  // F5
    {0x40, 0x59, 0x63, 0x6D},  // F6
    {0x41, 0x5A, 0x64, 0x6E},  // F7
    {0x42, 0x5B, 0x65, 0x6F},  // F8
    {0x43, 0x5C, 0x66, 0x70},  // F9
    {0x44, 0x5D, 0x67, 0x71},  // F10
    {0x85, 0x87, 0x89, 0x8B},  // F11
    {0x86, 0x88, 0x8A, 0x8C},  // F12
};

constexpr const char* kNames[kSpecialKeyCount] = {
    "Up", "Down", "Right", "Left", "Home", "End", "Insert", "Delete", "PageUp", "PageDown", "F1",
    "F2", "F3",   "F4",    "F5",   "F6",   "F7",  "F8",     "F9",     "F10",    "F11",      "F12",
};

constexpr const char* kPrefixes[kKeyFormCount] = {"", "Shift+", "Ctrl+", "Alt+"};

}  // namespace

KeyForm FormOf(bool shift, bool ctrl, bool alt) {
  if (alt) return KeyForm::kAlt;
  if (ctrl) return KeyForm::kCtrl;
  if (shift) return KeyForm::kShift;
  return KeyForm::kPlain;
}

int ExtendedCode(SpecialKey key, KeyForm form) {
  return kExtended[static_cast<int>(key)][static_cast<int>(form)];
}

bool KeyOfExtendedCode(int code, SpecialKey* key, KeyForm* form) {
  for (int k = 0; k < kSpecialKeyCount; ++k) {
    for (int f = 0; f < kKeyFormCount; ++f) {
      if (kExtended[k][f] == code) {
        *key = static_cast<SpecialKey>(k);
        *form = static_cast<KeyForm>(f);
        return true;
      }
    }
  }
  return false;
}

const char* SpecialKeyName(SpecialKey key) {
  return kNames[static_cast<int>(key)];
}

const char* KeyFormPrefix(KeyForm form) {
  return kPrefixes[static_cast<int>(form)];
}
