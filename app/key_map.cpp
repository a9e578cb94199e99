#include "app/key_map.h"

namespace {

constexpr KeyMapping Command(int n) {
  return {KeyAction::kCommand, static_cast<std::uint8_t>(n)};
}

}  // namespace

KeyMapping KeyMap(int code) {
  if (code >= '1' && code <= '9') return Command(code - '0');
  switch (code) {
    case 27:   // Esc, Ctrl+[
    case 'S':  // also Delete and Shift+Delete
      return {KeyAction::kQuit, 0};
    case 13:  // Enter, Ctrl+M
    case ' ':
      return Command(26);
    case '0':
    case 0x8D:  // Ctrl+Up
      return Command(10);
    case 'H':  // also Up
      return Command(11);
    case 'P':  // also Down
      return Command(12);
    case 'M':  // also Right
      return Command(13);
    case 'K':  // also Left
      return Command(14);
    case 'a':  // also Ctrl+F4
      return Command(15);
    case '?':  // also F5
      return Command(16);
    case 'c':  // also Ctrl+F6
      return Command(17);
    case 'e':  // also Ctrl+F8
      return Command(18);
    case '>':  // also F4
      return Command(19);
    case 'b':  // also Ctrl+F5
      return Command(20);
    case 'i':  // also Alt+F2
      return Command(21);
    case 's':  // also Ctrl+Left
      return Command(22);
    case 'g':  // also Ctrl+F10
      return Command(23);
    case 't':  // also Ctrl+Right
      return Command(24);
    case '<':  // also F2
      return Command(25);
    case 'd':  // also Ctrl+F7
      return Command(27);
    case 'j':  // also Alt+F3
      return Command(28);
    case 'k':  // also Alt+F4
      return Command(29);
    case 'l':  // also Alt+F5
      return Command(30);
    case 'm':  // also Alt+F6
      return Command(31);
    case 'f':  // also Ctrl+F9
      return Command(32);
    default:
      return {KeyAction::kNone, 0};
  }
}
