// Keys by name, for the tables of the key tests and the key decoder's fuzz
// target: a table states the keys it expects as a user names them, and a
// failure prints the keys by the same names.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "keys/key.h"

namespace testkeys {

// A key's name: "Up", "Ctrl+F4", "Ctrl+Shift+F4", "Alt+Keypad*" (the
// modifiers held); a character as itself ("a", "S"), "Enter", "Esc", "Space",
// "Ctrl+A".."Ctrl+_" for the other control codes, "0xC3" for DEL and
// characters of 128 or more; "pasting" for the beginning of a paste,
// "paste:N" for a paste of N bytes, "ignored:N"
// for N ignored bytes; "none" for no key.
inline std::string KeyName(const Key& key) {
  if (key.kind == KeyKind::kSpecial) return HeldPrefix(key.held) + SpecialKeyName(key.special);
  if (key.kind == KeyKind::kNone) return "none";
  if (key.kind == KeyKind::kPaste) return "paste:" + std::to_string(key.length);
  if (key.kind == KeyKind::kPasteBegin) return "pasting";
  if (key.kind == KeyKind::kIgnored) return "ignored:" + std::to_string(key.length);
  const unsigned char c = key.character;
  if (c == 13) return "Enter";
  if (c == 27) return "Esc";
  if (c == ' ') return "Space";
  if (c < 32) return std::string("Ctrl+") + static_cast<char>(c | 0x40);
  if (c >= 127) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
  }
  return std::string(1, static_cast<char>(c));
}

// The key a user presses with the name: a name as KeyName gives it, with
// any modifiers held. Where several are held the key's form is that of
// FormOf; a character yields itself with Alt, its control code with Ctrl.
// Ctrl+Space (a NUL) is no key. "paste:N" is a paste of N bytes.
inline std::vector<Key> KeyPressed(std::string_view name) {
  if (name == "pasting") return {Key::PasteBegin()};
  if (name.starts_with("paste:"))
    return {Key::Paste(static_cast<std::uint32_t>(std::stoul(std::string(name.substr(6)))))};
  bool shift = false, ctrl = false, alt = false;
  for (;;) {
    if (name.starts_with("Shift+")) {
      shift = true;
      name.remove_prefix(6);
    } else if (name.starts_with("Ctrl+") && name.size() > 5) {
      ctrl = true;
      name.remove_prefix(5);
    } else if (name.starts_with("Alt+")) {
      alt = true;
      name.remove_prefix(4);
    } else {
      break;
    }
  }
  for (int k = 0; k < kSpecialKeyCount; ++k) {
    const auto key = static_cast<SpecialKey>(k);
    if (name == SpecialKeyName(key)) return {Key::Held(key, shift, ctrl, alt)};
  }
  unsigned char c = 0;
  if (name == "Enter") {
    c = 13;
  } else if (name == "Esc") {
    c = 27;
  } else if (name == "Space") {
    c = ' ';
  } else if (name.size() == 4 && name.starts_with("0x")) {
    c = static_cast<unsigned char>(std::stoi(std::string(name.substr(2)), nullptr, 16));
  } else if (name.size() == 1) {
    c = static_cast<unsigned char>(name[0]);
  } else {
    return {Key{}};  // no such name: a key no keyboard yields
  }
  if (ctrl) c &= 0x1F;
  if (c == 0) return {};
  return {Key::Character(c)};
}

// The keys named, one name after the other with a space between ("Up
// Down", "0xC3 x"); "" and "nothing" name none. Ignored bytes are no key
// and have no name here: see WithoutIgnored.
inline std::vector<Key> Keys(std::string_view names) {
  std::vector<Key> keys;
  if (names == "nothing") return keys;
  while (!names.empty()) {
    const std::size_t end = names.find(' ');
    const std::vector<Key> k = KeyPressed(names.substr(0, end));
    keys.insert(keys.end(), k.begin(), k.end());
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return keys;
}

// The keys without the ignored bytes among them.
inline std::vector<Key> WithoutIgnored(const std::vector<Key>& keys) {
  std::vector<Key> out;
  for (const Key& k : keys)
    if (k.kind != KeyKind::kIgnored) out.push_back(k);
  return out;
}

inline std::string Names(const std::vector<Key>& keys) {
  std::string text;
  for (const Key& k : keys)
    text += (text.empty() ? "" : " ") + KeyName(k);
  return text;
}

}  // namespace testkeys

// How GoogleTest prints a key.
inline void PrintTo(const Key& key, std::ostream* os) {
  *os << testkeys::KeyName(key);
}
