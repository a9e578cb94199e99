#include "app/key_map.h"

namespace {

// Extended codes, one row per special key in SpecialKey order, columns
// plain, Shift, Ctrl, Alt.
constexpr std::uint8_t kExtended[][4] = {
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

KeyForm FormOf(bool shift, bool ctrl, bool alt) {
  if (alt) return KeyForm::kAlt;
  if (ctrl) return KeyForm::kCtrl;
  if (shift) return KeyForm::kShift;
  return KeyForm::kPlain;
}

int ExtendedCode(SpecialKey key, KeyForm form) {
  return kExtended[static_cast<int>(key)][static_cast<int>(form)];
}
