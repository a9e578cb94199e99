// What terminals send and what the decoder must make of it: one table for
// the decoder's unit tests and its fuzz target. Each row gives bytes that
// arrive at once and the keys they give, by name (tests/support/key_names.h),
// once any Esc time-out has passed.
#pragma once

#include <string>
#include <vector>

namespace testkeys {

struct KeySequence {
  const char* name;
  std::string bytes;
  const char* keys;    // "" for none
  bool waits = false;  // a prefix of longer keys: nothing before the time-out
};

inline const std::vector<KeySequence>& KeySequences() {
  const std::string E = "\x1b";
  const std::string nul(1, '\0');
  constexpr bool kWaits = true;
  static const std::vector<KeySequence> kSequences = {
      // Characters.
      {"letter", "a", "a"},
      {"S", "S", "S"},
      {"Enter", "\r", "Enter"},
      {"Space", " ", "Space"},
      {"Ctrl+S passes as a key", "\x13", "Ctrl+S"},
      {"digits", "50", "5 0"},
      // Special keys.
      {"Up", E + "[A", "Up"},
      {"Up, application mode", E + "OA", "Up"},
      {"Down", E + "[B", "Down"},
      {"Right", E + "[C", "Right"},
      {"Left", E + "OD", "Left"},
      {"Home", E + "[H", "Home"},
      {"Home, vt", E + "[1~", "Home"},
      {"Home, rxvt", E + "[7~", "Home"},
      {"End", E + "OF", "End"},
      {"End, vt", E + "[4~", "End"},
      {"End, rxvt", E + "[8~", "End"},
      {"Insert", E + "[2~", "Insert"},
      {"Delete", E + "[3~", "Delete"},
      {"Page Up", E + "[5~", "PageUp"},
      {"Page Down", E + "[6~", "PageDown"},
      {"F1", E + "OP", "F1"},
      {"F4", E + "OS", "F4"},
      {"F1, vt", E + "[11~", "F1"},
      {"F1, Linux console", E + "[[A", "F1"},
      {"F5, Linux console", E + "[[E", "F5"},
      {"F5", E + "[15~", "F5"},
      {"F6", E + "[17~", "F6"},
      {"F10", E + "[21~", "F10"},
      {"F11", E + "[23~", "F11"},
      {"F12", E + "[24~", "F12"},
      // Modifiers: m - 1 = Shift 1, Alt 2, Ctrl 4, Meta 8.
      {"Shift+Up", E + "[1;2A", "Shift+Up"},
      {"Ctrl+Up", E + "[1;5A", "Ctrl+Up"},
      {"Alt+Up", E + "[1;3A", "Alt+Up"},
      {"Meta+Up", E + "[1;9A", "Alt+Up"},
      {"Ctrl+Left", E + "[1;5D", "Ctrl+Left"},
      {"Ctrl+Right", E + "[1;5C", "Ctrl+Right"},
      {"Ctrl+Down", E + "[1;5B", "Ctrl+Down"},
      {"Ctrl+Shift+F4 is Ctrl+F4", E + "[1;6S", "Ctrl+F4"},
      {"Ctrl+Alt+F2 is Alt+F2", E + "[1;7Q", "Alt+F2"},
      {"Ctrl+F4, SS3 form", E + "O5S", "Ctrl+F4"},
      {"Ctrl+F10", E + "[21;5~", "Ctrl+F10"},
      {"Shift+Delete", E + "[3;2~", "Shift+Delete"},
      {"Ctrl+Delete", E + "[3;5~", "Ctrl+Delete"},
      {"Shift+F5", E + "[15;2~", "Shift+F5"},
      {"Alt+F12", E + "[24;3~", "Alt+F12"},
      {"Ctrl+F3, or a cursor report at row 1", E + "[1;5R", "Ctrl+F3"},
      {"rxvt Shift+Up", E + "[a", "Shift+Up"},
      {"rxvt Ctrl+Left", E + "Od", "Ctrl+Left"},
      {"rxvt Ctrl+Delete", E + "[3^", "Ctrl+Delete"},
      {"rxvt Shift+F5", E + "[15$", "Shift+F5"},
      {"rxvt Ctrl+F8", E + "[19^", "Ctrl+F8"},
      {"ESC before a sequence is Alt", E + E + "[A", "Alt+Up"},
      {"ESC before an SS3 F-key", E + E + "OQ", "Alt+F2"},
      {"Alt+letter yields the letter", E + "s", "s"},
      {"Alt+Enter yields Enter", E + "\r", "Enter"},
      {"keypad application Enter", E + "OM", "Enter"},
      {"keypad application 7", E + "Ow", "7"},
      {"keypad application *", E + "Oj", "*"},
      {"two keys at once", E + "[A" + E + "[B", "Up Down"},
      {"key after a sequence", E + "[Cx", "Right x"},
      // rxvt sends Ctrl+Shift+F1..F10 as its Ctrl form of the F-key numbers
      // that Shift gives (F11..F20 = 23..34), Alt+Shift+F1..F10 as their Alt
      // form; Ctrl+Shift gives the Ctrl form, Alt+Shift the Alt form.
      {"rxvt Ctrl+Shift+F3", E + "[25^", "Ctrl+F3"},
      {"rxvt Ctrl+Shift+F4", E + "[26^", "Ctrl+F4"},
      {"rxvt Ctrl+Shift+F5", E + "[28^", "Ctrl+F5"},
      {"rxvt Ctrl+Shift+F6", E + "[29^", "Ctrl+F6"},
      {"rxvt Ctrl+Shift+F7", E + "[31^", "Ctrl+F7"},
      {"rxvt Ctrl+Shift+F8", E + "[32^", "Ctrl+F8"},
      {"rxvt Ctrl+Shift+F9", E + "[33^", "Ctrl+F9"},
      {"rxvt Ctrl+Shift+F10", E + "[34^", "Ctrl+F10"},
      {"rxvt Ctrl+Alt+Shift+F4", E + E + "[26^", "Alt+F4"},
      {"rxvt Alt+Shift+F4", E + E + "[26~", "Alt+F4"},
      {"rxvt Alt+Shift+F10", E + E + "[34~", "Alt+F10"},
      // Shift+F3..F10 in rxvt, Ctrl+F3..F10 in xterm's VT220 mode: ambiguous.
      {"26~ stays unmapped", E + "[26~", ""},
      {"34~ stays unmapped", E + "[34~", ""},
      {"no rxvt key 27", E + "[27^", ""},
      // One key is one key: nothing stray from the unknown.
      {"unknown CSI", E + "[99~", ""},
      {"unknown CSI final", E + "[Z", ""},
      {"focus in", E + "[I", ""},
      {"focus out", E + "[O", ""},
      {"private CSI", E + "[?1;2c", ""},
      {"three parameters", E + "[1;2;3A", ""},
      {"CSI P without modifier", E + "[P", ""},
      {"unknown Linux console", E + "[[Z", ""},
      {"unknown SS3", E + "Oz", ""},
      {"unknown then key", E + "[99~a", "a"},
      {"over-long sequence", E + "[" + std::string(40, '1') + "x", ""},
      {"over-long sequence with a marker", E + "[" + std::string(34, '1') + "?5h", ""},
      {"endless sequence dropped, then a key", E + "[" + std::string(100, '1') + "xa", "a"},
      // UTF-8 characters of several bytes: their first byte.
      {"e acute", "\xc3\xa9", "0xC3"},
      {"euro sign", "\xe2\x82\xac", "0xE2"},
      {"emoji", "\xf0\x9f\x98\x80", "0xF0"},
      {"stray continuation byte", "\xa9", "0xA9"},
      {"broken character", "\xc3x", "0xC3 x"},
      {"Alt+UTF-8", E + "\xc3\xa9", "0xC3"},
      // Ctrl+Space sends a NUL byte: no key at all.
      {"Ctrl+Space", nul, ""},
      {"Ctrl+Space, then a key", nul + "5", "5"},
      {"Ctrl+Alt+Space", E + nul, ""},
      {"Ctrl+Space twice, then a key", nul + nul + E + "[A", "Up"},
      // What a terminal answers to a query, or reports on its own, is no key.
      {"cursor position report", E + "[12;40R", ""},
      {"cursor position report, column 5", E + "[7;5R", ""},
      {"report shaped like Ctrl+Up", E + "[7;5A", ""},
      {"modifier beyond Meta", E + "[1;40A", ""},
      {"OSC colour reply, BEL", E + "]11;rgb:0000/0000/0000\x07", ""},
      {"OSC colour reply, ST", E + "]10;rgb:ffff/ffff/ffff" + E + "\\", ""},
      {"OSC title, ST", E + "]0;padlink" + E + "\\", ""},
      {"DCS status string reply", E + "P1$r0m" + E + "\\", ""},
      {"DCS terminal version", E + "P>|XTerm(379)" + E + "\\", ""},
      {"APC string", E + "_Gi=1;OK" + E + "\\", ""},
      {"PM string", E + "^private" + E + "\\", ""},
      {"X10 mouse report", E + "[M !!", ""},
      {"X10 mouse report, high coordinates", E + "[M \xff\xfe", ""},
      {"SGR mouse press", E + "[<0;12;5M", ""},
      {"SGR mouse release", E + "[<0;12;5m", ""},
      {"urxvt mouse report", E + "[32;12;5M", ""},
      {"primary device attributes", E + "[?64;1;2;6;9;15;18;21;22c", ""},
      {"secondary device attributes", E + "[>41;379;0c", ""},
      {"mode report", E + "[?1;2$y", ""},
      {"ANSI mode report", E + "[4;2$y", ""},
      {"bracketed paste start", E + "[200~", ""},
      // The key after a report is the key.
      {"report then key", E + "[12;40R5", "5"},
      {"OSC then key", E + "]11;rgb:0000/0000/0000\x07" + "5", "5"},
      {"DCS then key", E + "P1$r0m" + E + "\\" + E + "[A", "Up"},
      {"mouse then key", E + "[M !!s", "s"},
      // An escape sequence ends an unterminated string and is read.
      {"string cut by a key", E + "]11;rgb:00" + E + "[1;5A", "Ctrl+Up"},
      // CAN and SUB cancel a sequence.
      {"CSI cancelled by CAN", E + "[1;5\x18" + "a", "a"},
      {"CSI cancelled by SUB", E + "[1;5\x1a", ""},
      // Prefixes of longer keys, settled by the time-out: ESC alone is the
      // Esc key; ESC and an introducer alone Alt with that character, which
      // yields it; a character cut short its first byte; unfinished
      // sequences, strings and reports nothing.
      {"Esc", E, "Esc", kWaits},
      {"Alt+Esc", E + E, "Esc", kWaits},
      {"Alt+[", E + "[", "[", kWaits},
      {"Alt+O", E + "O", "O", kWaits},
      {"Alt+Shift+P", E + "P", "P", kWaits},
      {"Alt+]", E + "]", "]", kWaits},
      {"character cut short", "\xe2\x82", "0xE2", kWaits},
      {"unfinished CSI with parameters", E + "[1;5", "", kWaits},
      {"unfinished SS3 with a modifier", E + "O5", "", kWaits},
      {"unfinished OSC string", E + "]11;rgb:00", "", kWaits},
      {"unfinished DCS string", E + "P1$r0m" + E, "", kWaits},
      {"unfinished old mouse report", E + "[M !", "", kWaits},
  };
  return kSequences;
}

}  // namespace testkeys
