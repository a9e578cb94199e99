// What terminals send and what the decoder must make of it: one table for
// the decoder's unit tests and its fuzz target. Each row gives bytes that
// arrive at once and the keys they give, by name (tests/support/key_names.h),
// once any Esc time-out has passed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/term_decoder.h"

namespace testkeys {

struct KeySequence {
  const char* name;
  std::string bytes;
  const char* keys;  // "" for none
  // A prefix of longer keys: nothing before this many milliseconds have
  // passed without a further byte; 0 for a key that is whole at once.
  std::uint32_t waits = 0;
  // A report: its bytes come together, less than kReportGapMs apart.
  bool together = false;
};

inline constexpr std::uint32_t kWaits = kEscTimeoutMs;
// CSI M alone, settled as st's Ctrl+Delete once no report followed it.
inline constexpr std::uint32_t kWaitsAlone = kReportGapMs;
inline constexpr bool kTogether = true;

inline const std::vector<KeySequence> kKeySequences = {
    // Characters.
    {"letter", "a", "a"},
    {"S", "S", "S"},
    {"Enter", "\r", "Enter"},
    {"Space", " ", "Space"},
    {"Ctrl+S passes as a key", "\x13", "Ctrl+S"},
    {"digits", "50", "5 0"},
    // Special keys.
    {"Up", "\x1b[A", "Up"},
    {"Up, application mode", "\x1bOA", "Up"},
    {"Down", "\x1b[B", "Down"},
    {"Right", "\x1b[C", "Right"},
    {"Left", "\x1bOD", "Left"},
    {"Home", "\x1b[H", "Home"},
    {"Home, vt", "\x1b[1~", "Home"},
    {"Home, rxvt", "\x1b[7~", "Home"},
    {"End", "\x1bOF", "End"},
    {"End, vt", "\x1b[4~", "End"},
    {"End, rxvt", "\x1b[8~", "End"},
    {"Insert", "\x1b[2~", "Insert"},
    {"Delete", "\x1b[3~", "Delete"},
    {"Page Up", "\x1b[5~", "PageUp"},
    {"Page Down", "\x1b[6~", "PageDown"},
    {"F1", "\x1bOP", "F1"},
    {"F4", "\x1bOS", "F4"},
    {"F1, vt", "\x1b[11~", "F1"},
    {"F1, Linux console", "\x1b[[A", "F1"},
    {"F5, Linux console", "\x1b[[E", "F5"},
    {"F5", "\x1b[15~", "F5"},
    {"F6", "\x1b[17~", "F6"},
    {"F10", "\x1b[21~", "F10"},
    {"F11", "\x1b[23~", "F11"},
    {"F12", "\x1b[24~", "F12"},
    // Modifiers: m - 1 = Shift 1, Alt 2, Ctrl 4, Meta 8.
    {"Shift+Up", "\x1b[1;2A", "Shift+Up"},
    {"Ctrl+Up", "\x1b[1;5A", "Ctrl+Up"},
    {"Alt+Up", "\x1b[1;3A", "Alt+Up"},
    {"Meta+Up", "\x1b[1;9A", "Alt+Up"},
    {"Ctrl+Left", "\x1b[1;5D", "Ctrl+Left"},
    {"Ctrl+Right", "\x1b[1;5C", "Ctrl+Right"},
    {"Ctrl+Down", "\x1b[1;5B", "Ctrl+Down"},
    {"Ctrl+Shift+F4, the Ctrl form", "\x1b[1;6S", "Ctrl+Shift+F4"},
    {"Ctrl+Alt+F2, the Alt form", "\x1b[1;7Q", "Ctrl+Alt+F2"},
    {"Ctrl+F4, SS3 form", "\x1bO5S", "Ctrl+F4"},
    {"Ctrl+F10", "\x1b[21;5~", "Ctrl+F10"},
    {"Shift+Delete", "\x1b[3;2~", "Shift+Delete"},
    {"Ctrl+Delete", "\x1b[3;5~", "Ctrl+Delete"},
    {"Shift+F5", "\x1b[15;2~", "Shift+F5"},
    {"Alt+F12", "\x1b[24;3~", "Alt+F12"},
    {"Ctrl+F3, or a cursor report at row 1", "\x1b[1;5R", "Ctrl+F3"},
    {"rxvt Shift+Up", "\x1b[a", "Shift+Up"},
    {"rxvt Ctrl+Left", "\x1bOd", "Ctrl+Left"},
    {"rxvt Ctrl+Delete", "\x1b[3^", "Ctrl+Delete"},
    {"rxvt Shift+F5", "\x1b[15$", "Shift+F5"},
    {"rxvt Ctrl+F8", "\x1b[19^", "Ctrl+F8"},
    {"ESC before a sequence is Alt", "\x1b\x1b[A", "Alt+Up"},
    {"ESC before an SS3 F-key", "\x1b\x1bOQ", "Alt+F2"},
    {"Alt+letter yields the letter", "\x1bs", "s"},
    {"Alt+Enter yields Enter", "\x1b\r", "Enter"},
    {"keypad application Enter", "\x1bOM", "Enter"},
    {"keypad application 7", "\x1bOw", "7"},
    {"keypad application *", "\x1bOj", "*"},
    {"two keys at once", "\x1b[A\x1b[B", "Up Down"},
    {"key after a sequence", "\x1b[Cx", "Right x"},
    // rxvt sends Ctrl+Shift+F1..F10 as its Ctrl form of the F-key numbers
    // that Shift gives (F11..F20 = 23..34), Alt+Shift+F1..F10 as their Alt
    // form; Ctrl+Shift has the Ctrl form, Alt+Shift the Alt form.
    {"rxvt Ctrl+Shift+F3", "\x1b[25^", "Ctrl+Shift+F3"},
    {"rxvt Ctrl+Shift+F4", "\x1b[26^", "Ctrl+Shift+F4"},
    {"rxvt Ctrl+Shift+F5", "\x1b[28^", "Ctrl+Shift+F5"},
    {"rxvt Ctrl+Shift+F6", "\x1b[29^", "Ctrl+Shift+F6"},
    {"rxvt Ctrl+Shift+F7", "\x1b[31^", "Ctrl+Shift+F7"},
    {"rxvt Ctrl+Shift+F8", "\x1b[32^", "Ctrl+Shift+F8"},
    {"rxvt Ctrl+Shift+F9", "\x1b[33^", "Ctrl+Shift+F9"},
    {"rxvt Ctrl+Shift+F10", "\x1b[34^", "Ctrl+Shift+F10"},
    {"rxvt Ctrl+Alt+Shift+F4", "\x1b\x1b[26^", "Ctrl+Alt+Shift+F4"},
    {"rxvt Alt+Shift+F4", "\x1b\x1b[26~", "Alt+Shift+F4"},
    {"rxvt Alt+Shift+F10", "\x1b\x1b[34~", "Alt+Shift+F10"},
    // Shift+F3..F10 in rxvt, Ctrl+F3..F10 in xterm's VT220 mode: ambiguous.
    {"26~ stays unmapped", "\x1b[26~", ""},
    {"34~ stays unmapped", "\x1b[34~", ""},
    {"no rxvt key 27", "\x1b[27^", ""},
    // One key is one key: nothing stray from the unknown.
    {"unknown CSI", "\x1b[99~", ""},
    {"unknown CSI final", "\x1b[Z", ""},
    {"focus in", "\x1b[I", ""},
    {"focus out", "\x1b[O", ""},
    {"private CSI", "\x1b[?1;2c", ""},
    {"three parameters", "\x1b[1;2;3A", ""},
    {"unknown Linux console", "\x1b[[Z", ""},
    {"unknown SS3", "\x1bOz", ""},
    {"unknown then key", "\x1b[99~a", "a"},
    {"over-long sequence", "\x1b[" + std::string(40, '1') + "x", ""},
    {"over-long sequence with a marker", "\x1b[" + std::string(34, '1') + "?5h", ""},
    {"endless sequence dropped, then a key", "\x1b[" + std::string(100, '1') + "xa", "a"},
    // st's editing keys (its keypad in numeric mode, as padlink leaves it).
    {"st Delete", "\x1b[P", "Delete"},
    {"st Shift+Delete", "\x1b[2K", "Shift+Delete"},
    {"st Insert", "\x1b[4h", "Insert"},
    {"st Shift+Insert", "\x1b[4l", "Shift+Insert"},
    {"st Ctrl+Insert", "\x1b[L", "Ctrl+Insert"},
    {"st Ctrl+End", "\x1b[J", "Ctrl+End"},
    {"st Shift+End", "\x1b[K", "Shift+End"},
    {"st Shift+Home", "\x1b[2J", "Shift+Home"},
    {"st Alt+Delete", "\x1b\x1b[P", "Alt+Delete"},
    {"K with another number", "\x1b[1K", ""},
    {"J with two parameters", "\x1b[2;5J", ""},
    // Pasted text (bracketed): its beginning, one paste, whatever it holds,
    // and the keys after its end.
    {"paste", "\x1b[200~59\x1b[201~", "pasting paste:2"},
    {"empty paste", "\x1b[200~\x1b[201~", "pasting paste:0"},
    {"paste, then a key", "\x1b[200~5\x1b[201~6", "pasting paste:1 6"},
    {"paste of keys and sequences",
     "\x1b[200~\x1b\x1b[A\x1b[3~S\x1b[20\x1b[201\x1b[200~\r\x1b[201~\x1b[B",
     "pasting paste:25 Down"},
    {"paste of a lone Esc", "\x1b[200~\x1b\x1b[201~", "pasting paste:1"},
    {"paste end alone", "\x1b[201~", ""},
    // UTF-8 characters of several bytes: their first byte.
    {"e acute", "\xc3\xa9", "0xC3"},
    {"euro sign", "\xe2\x82\xac", "0xE2"},
    {"emoji", "\xf0\x9f\x98\x80", "0xF0"},
    {"stray continuation byte", "\xa9", "0xA9"},
    {"broken character", "\xc3x", "0xC3 x"},
    {"Alt+UTF-8", "\x1b\xc3\xa9", "0xC3"},
    // Ctrl+Space sends a NUL byte: no key at all.
    {"Ctrl+Space", std::string(1, '\0'), ""},
    {"Ctrl+Space, then a key", std::string(1, '\0') + "5", "5"},
    {"Ctrl+Alt+Space", "\x1b" + std::string(1, '\0'), ""},
    {"Ctrl+Space twice, then a key", std::string(2, '\0') + "\x1b[A", "Up"},
    // What a terminal answers to a query, or reports on its own, is no key.
    {"cursor position report", "\x1b[12;40R", ""},
    {"cursor position report, column 5", "\x1b[7;5R", ""},
    {"report shaped like Ctrl+Up", "\x1b[7;5A", ""},
    {"modifier beyond Meta", "\x1b[1;40A", ""},
    {"OSC colour reply, BEL", "\x1b]11;rgb:0000/0000/0000\x07", ""},
    {"OSC colour reply, ST", "\x1b]10;rgb:ffff/ffff/ffff\x1b\\", ""},
    {"OSC title, ST", "\x1b]0;padlink\x1b\\", ""},
    {"DCS status string reply", "\x1bP1$r0m\x1b\\", ""},
    {"DCS terminal version", "\x1bP>|XTerm(379)\x1b\\", ""},
    {"APC string", "\x1b_Gi=1;OK\x1b\\", ""},
    {"PM string", "\x1b^private\x1b\\", ""},
    {"X10 mouse report", "\x1b[M !!", "", 0, kTogether},
    {"X10 mouse report, high coordinates", "\x1b[M \xff\xfe", "", 0, kTogether},
    {"SGR mouse press", "\x1b[<0;12;5M", ""},
    {"SGR mouse release", "\x1b[<0;12;5m", ""},
    {"urxvt mouse report", "\x1b[32;12;5M", ""},
    {"primary device attributes", "\x1b[?64;1;2;6;9;15;18;21;22c", ""},
    {"secondary device attributes", "\x1b[>41;379;0c", ""},
    {"mode report", "\x1b[?1;2$y", ""},
    {"ANSI mode report", "\x1b[4;2$y", ""},
    // The key after a report is the key.
    {"report then key", "\x1b[12;40R5", "5"},
    {"OSC then key",
     "\x1b]11;rgb:0000/0000/0000\x07"
     "5",
     "5"},
    {"DCS then key", "\x1bP1$r0m\x1b\\\x1b[A", "Up"},
    {"mouse then key", "\x1b[M !!s", "s", 0, kTogether},
    // An escape sequence ends an unterminated string and is read.
    {"string cut by a key", "\x1b]11;rgb:00\x1b[1;5A", "Ctrl+Up"},
    // CAN and SUB cancel a sequence.
    {"CSI cancelled by CAN",
     "\x1b[1;5\x18"
     "a",
     "a"},
    {"CSI cancelled by SUB", "\x1b[1;5\x1a", ""},
    // Prefixes of longer keys, settled by the time-out: ESC alone is the
    // Esc key; ESC and an introducer alone Alt with that character, which
    // yields it; a character cut short its first byte; unfinished
    // sequences, strings and reports nothing.
    {"Esc", "\x1b", "Esc", kWaits},
    {"Alt+Esc", "\x1b\x1b", "Esc", kWaits},
    {"Alt+[", "\x1b[", "[", kWaits},
    {"Alt+O", "\x1bO", "O", kWaits},
    {"Alt+Shift+P", "\x1bP", "P", kWaits},
    {"Alt+]", "\x1b]", "]", kWaits},
    {"character cut short", "\xe2\x82", "0xE2", kWaits},
    {"unfinished CSI with parameters", "\x1b[1;5", "", kWaits},
    {"unfinished SS3 with a modifier", "\x1bO5", "", kWaits},
    {"unfinished OSC string", "\x1b]11;rgb:00", "", kWaits},
    {"unfinished DCS string", "\x1bP1$r0m\x1b", "", kWaits},
    {"unfinished old mouse report", "\x1b[M !", "", kWaits, kTogether},
    // CSI M with no report bytes at once is st's Ctrl+Delete.
    {"st Ctrl+Delete", "\x1b[M", "Ctrl+Delete", kWaitsAlone},
    {"st Ctrl+Alt+Delete", "\x1b\x1b[M", "Ctrl+Alt+Delete", kWaitsAlone},
    // A paste whose end mark never comes is over once its bytes stopped for
    // kPasteGapMs.
    {"paste without its end", "\x1b[200~hello", "pasting paste:5", kPasteGapMs},
    {"paste cut in its end mark", "\x1b[200~12\x1b[20", "pasting paste:6", kPasteGapMs},
};

}  // namespace testkeys
