// Turns console key events, as a console with input records reports them
// (a virtual-key code, the character, the modifier state), into key codes:
// the character, or 0 and an extended code for a special key.
#pragma once

#include <cstdint>

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
};

// Writes the key's codes into codes and returns how many (0, 1 or 2). Key
// releases, Shift, Ctrl or Alt alone, and keys without a code give 0.
int ConsoleKeyCodes(const ConsoleKeyEvent& event, int codes[2]);
