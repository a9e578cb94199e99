// padlink's key table as its documentation gives it, by the PC console's
// codes (keys/key_codes.h): the reference the key map is checked against,
// in its unit test and in the key decoder's fuzz target.
#pragma once

#include <vector>

#include "app/key_map.h"
#include "keys/key_codes.h"

namespace testkeys {

// What the key with the console code `code` does: a character's code below
// 128, or a special key's extended code.
inline KeyMapping ReferenceAction(int code) {
  struct Row {
    int code;
    int command;  // 0: quit
  };
  static const Row kRows[] = {
      {13, 26},  {32, 26},  {27, 0},   {'S', 0},  {'0', 10}, {0x8D, 10}, {'H', 11},
      {'P', 12}, {'M', 13}, {'K', 14}, {'a', 15}, {'?', 16}, {'c', 17},  {'e', 18},
      {'>', 19}, {'b', 20}, {'i', 21}, {'s', 22}, {'g', 23}, {'t', 24},  {'<', 25},
      {'d', 27}, {'j', 28}, {'k', 29}, {'l', 30}, {'m', 31}, {'f', 32},
  };
  if (code >= '1' && code <= '9')
    return {KeyAction::kCommand, static_cast<std::uint8_t>(code - '0')};
  for (const Row& r : kRows) {
    if (r.code == code)
      return r.command ? KeyMapping{KeyAction::kCommand, static_cast<std::uint8_t>(r.command)}
                       : KeyMapping{KeyAction::kQuit, 0};
  }
  return {KeyAction::kNone, 0};
}

// What a key does by the table: a special key what its extended code does;
// a character of 128 or more nothing (the console gives those negative
// codes, which the table has none of).
inline KeyMapping ReferenceKeyMap(const Key& key) {
  switch (key.kind) {
    case KeyKind::kSpecial:
      return ReferenceAction(ExtendedCode(key.special, key.form));
    case KeyKind::kCharacter:
      if (key.character < 128) return ReferenceAction(key.character);
      break;
    case KeyKind::kNone:
    case KeyKind::kPaste:
    case KeyKind::kIgnored:
    case KeyKind::kPasteBegin:
      break;
  }
  return {KeyAction::kNone, 0};
}

// Every key there is: the characters 1..255, every special key with every
// set of modifiers held.
inline std::vector<Key> EveryKey() {
  std::vector<Key> keys;
  for (int c = 1; c <= 255; ++c)
    keys.push_back(Key::Character(static_cast<unsigned char>(c)));
  for (int k = 0; k < kSpecialKeyCount; ++k) {
    for (int held = 0; held < 8; ++held)
      keys.push_back(Key::Held(static_cast<SpecialKey>(k), held & kHeldShift, held & kHeldCtrl,
                               held & kHeldAlt));
  }
  return keys;
}

}  // namespace testkeys
