#include "keys/console_keys.h"

namespace {

// Virtual-key codes.
constexpr std::uint16_t kVkEscape = 0x1B;
constexpr std::uint16_t kVkMultiply = 0x6A;
constexpr std::uint16_t kVkDecimal = 0x6E;
constexpr std::uint16_t kVkNumpad0 = 0x60;

struct VkKey {
  std::uint16_t vk;
  SpecialKey key;
};

// The special keys by virtual-key code; the keypad's keys report these too
// when Num Lock is off or Shift is held.
constexpr VkKey kSpecial[] = {
    {0x26, SpecialKey::kUp},       {0x28, SpecialKey::kDown},   {0x27, SpecialKey::kRight},
    {0x25, SpecialKey::kLeft},     {0x24, SpecialKey::kHome},   {0x23, SpecialKey::kEnd},
    {0x2D, SpecialKey::kInsert},   {0x2E, SpecialKey::kDelete}, {0x21, SpecialKey::kPageUp},
    {0x22, SpecialKey::kPageDown}, {0x70, SpecialKey::kF1},     {0x71, SpecialKey::kF2},
    {0x72, SpecialKey::kF3},       {0x73, SpecialKey::kF4},     {0x74, SpecialKey::kF5},
    {0x75, SpecialKey::kF6},       {0x76, SpecialKey::kF7},     {0x77, SpecialKey::kF8},
    {0x78, SpecialKey::kF9},       {0x79, SpecialKey::kF10},    {0x7A, SpecialKey::kF11},
    {0x7B, SpecialKey::kF12},
};

// The keypad's digits 0..9 stand for these keys when they carry no digit
// (Num Lock on, Ctrl held).
constexpr SpecialKey kKeypad[] = {
    SpecialKey::kInsert, SpecialKey::kEnd,    SpecialKey::kDown,  SpecialKey::kPageDown,
    SpecialKey::kLeft,   SpecialKey::kHome,   SpecialKey::kRight, SpecialKey::kHome,
    SpecialKey::kUp,     SpecialKey::kPageUp,
};

}  // namespace

std::optional<Key> ConsoleKey(const ConsoleKeyEvent& e) {
  if (!e.key_down) return std::nullopt;
  const bool shift = e.control_state & kShiftPressed;
  const bool ctrl = e.control_state & (kLeftCtrlPressed | kRightCtrlPressed);
  const bool alt = e.control_state & (kLeftAltPressed | kRightAltPressed);
  const KeyForm form = FormOf(shift, ctrl, alt);
  for (const VkKey& s : kSpecial) {
    if (s.vk == e.virtual_key) return Key::Held(s.key, shift, ctrl, alt);
  }
  if (e.virtual_key == kVkEscape) return Key::Character(27);
  if (e.foreign_character) return std::nullopt;
  if (e.character != 0) return Key::Character(static_cast<unsigned char>(e.character));
  // Keypad keys that carry no character.
  if (form == KeyForm::kCtrl) {
    // The PC console gives Ctrl with the keypad's '.' the code of Delete.
    if (e.virtual_key == kVkDecimal) return Key::Special(SpecialKey::kDelete);
    if (e.virtual_key >= kVkNumpad0 && e.virtual_key <= kVkNumpad0 + 9 &&
        e.virtual_key != kVkNumpad0 + 5)
      return Key::Special(kKeypad[e.virtual_key - kVkNumpad0], KeyForm::kCtrl);
  }
  if (form == KeyForm::kAlt && e.virtual_key == kVkMultiply)
    return Key::Special(SpecialKey::kKeypadStar, KeyForm::kAlt);
  return std::nullopt;
}

int CodePageCharacter(std::uint16_t unit, CodePageConverter convert) {
  if (unit == 0) return 0;
  char bytes[8] = {};
  bool defaulted = false;
  const int n = convert(unit, bytes, static_cast<int>(sizeof bytes), &defaulted);
  if (n != 1 || defaulted || bytes[0] == 0) return -1;
  return static_cast<unsigned char>(bytes[0]);
}
