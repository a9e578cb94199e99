// Turns console key events, as a console with input records reports them
// (a virtual-key code, the character, the modifier state), into keys
// (keys/key.h), as the PC console gives them.
#pragma once

#include <cstdint>
#include <optional>

#include "keys/key.h"

// Modifier bits of a key event's control state.
constexpr std::uint32_t kRightAltPressed = 0x0001;
constexpr std::uint32_t kLeftAltPressed = 0x0002;
constexpr std::uint32_t kRightCtrlPressed = 0x0004;
constexpr std::uint32_t kLeftCtrlPressed = 0x0008;
constexpr std::uint32_t kShiftPressed = 0x0010;

struct ConsoleKeyEvent {
  bool key_down;
  std::uint16_t virtual_key;
  char character;  // 0 when the key carries none
  std::uint32_t control_state;
  // The key carries a character that the console's code page cannot hold
  // (see CodePageCharacter); such a key is none.
  bool foreign_character = false;
};

// The key of a key event. Key releases, Shift, Ctrl or Alt alone, keys with
// a foreign character, and keys the PC console gives no code for are none.
std::optional<Key> ConsoleKey(const ConsoleKeyEvent& event);

// Converts one UTF-16 code unit into the console's code page: writes the
// bytes it takes there to out (at most size) and returns how many, 0 when
// the conversion fails; *defaulted tells whether the code page's default
// character had to stand in for it.
using CodePageConverter = int (*)(std::uint16_t unit, char* out, int size, bool* defaulted);

// A key's character (a UTF-16 code unit, 0 for none) as the console's code
// page holds it: its one byte (1 to 255); 0 for no character; -1 for a
// character the code page holds only as a stand-in or in more than one
// byte, or not at all. Best-fit look-alikes (c for č) are the converter's
// to refuse.
int CodePageCharacter(std::uint16_t unit, CodePageConverter convert);
