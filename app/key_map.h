// Keys to robot commands. Key codes are those of keys/key_codes.h:
// a character's code, or the extended code that follows a special key's 0.
#pragma once

#include <cstdint>

enum class KeyAction { kNone, kCommand, kQuit };

struct KeyMapping {
  KeyAction action;
  std::uint8_t command;  // 1..32 for kCommand, else 0
};

// What a key code does.
KeyMapping KeyMap(int code);
