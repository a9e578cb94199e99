// Keys to robot commands: what each key does, from a table of every key
// that does something (key_map.cpp). The table comes from the PC console's
// codes (keys/key_codes.h): a special key acts as the character its
// extended code is (Up as 'H', Delete as 'S'), so a key and its aliases are
// listed together.
#pragma once

#include <cstdint>

#include "keys/key.h"

enum class KeyAction { kNone, kCommand, kQuit };

struct KeyMapping {
  KeyAction action;
  std::uint8_t command;  // 1..32 for kCommand, else 0
};

// What a key does. A special key acts by its form (Ctrl+Shift+F4 as
// Ctrl+F4); a paste and ignored bytes do nothing.
KeyMapping KeyMap(const Key& key);
