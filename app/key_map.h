// Keys to robot commands.
//
// Key codes follow the PC console convention: a key that carries a character
// yields its code (codes of 128 or more arrive negative); a special key
// yields 0 and then its extended code, which depends on whether Shift, Ctrl
// or Alt is held.
#pragma once

#include <cstdint>

enum class KeyAction { kNone, kCommand, kQuit };

struct KeyMapping {
  KeyAction action;
  std::uint8_t command;  // 1..32 for kCommand, else 0
};

// What a key code does.
KeyMapping KeyMap(int code);

// The special keys, and the extended code of each in each of its forms. The
// console layers of all platforms turn their key events into these codes.
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
enum class KeyForm { kPlain, kShift, kCtrl, kAlt };

// When several modifiers are held the Alt form wins, then Ctrl, then Shift.
KeyForm FormOf(bool shift, bool ctrl, bool alt);
int ExtendedCode(SpecialKey key, KeyForm form);
