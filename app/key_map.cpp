#include "app/key_map.h"

namespace {

using K = SpecialKey;
using F = KeyForm;

constexpr Key C(char c) {
  return Key::Character(static_cast<unsigned char>(c));
}

constexpr Key S(SpecialKey key, KeyForm form = F::kPlain) {
  return Key::Special(key, form);
}

constexpr int kQuit = 0;
constexpr int kMaxAliases = 4;

// A command (1..32) or quit, and every key that gives it: the key named for
// it first, then its aliases (the rest of the row stays no key). A special
// key acts as the character its PC console code is: Up and Shift+Up (0x48)
// as 'H', Alt with the keypad's '*' (0x37) as '7'.
struct Entry {
  int command;
  Key keys[kMaxAliases];
};

constexpr Entry kKeyTable[] = {
    {1, {C('1')}},
    {2, {C('2')}},
    {3, {C('3')}},
    {4, {C('4')}},
    {5, {C('5')}},
    {6, {C('6')}},
    {7, {C('7'), S(K::kKeypadStar, F::kAlt)}},
    {8, {C('8')}},
    {9, {C('9')}},
    {10, {C('0'), S(K::kUp, F::kCtrl)}},
    {11, {C('H'), S(K::kUp), S(K::kUp, F::kShift)}},
    {12, {C('P'), S(K::kDown), S(K::kDown, F::kShift)}},
    {13, {C('M'), S(K::kRight), S(K::kRight, F::kShift)}},
    {14, {C('K'), S(K::kLeft), S(K::kLeft, F::kShift)}},
    {15, {C('a'), S(K::kF4, F::kCtrl)}},
    {16, {C('?'), S(K::kF5)}},
    {17, {C('c'), S(K::kF6, F::kCtrl)}},
    {18, {C('e'), S(K::kF8, F::kCtrl)}},
    {19, {C('>'), S(K::kF4)}},
    {20, {C('b'), S(K::kF5, F::kCtrl)}},
    {21, {C('i'), S(K::kF2, F::kAlt)}},
    {22, {C('s'), S(K::kLeft, F::kCtrl)}},
    {23, {C('g'), S(K::kF10, F::kCtrl)}},
    {24, {C('t'), S(K::kRight, F::kCtrl)}},
    {25, {C('<'), S(K::kF2)}},
    {26, {C('\r'), C(' ')}},  // Enter (and Ctrl+M), Space
    {27, {C('d'), S(K::kF7, F::kCtrl)}},
    {28, {C('j'), S(K::kF3, F::kAlt)}},
    {29, {C('k'), S(K::kF4, F::kAlt)}},
    {30, {C('l'), S(K::kF5, F::kAlt)}},
    {31, {C('m'), S(K::kF6, F::kAlt)}},
    {32, {C('f'), S(K::kF9, F::kCtrl)}},
    {kQuit, {C('\x1b'), C('S'), S(K::kDelete), S(K::kDelete, F::kShift)}},  // Esc, Ctrl+[
};

}  // namespace

KeyMapping KeyMap(const Key& key) {
  if (key.kind != KeyKind::kCharacter && key.kind != KeyKind::kSpecial)
    return {KeyAction::kNone, 0};
  // A special key acts by its form, whatever else was held.
  const Key pressed = key.kind == KeyKind::kSpecial ? Key::Special(key.special, key.form) : key;
  for (const Entry& e : kKeyTable) {
    for (const Key& k : e.keys) {
      if (k != pressed) continue;
      if (e.command == kQuit) return {KeyAction::kQuit, 0};
      return {KeyAction::kCommand, static_cast<std::uint8_t>(e.command)};
    }
  }
  return {KeyAction::kNone, 0};
}
