// What real terminals send for the keys of padlink's key table and the
// special keys around them, and what padlink makes of it: one table per
// terminal family, so that no change to the decoder breaks one terminal to
// please another. Each row names the key pressed, the bytes the terminal
// sends (empty: it sends nothing), what padlink then does, and, where the
// terminal cannot express the key, the key padlink gets instead ("nothing"
// when it gets none). Comments say how each family's rows were obtained;
// tools/keyrec/record.sh records them again.
//
// Every special key is tried alone and with Shift, Ctrl, Alt, Ctrl+Shift,
// Alt+Shift and Ctrl+Alt; where several are held, padlink gives the Alt
// form, else the Ctrl form, else the Shift form.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/key_map.h"
#include "keys/key_codes.h"
#include "keys/term_decoder.h"

namespace {

using namespace std::string_view_literals;

struct Row {
  std::string_view key;           // the key pressed, as padlink names it
  std::string_view bytes;         // what the terminal sends for it
  std::string_view action;        // what padlink does: "command N", "quits", "no action"
  std::string_view arrives = {};  // the key padlink gets, when not the one pressed
};

// xterm 379, default resources, UTF-8 locale. Recorded: xterm on a virtual X
// server (Xvfb), the keys typed by xdotool as X key events (XTEST), as a
// keyboard types them, into a byte dumper (tools/keyrec/record.sh xterm).
const Row kXterm[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[1;2A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[1;5A"sv, "command 10"},
    {"Alt+Up", "\x1b[1;3A"sv, "no action"},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv, "command 10"},
    {"Alt+Shift+Up", "\x1b[1;4A"sv, "no action"},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv, "no action"},
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[1;2B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[1;5B"sv, "no action"},
    {"Alt+Down", "\x1b[1;3B"sv, "no action"},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv, "no action"},
    {"Alt+Shift+Down", "\x1b[1;4B"sv, "no action"},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv, "no action"},
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[1;2C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[1;5C"sv, "command 24"},
    {"Alt+Right", "\x1b[1;3C"sv, "no action"},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv, "command 24"},
    {"Alt+Shift+Right", "\x1b[1;4C"sv, "no action"},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv, "no action"},
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[1;2D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[1;5D"sv, "command 22"},
    {"Alt+Left", "\x1b[1;3D"sv, "no action"},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv, "command 22"},
    {"Alt+Shift+Left", "\x1b[1;4D"sv, "no action"},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv, "no action"},
    {"Home", "\x1b[H"sv, "no action"},
    {"Shift+Home", "\x1b[1;2H"sv, "no action"},
    {"Ctrl+Home", "\x1b[1;5H"sv, "no action"},
    {"Alt+Home", "\x1b[1;3H"sv, "no action"},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv, "no action"},
    {"Alt+Shift+Home", "\x1b[1;4H"sv, "no action"},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv, "no action"},
    {"End", "\x1b[F"sv, "no action"},
    {"Shift+End", "\x1b[1;2F"sv, "no action"},
    {"Ctrl+End", "\x1b[1;5F"sv, "no action"},
    {"Alt+End", "\x1b[1;3F"sv, "no action"},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv, "no action"},
    {"Alt+Shift+End", "\x1b[1;4F"sv, "no action"},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv, "no action"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", ""sv, "no action", "nothing"},  // xterm pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv, "no action"},
    {"Alt+Insert", "\x1b[2;3~"sv, "no action"},
    {"Ctrl+Shift+Insert", ""sv, "no action", "nothing"},  // xterm pastes
    {"Alt+Shift+Insert", ""sv, "no action", "nothing"},   // xterm pastes
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv, "no action"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3;2~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3;5~"sv, "no action"},
    {"Alt+Delete", "\x1b[3;3~"sv, "no action"},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv, "no action"},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv, "no action"},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv, "no action"},
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv, "no action"},
    {"Alt+PageUp", "\x1b[5;3~"sv, "no action"},
    {"Ctrl+Shift+PageUp", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Alt+Shift+PageUp", ""sv, "no action", "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv, "no action"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv, "no action"},
    {"Alt+PageDown", "\x1b[6;3~"sv, "no action"},
    {"Ctrl+Shift+PageDown", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Alt+Shift+PageDown", ""sv, "no action", "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv, "no action"},
    {"F1", "\x1bOP"sv, "no action"},
    {"Shift+F1", "\x1b[1;2P"sv, "no action"},
    {"Ctrl+F1", "\x1b[1;5P"sv, "no action"},
    {"Alt+F1", "\x1b[1;3P"sv, "no action"},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv, "no action"},
    {"Alt+Shift+F1", "\x1b[1;4P"sv, "no action"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv, "command 25"},
    {"Shift+F2", "\x1b[1;2Q"sv, "no action"},
    {"Ctrl+F2", "\x1b[1;5Q"sv, "no action"},
    {"Alt+F2", "\x1b[1;3Q"sv, "command 21"},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv, "no action"},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv, "command 21"},
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv, "no action"},
    {"Shift+F3", "\x1b[1;2R"sv, "no action"},
    {"Ctrl+F3", "\x1b[1;5R"sv, "no action"},
    {"Alt+F3", "\x1b[1;3R"sv, "command 28"},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv, "no action"},
    {"Alt+Shift+F3", "\x1b[1;4R"sv, "command 28"},
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv, "command 19"},
    {"Shift+F4", "\x1b[1;2S"sv, "no action"},
    {"Ctrl+F4", "\x1b[1;5S"sv, "command 15"},
    {"Alt+F4", "\x1b[1;3S"sv, "command 29"},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv, "command 15"},
    {"Alt+Shift+F4", "\x1b[1;4S"sv, "command 29"},
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[15;2~"sv, "no action"},
    {"Ctrl+F5", "\x1b[15;5~"sv, "command 20"},
    {"Alt+F5", "\x1b[15;3~"sv, "command 30"},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv, "command 20"},
    {"Alt+Shift+F5", "\x1b[15;4~"sv, "command 30"},
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[17;2~"sv, "no action"},
    {"Ctrl+F6", "\x1b[17;5~"sv, "command 17"},
    {"Alt+F6", "\x1b[17;3~"sv, "command 31"},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv, "command 17"},
    {"Alt+Shift+F6", "\x1b[17;4~"sv, "command 31"},
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[18;2~"sv, "no action"},
    {"Ctrl+F7", "\x1b[18;5~"sv, "command 27"},
    {"Alt+F7", "\x1b[18;3~"sv, "no action"},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv, "command 27"},
    {"Alt+Shift+F7", "\x1b[18;4~"sv, "no action"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[19;2~"sv, "no action"},
    {"Ctrl+F8", "\x1b[19;5~"sv, "command 18"},
    {"Alt+F8", "\x1b[19;3~"sv, "no action"},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv, "command 18"},
    {"Alt+Shift+F8", "\x1b[19;4~"sv, "no action"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[20;2~"sv, "no action"},
    {"Ctrl+F9", "\x1b[20;5~"sv, "command 32"},
    {"Alt+F9", "\x1b[20;3~"sv, "no action"},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv, "command 32"},
    {"Alt+Shift+F9", "\x1b[20;4~"sv, "no action"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[21;2~"sv, "no action"},
    {"Ctrl+F10", "\x1b[21;5~"sv, "command 23"},
    {"Alt+F10", "\x1b[21;3~"sv, "no action"},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv, "command 23"},
    {"Alt+Shift+F10", "\x1b[21;4~"sv, "no action"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23;2~"sv, "no action"},
    {"Ctrl+F11", "\x1b[23;5~"sv, "no action"},
    {"Alt+F11", "\x1b[23;3~"sv, "no action"},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv, "no action"},
    {"Alt+Shift+F11", "\x1b[23;4~"sv, "no action"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24;2~"sv, "no action"},
    {"Ctrl+F12", "\x1b[24;5~"sv, "no action"},
    {"Alt+F12", "\x1b[24;3~"sv, "no action"},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv, "no action"},
    {"Alt+Shift+F12", "\x1b[24;4~"sv, "no action"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\xc3\x90"sv, "no action",
     "non-ASCII character"},  // 8-bit: U+00D0; with metaSendsEscape ESC P; key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "no action",
     "non-ASCII character"},  // 8-bit: U+00F3; XTerm*metaSendsEscape: true sends ESC s; key table:
                              // command 22
};

// xterm 379 in its VT220 keyboard mode (xterm -kt vt220), recorded the same
// way. A VT220 keyboard has no modifiers: the arrows, editing keys and
// F1..F6 send their plain sequences whatever is held (so Ctrl and Alt with
// Delete quit, and Ctrl+arrows drive as the plain arrows), and Ctrl+F1..F12
// send the numbers of F11..F22 (23..34, 42, 43), which xterm's default mode
// and rxvt give to other keys: padlink leaves 25..34 unnamed.
const Row kXtermVt220[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[A"sv, "command 11", "Up"},        // key table: command 10
    {"Alt+Up", "\x1b[A"sv, "command 11", "Up"},         // key table: no action
    {"Ctrl+Shift+Up", "\x1b[A"sv, "command 11", "Up"},  // key table: command 10
    {"Alt+Shift+Up", "\x1b[A"sv, "command 11", "Up"},   // key table: no action
    {"Ctrl+Alt+Up", "\x1b[A"sv, "command 11", "Up"},    // key table: no action
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[B"sv, "command 12", "Down"},        // key table: no action
    {"Alt+Down", "\x1b[B"sv, "command 12", "Down"},         // key table: no action
    {"Ctrl+Shift+Down", "\x1b[B"sv, "command 12", "Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b[B"sv, "command 12", "Down"},   // key table: no action
    {"Ctrl+Alt+Down", "\x1b[B"sv, "command 12", "Down"},    // key table: no action
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[C"sv, "command 13", "Right"},        // key table: command 24
    {"Alt+Right", "\x1b[C"sv, "command 13", "Right"},         // key table: no action
    {"Ctrl+Shift+Right", "\x1b[C"sv, "command 13", "Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b[C"sv, "command 13", "Right"},   // key table: no action
    {"Ctrl+Alt+Right", "\x1b[C"sv, "command 13", "Right"},    // key table: no action
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[D"sv, "command 14", "Left"},        // key table: command 22
    {"Alt+Left", "\x1b[D"sv, "command 14", "Left"},         // key table: no action
    {"Ctrl+Shift+Left", "\x1b[D"sv, "command 14", "Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b[D"sv, "command 14", "Left"},   // key table: no action
    {"Ctrl+Alt+Left", "\x1b[D"sv, "command 14", "Left"},    // key table: no action
    {"Home", "\x1b[1~"sv, "no action"},
    {"Shift+Home", "\x1b[1~"sv, "no action"},
    {"Ctrl+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Alt+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Ctrl+Shift+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Alt+Shift+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Ctrl+Alt+Home", "\x1b[1~"sv, "no action", "Home"},
    {"End", "\x1b[4~"sv, "no action"},
    {"Shift+End", "\x1b[4~"sv, "no action"},
    {"Ctrl+End", "\x1b[4~"sv, "no action", "End"},
    {"Alt+End", "\x1b[4~"sv, "no action", "End"},
    {"Ctrl+Shift+End", "\x1b[4~"sv, "no action", "End"},
    {"Alt+Shift+End", "\x1b[4~"sv, "no action", "End"},
    {"Ctrl+Alt+End", "\x1b[4~"sv, "no action", "End"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", ""sv, "no action", "nothing"},
    {"Ctrl+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Alt+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Ctrl+Shift+Insert", ""sv, "no action", "nothing"},
    {"Alt+Shift+Insert", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3~"sv, "quits", "Delete"},  // no modifiers: Delete; key table: no action
    {"Alt+Delete", "\x1b[3~"sv, "quits", "Delete"},   // key table: no action
    {"Ctrl+Shift+Delete", "\x1b[3~"sv, "quits", "Delete"},  // key table: no action
    {"Alt+Shift+Delete", "\x1b[3~"sv, "quits", "Delete"},   // key table: no action
    {"Ctrl+Alt+Delete", "\x1b[3~"sv, "quits", "Delete"},    // key table: no action
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", ""sv, "no action", "nothing"},
    {"Ctrl+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Alt+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Ctrl+Shift+PageUp", ""sv, "no action", "nothing"},
    {"Alt+Shift+PageUp", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", ""sv, "no action", "nothing"},
    {"Ctrl+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Alt+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Ctrl+Shift+PageDown", ""sv, "no action", "nothing"},
    {"Alt+Shift+PageDown", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"F1", "\x1bOP"sv, "no action"},
    {"Shift+F1", "\x1bOP"sv, "no action", "F1"},
    {"Ctrl+F1", "\x1b[23~"sv, "no action", "F11"},
    {"Alt+F1", "\x1bOP"sv, "no action", "F1"},
    {"Ctrl+Shift+F1", "\x1b[23~"sv, "no action", "F11"},
    {"Alt+Shift+F1", "\x1bOP"sv, "no action", "F1"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv, "command 25"},
    {"Shift+F2", "\x1bOQ"sv, "command 25", "F2"},  // key table: no action
    {"Ctrl+F2", "\x1b[24~"sv, "no action", "F12"},
    {"Alt+F2", "\x1bOQ"sv, "command 25", "F2"},  // key table: command 21
    {"Ctrl+Shift+F2", "\x1b[24~"sv, "no action", "F12"},
    {"Alt+Shift+F2", "\x1bOQ"sv, "command 25", "F2"},  // key table: command 21
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},     // key table: command 21
    {"F3", "\x1bOR"sv, "no action"},
    {"Shift+F3", "\x1bOR"sv, "no action", "F3"},
    {"Ctrl+F3", "\x1b[25~"sv, "no action", "nothing"},
    {"Alt+F3", "\x1bOR"sv, "no action", "F3"},  // key table: command 28
    {"Ctrl+Shift+F3", "\x1b[25~"sv, "no action", "nothing"},
    {"Alt+Shift+F3", "\x1bOR"sv, "no action", "F3"},  // key table: command 28
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},    // key table: command 28
    {"F4", "\x1bOS"sv, "command 19"},
    {"Shift+F4", "\x1bOS"sv, "command 19", "F4"},  // key table: no action
    {"Ctrl+F4", "\x1b[26~"sv, "no action",
     "nothing"},                                 // 26 ~: Shift+F4 in rxvt; key table: command 15
    {"Alt+F4", "\x1bOS"sv, "command 19", "F4"},  // key table: command 29
    {"Ctrl+Shift+F4", "\x1b[26~"sv, "no action", "nothing"},  // key table: command 15
    {"Alt+Shift+F4", "\x1bOS"sv, "command 19", "F4"},         // key table: command 29
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},            // key table: command 29
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[15~"sv, "command 16", "F5"},           // key table: no action
    {"Ctrl+F5", "\x1b[28~"sv, "no action", "nothing"},        // key table: command 20
    {"Alt+F5", "\x1b[15~"sv, "command 16", "F5"},             // key table: command 30
    {"Ctrl+Shift+F5", "\x1b[28~"sv, "no action", "nothing"},  // key table: command 20
    {"Alt+Shift+F5", "\x1b[15~"sv, "command 16", "F5"},       // key table: command 30
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},            // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[17~"sv, "no action", "F6"},
    {"Ctrl+F6", "\x1b[29~"sv, "no action", "nothing"},        // key table: command 17
    {"Alt+F6", "\x1b[17~"sv, "no action", "F6"},              // key table: command 31
    {"Ctrl+Shift+F6", "\x1b[29~"sv, "no action", "nothing"},  // key table: command 17
    {"Alt+Shift+F6", "\x1b[17~"sv, "no action", "F6"},        // key table: command 31
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},            // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[18~"sv, "no action", "F7"},
    {"Ctrl+F7", "\x1b[31~"sv, "no action", "nothing"},  // key table: command 27
    {"Alt+F7", "\x1b[18~"sv, "no action", "F7"},
    {"Ctrl+Shift+F7", "\x1b[31~"sv, "no action", "nothing"},  // key table: command 27
    {"Alt+Shift+F7", "\x1b[18~"sv, "no action", "F7"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[19~"sv, "no action", "F8"},
    {"Ctrl+F8", "\x1b[32~"sv, "no action", "nothing"},  // key table: command 18
    {"Alt+F8", "\x1b[19~"sv, "no action", "F8"},
    {"Ctrl+Shift+F8", "\x1b[32~"sv, "no action", "nothing"},  // key table: command 18
    {"Alt+Shift+F8", "\x1b[19~"sv, "no action", "F8"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[20~"sv, "no action", "F9"},
    {"Ctrl+F9", "\x1b[33~"sv, "no action", "nothing"},  // key table: command 32
    {"Alt+F9", "\x1b[20~"sv, "no action", "F9"},
    {"Ctrl+Shift+F9", "\x1b[33~"sv, "no action", "nothing"},  // key table: command 32
    {"Alt+Shift+F9", "\x1b[20~"sv, "no action", "F9"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[21~"sv, "no action", "F10"},
    {"Ctrl+F10", "\x1b[34~"sv, "no action", "nothing"},  // key table: command 23
    {"Alt+F10", "\x1b[21~"sv, "no action", "F10"},
    {"Ctrl+Shift+F10", "\x1b[34~"sv, "no action", "nothing"},  // key table: command 23
    {"Alt+Shift+F10", "\x1b[21~"sv, "no action", "F10"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23~"sv, "no action", "F11"},
    {"Ctrl+F11", "\x1b[42~"sv, "no action", "nothing"},
    {"Alt+F11", "\x1b[23~"sv, "no action", "F11"},
    {"Ctrl+Shift+F11", "\x1b[42~"sv, "no action", "nothing"},
    {"Alt+Shift+F11", "\x1b[23~"sv, "no action", "F11"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24~"sv, "no action", "F12"},
    {"Ctrl+F12", "\x1b[43~"sv, "no action", "nothing"},
    {"Alt+F12", "\x1b[24~"sv, "no action", "F12"},
    {"Ctrl+Shift+F12", "\x1b[43~"sv, "no action", "nothing"},
    {"Alt+Shift+F12", "\x1b[24~"sv, "no action", "F12"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\xc3\x90"sv, "no action", "non-ASCII character"},  // key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "no action", "non-ASCII character"},        // key table: command 22
};

// rxvt-unicode 9.30, default resources, recorded the same way (record.sh
// rxvt). Its own forms: CSI n ^ (Ctrl), $ (Shift), @ (Ctrl+Shift), ESC
// before the sequence for Alt, CSI a..d and SS3 a..d for Shift and Ctrl
// with the arrows, F11..F20 (23..34) for Shift+F1..F10.
const Row kRxvt[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[a"sv, "command 11"},
    {"Ctrl+Up", "\x1bOa"sv, "command 10"},
    {"Alt+Up", "\x1b\x1b[A"sv, "no action"},
    {"Ctrl+Shift+Up", "\x1b[a"sv, "command 11",
     "Up"},  // rxvt sends Ctrl+Shift+arrows as Shift+arrows; key table: command 10
    {"Alt+Shift+Up", "\x1b\x1b[a"sv, "no action"},
    {"Ctrl+Alt+Up", "\x1b\x1bOa"sv, "no action"},
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[b"sv, "command 12"},
    {"Ctrl+Down", "\x1bOb"sv, "no action"},
    {"Alt+Down", "\x1b\x1b[B"sv, "no action"},
    {"Ctrl+Shift+Down", "\x1b[b"sv, "command 12", "Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b\x1b[b"sv, "no action"},
    {"Ctrl+Alt+Down", "\x1b\x1bOb"sv, "no action"},
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[c"sv, "command 13"},
    {"Ctrl+Right", "\x1bOc"sv, "command 24"},
    {"Alt+Right", "\x1b\x1b[C"sv, "no action"},
    {"Ctrl+Shift+Right", "\x1b[c"sv, "command 13", "Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b\x1b[c"sv, "no action"},
    {"Ctrl+Alt+Right", "\x1b\x1bOc"sv, "no action"},
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[d"sv, "command 14"},
    {"Ctrl+Left", "\x1bOd"sv, "command 22"},
    {"Alt+Left", "\x1b\x1b[D"sv, "no action"},
    {"Ctrl+Shift+Left", "\x1b[d"sv, "command 14", "Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b\x1b[d"sv, "no action"},
    {"Ctrl+Alt+Left", "\x1b\x1bOd"sv, "no action"},
    {"Home", "\x1b[7~"sv, "no action"},
    {"Shift+Home", "\x1b[7$"sv, "no action"},
    {"Ctrl+Home", "\x1b[7^"sv, "no action"},
    {"Alt+Home", "\x1b\x1b[7~"sv, "no action"},
    {"Ctrl+Shift+Home", "\x1b[7@"sv, "no action"},
    {"Alt+Shift+Home", "\x1b\x1b[7$"sv, "no action"},
    {"Ctrl+Alt+Home", "\x1b\x1b[7^"sv, "no action"},
    {"End", "\x1b[8~"sv, "no action"},
    {"Shift+End", "\x1b[8$"sv, "no action"},
    {"Ctrl+End", "\x1b[8^"sv, "no action"},
    {"Alt+End", "\x1b\x1b[8~"sv, "no action"},
    {"Ctrl+Shift+End", "\x1b[8@"sv, "no action"},
    {"Alt+Shift+End", "\x1b\x1b[8$"sv, "no action"},
    {"Ctrl+Alt+End", "\x1b\x1b[8^"sv, "no action"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", ""sv, "no action", "nothing"},  // rxvt pastes
    {"Ctrl+Insert", "\x1b[2^"sv, "no action"},
    {"Alt+Insert", "\x1b\x1b[2~"sv, "no action"},
    {"Ctrl+Shift+Insert", "\x1b[2@"sv, "no action"},
    {"Alt+Shift+Insert", "\x1b\x1b[2$"sv, "no action"},
    {"Ctrl+Alt+Insert", "\x1b\x1b[2^"sv, "no action"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3$"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3^"sv, "no action"},
    {"Alt+Delete", "\x1b\x1b[3~"sv, "no action"},
    {"Ctrl+Shift+Delete", "\x1b[3@"sv, "no action"},
    {"Alt+Shift+Delete", "\x1b\x1b[3$"sv, "no action"},
    {"Ctrl+Alt+Delete", "\x1b\x1b[3^"sv, "no action"},
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", ""sv, "no action", "nothing"},  // rxvt scrolls
    {"Ctrl+PageUp", "\x1b[5^"sv, "no action"},
    {"Alt+PageUp", "\x1b\x1b[5~"sv, "no action"},
    {"Ctrl+Shift+PageUp", "\x1b[5@"sv, "no action"},
    {"Alt+Shift+PageUp", "\x1b\x1b[5$"sv, "no action"},
    {"Ctrl+Alt+PageUp", "\x1b\x1b[5^"sv, "no action"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", ""sv, "no action", "nothing"},  // rxvt scrolls
    {"Ctrl+PageDown", "\x1b[6^"sv, "no action"},
    {"Alt+PageDown", "\x1b\x1b[6~"sv, "no action"},
    {"Ctrl+Shift+PageDown", "\x1b[6@"sv, "no action"},
    {"Alt+Shift+PageDown", "\x1b\x1b[6$"sv, "no action"},
    {"Ctrl+Alt+PageDown", "\x1b\x1b[6^"sv, "no action"},
    {"F1", "\x1b[11~"sv, "no action"},
    {"Shift+F1", "\x1b[23~"sv, "no action", "F11"},  // F1 and F11 share 23 in rxvt
    {"Ctrl+F1", "\x1b[11^"sv, "no action"},
    {"Alt+F1", "\x1b\x1b[11~"sv, "no action"},
    {"Ctrl+Shift+F1", "\x1b[23^"sv, "no action", "Ctrl+F11"},
    {"Alt+Shift+F1", "\x1b\x1b[23~"sv, "no action", "Alt+F11"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1b[12~"sv, "command 25"},
    {"Shift+F2", "\x1b[24~"sv, "no action", "F12"},  // F2 and F12 share 24 in rxvt
    {"Ctrl+F2", "\x1b[12^"sv, "no action"},
    {"Alt+F2", "\x1b\x1b[12~"sv, "command 21"},
    {"Ctrl+Shift+F2", "\x1b[24^"sv, "no action", "Ctrl+F12"},
    {"Alt+Shift+F2", "\x1b\x1b[24~"sv, "no action",
     "Alt+F12"},  // as Alt+F12: 24 is F2 and F12; key table: command 21
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},  // key table: command 21
    {"F3", "\x1b[13~"sv, "no action"},
    {"Shift+F3", "\x1b[25~"sv, "no action", "nothing"},  // 23..34 ~ name other keys elsewhere
    {"Ctrl+F3", "\x1b[13^"sv, "no action"},
    {"Alt+F3", "\x1b\x1b[13~"sv, "command 28"},
    {"Ctrl+Shift+F3", "\x1b[25^"sv, "no action"},
    {"Alt+Shift+F3", "\x1b\x1b[25~"sv, "command 28"},
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"F4", "\x1b[14~"sv, "command 19"},
    {"Shift+F4", "\x1b[26~"sv, "no action", "nothing"},
    {"Ctrl+F4", "\x1b[14^"sv, "command 15"},
    {"Alt+F4", "\x1b\x1b[14~"sv, "command 29"},
    {"Ctrl+Shift+F4", "\x1b[26^"sv, "command 15"},  // CSI 26 ^
    {"Alt+Shift+F4", "\x1b\x1b[26~"sv, "command 29"},
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[28~"sv, "no action", "nothing"},
    {"Ctrl+F5", "\x1b[15^"sv, "command 20"},
    {"Alt+F5", "\x1b\x1b[15~"sv, "command 30"},
    {"Ctrl+Shift+F5", "\x1b[28^"sv, "command 20"},
    {"Alt+Shift+F5", "\x1b\x1b[28~"sv, "command 30"},
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[29~"sv, "no action", "nothing"},
    {"Ctrl+F6", "\x1b[17^"sv, "command 17"},
    {"Alt+F6", "\x1b\x1b[17~"sv, "command 31"},
    {"Ctrl+Shift+F6", "\x1b[29^"sv, "command 17"},
    {"Alt+Shift+F6", "\x1b\x1b[29~"sv, "command 31"},
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[31~"sv, "no action", "nothing"},
    {"Ctrl+F7", "\x1b[18^"sv, "command 27"},
    {"Alt+F7", "\x1b\x1b[18~"sv, "no action"},
    {"Ctrl+Shift+F7", "\x1b[31^"sv, "command 27"},
    {"Alt+Shift+F7", "\x1b\x1b[31~"sv, "no action"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[32~"sv, "no action", "nothing"},
    {"Ctrl+F8", "\x1b[19^"sv, "command 18"},
    {"Alt+F8", "\x1b\x1b[19~"sv, "no action"},
    {"Ctrl+Shift+F8", "\x1b[32^"sv, "command 18"},
    {"Alt+Shift+F8", "\x1b\x1b[32~"sv, "no action"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[33~"sv, "no action", "nothing"},
    {"Ctrl+F9", "\x1b[20^"sv, "command 32"},
    {"Alt+F9", "\x1b\x1b[20~"sv, "no action"},
    {"Ctrl+Shift+F9", "\x1b[33^"sv, "command 32"},
    {"Alt+Shift+F9", "\x1b\x1b[33~"sv, "no action"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[34~"sv, "no action", "nothing"},
    {"Ctrl+F10", "\x1b[21^"sv, "command 23"},
    {"Alt+F10", "\x1b\x1b[21~"sv, "no action"},
    {"Ctrl+Shift+F10", "\x1b[34^"sv, "command 23"},
    {"Alt+Shift+F10", "\x1b\x1b[34~"sv, "no action"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23$"sv, "no action"},
    {"Ctrl+F11", "\x1b[23^"sv, "no action"},
    {"Alt+F11", "\x1b\x1b[23~"sv, "no action"},
    {"Ctrl+Shift+F11", "\x1b[23@"sv, "no action"},
    {"Alt+Shift+F11", "\x1b\x1b[23$"sv, "no action"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24$"sv, "no action"},
    {"Ctrl+F12", "\x1b[24^"sv, "no action"},
    {"Alt+F12", "\x1b\x1b[24~"sv, "no action"},
    {"Ctrl+Shift+F12", "\x1b[24@"sv, "no action"},
    {"Alt+Shift+F12", "\x1b\x1b[24$"sv, "no action"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\x1bP"sv, "command 12"},
    {"Alt+s", ""sv, "no action", "nothing"},  // rxvt-unicode's scrollback search, which takes the
                                              // next keys; key table: command 22
};

// kitty 0.26.5, default configuration (--config NONE), recorded the same way
// (record.sh kitty). Its own shortcuts, Ctrl+Shift with many keys, take
// those keys: nothing reaches the program. For the recording, the shortcuts
// of Ctrl+Shift+F1, F2, F6, F10 and F11 (which open windows or resize) were
// set to discard the key instead, which the program sees the same way.
const Row kKitty[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[1;2A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[1;5A"sv, "command 10"},
    {"Alt+Up", "\x1b[1;3A"sv, "no action"},
    {"Ctrl+Shift+Up", ""sv, "no action", "nothing"},  // kitty scrolls; key table: command 10
    {"Alt+Shift+Up", "\x1b[1;4A"sv, "no action"},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv, "no action"},
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[1;2B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[1;5B"sv, "no action"},
    {"Alt+Down", "\x1b[1;3B"sv, "no action"},
    {"Ctrl+Shift+Down", ""sv, "no action", "nothing"},  // kitty scrolls
    {"Alt+Shift+Down", "\x1b[1;4B"sv, "no action"},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv, "no action"},
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[1;2C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[1;5C"sv, "command 24"},
    {"Alt+Right", "\x1b[1;3C"sv, "no action"},
    {"Ctrl+Shift+Right", ""sv, "no action", "nothing"},  // kitty's next tab; key table: command 24
    {"Alt+Shift+Right", "\x1b[1;4C"sv, "no action"},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv, "no action"},
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[1;2D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[1;5D"sv, "command 22"},
    {"Alt+Left", "\x1b[1;3D"sv, "no action"},
    {"Ctrl+Shift+Left", ""sv, "no action",
     "nothing"},  // kitty's previous tab; key table: command 22
    {"Alt+Shift+Left", "\x1b[1;4D"sv, "no action"},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv, "no action"},
    {"Home", "\x1b[H"sv, "no action"},
    {"Shift+Home", "\x1b[1;2H"sv, "no action"},
    {"Ctrl+Home", "\x1b[1;5H"sv, "no action"},
    {"Alt+Home", "\x1b[1;3H"sv, "no action"},
    {"Ctrl+Shift+Home", ""sv, "no action", "nothing"},
    {"Alt+Shift+Home", "\x1b[1;4H"sv, "no action"},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv, "no action"},
    {"End", "\x1b[F"sv, "no action"},
    {"Shift+End", "\x1b[1;2F"sv, "no action"},
    {"Ctrl+End", "\x1b[1;5F"sv, "no action"},
    {"Alt+End", "\x1b[1;3F"sv, "no action"},
    {"Ctrl+Shift+End", ""sv, "no action", "nothing"},
    {"Alt+Shift+End", "\x1b[1;4F"sv, "no action"},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv, "no action"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", ""sv, "no action", "nothing"},  // kitty pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv, "no action"},
    {"Alt+Insert", "\x1b[2;3~"sv, "no action"},
    {"Ctrl+Shift+Insert", "\x1b[2;6~"sv, "no action"},
    {"Alt+Shift+Insert", "\x1b[2;4~"sv, "no action"},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv, "no action"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3;2~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3;5~"sv, "no action"},
    {"Alt+Delete", "\x1b[3;3~"sv, "no action"},
    {"Ctrl+Shift+Delete", ""sv, "no action", "nothing"},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv, "no action"},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv, "no action"},
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", "\x1b[5;2~"sv, "no action"},
    {"Ctrl+PageUp", "\x1b[5;5~"sv, "no action"},
    {"Alt+PageUp", "\x1b[5;3~"sv, "no action"},
    {"Ctrl+Shift+PageUp", ""sv, "no action", "nothing"},
    {"Alt+Shift+PageUp", "\x1b[5;4~"sv, "no action"},
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv, "no action"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", "\x1b[6;2~"sv, "no action"},
    {"Ctrl+PageDown", "\x1b[6;5~"sv, "no action"},
    {"Alt+PageDown", "\x1b[6;3~"sv, "no action"},
    {"Ctrl+Shift+PageDown", ""sv, "no action", "nothing"},
    {"Alt+Shift+PageDown", "\x1b[6;4~"sv, "no action"},
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv, "no action"},
    {"F1", "\x1bOP"sv, "no action"},
    {"Shift+F1", "\x1b[1;2P"sv, "no action"},
    {"Ctrl+F1", "\x1b[1;5P"sv, "no action"},
    {"Alt+F1", "\x1b[1;3P"sv, "no action"},
    {"Ctrl+Shift+F1", ""sv, "no action", "nothing"},
    {"Alt+Shift+F1", "\x1b[1;4P"sv, "no action"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv, "command 25"},
    {"Shift+F2", "\x1b[1;2Q"sv, "no action"},
    {"Ctrl+F2", "\x1b[1;5Q"sv, "no action"},
    {"Alt+F2", "\x1b[1;3Q"sv, "command 21"},
    {"Ctrl+Shift+F2", ""sv, "no action", "nothing"},  // kitty edits its configuration
    {"Alt+Shift+F2", "\x1b[1;4Q"sv, "command 21"},
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv, "no action"},
    {"Shift+F3", "\x1b[1;2R"sv, "no action"},
    {"Ctrl+F3", "\x1b[1;5R"sv, "no action"},
    {"Alt+F3", "\x1b[1;3R"sv, "command 28"},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv, "no action"},
    {"Alt+Shift+F3", "\x1b[1;4R"sv, "command 28"},
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv, "command 19"},
    {"Shift+F4", "\x1b[1;2S"sv, "no action"},
    {"Ctrl+F4", "\x1b[1;5S"sv, "command 15"},
    {"Alt+F4", "\x1b[1;3S"sv, "command 29"},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv, "command 15"},
    {"Alt+Shift+F4", "\x1b[1;4S"sv, "command 29"},
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[15;2~"sv, "no action"},
    {"Ctrl+F5", "\x1b[15;5~"sv, "command 20"},
    {"Alt+F5", "\x1b[15;3~"sv, "command 30"},
    {"Ctrl+Shift+F5", ""sv, "no action",
     "nothing"},  // kitty reloads its configuration; key table: command 20
    {"Alt+Shift+F5", "\x1b[15;4~"sv, "command 30"},
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[17;2~"sv, "no action"},
    {"Ctrl+F6", "\x1b[17;5~"sv, "command 17"},
    {"Alt+F6", "\x1b[17;3~"sv, "command 31"},
    {"Ctrl+Shift+F6", ""sv, "no action", "nothing"},  // key table: command 17
    {"Alt+Shift+F6", "\x1b[17;4~"sv, "command 31"},
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[18;2~"sv, "no action"},
    {"Ctrl+F7", "\x1b[18;5~"sv, "command 27"},
    {"Alt+F7", "\x1b[18;3~"sv, "no action"},
    {"Ctrl+Shift+F7", ""sv, "no action", "nothing"},  // key table: command 27
    {"Alt+Shift+F7", "\x1b[18;4~"sv, "no action"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[19;2~"sv, "no action"},
    {"Ctrl+F8", "\x1b[19;5~"sv, "command 18"},
    {"Alt+F8", "\x1b[19;3~"sv, "no action"},
    {"Ctrl+Shift+F8", ""sv, "no action", "nothing"},  // key table: command 18
    {"Alt+Shift+F8", "\x1b[19;4~"sv, "no action"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[20;2~"sv, "no action"},
    {"Ctrl+F9", "\x1b[20;5~"sv, "command 32"},
    {"Alt+F9", "\x1b[20;3~"sv, "no action"},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv, "command 32"},
    {"Alt+Shift+F9", "\x1b[20;4~"sv, "no action"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[21;2~"sv, "no action"},
    {"Ctrl+F10", "\x1b[21;5~"sv, "command 23"},
    {"Alt+F10", "\x1b[21;3~"sv, "no action"},
    {"Ctrl+Shift+F10", ""sv, "no action", "nothing"},  // kitty maximizes; key table: command 23
    {"Alt+Shift+F10", "\x1b[21;4~"sv, "no action"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23;2~"sv, "no action"},
    {"Ctrl+F11", "\x1b[23;5~"sv, "no action"},
    {"Alt+F11", "\x1b[23;3~"sv, "no action"},
    {"Ctrl+Shift+F11", ""sv, "no action", "nothing"},  // kitty goes full screen
    {"Alt+Shift+F11", "\x1b[23;4~"sv, "no action"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24;2~"sv, "no action"},
    {"Ctrl+F12", "\x1b[24;5~"sv, "no action"},
    {"Alt+F12", "\x1b[24;3~"sv, "no action"},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv, "no action"},
    {"Alt+Shift+F12", "\x1b[24;4~"sv, "no action"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\x1bP"sv, "command 12"},
    {"Alt+s", "\x1bs"sv, "command 22"},
};

// tmux 3.3a, default options. Recorded: tmux send-keys with each key's name
// into a pane running a byte dumper (record.sh tmux), which hands the pane
// what tmux sends for that key whatever terminal tmux itself runs in (a key
// the outer terminal cannot send cannot reach tmux either). GNU screen 4.9
// inside tmux (record.sh screen-tmux) passed every one of these on byte for
// byte.
const Row kTmux[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[1;2A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[1;5A"sv, "command 10"},
    {"Alt+Up", "\x1b[1;3A"sv, "no action"},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv, "command 10"},
    {"Alt+Shift+Up", "\x1b[1;4A"sv, "no action"},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv, "no action"},
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[1;2B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[1;5B"sv, "no action"},
    {"Alt+Down", "\x1b[1;3B"sv, "no action"},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv, "no action"},
    {"Alt+Shift+Down", "\x1b[1;4B"sv, "no action"},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv, "no action"},
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[1;2C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[1;5C"sv, "command 24"},
    {"Alt+Right", "\x1b[1;3C"sv, "no action"},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv, "command 24"},
    {"Alt+Shift+Right", "\x1b[1;4C"sv, "no action"},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv, "no action"},
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[1;2D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[1;5D"sv, "command 22"},
    {"Alt+Left", "\x1b[1;3D"sv, "no action"},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv, "command 22"},
    {"Alt+Shift+Left", "\x1b[1;4D"sv, "no action"},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv, "no action"},
    {"Home", "\x1b[1~"sv, "no action"},
    {"Shift+Home", "\x1b[1;2H"sv, "no action"},
    {"Ctrl+Home", "\x1b[1;5H"sv, "no action"},
    {"Alt+Home", "\x1b[1;3H"sv, "no action"},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv, "no action"},
    {"Alt+Shift+Home", "\x1b[1;4H"sv, "no action"},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv, "no action"},
    {"End", "\x1b[4~"sv, "no action"},
    {"Shift+End", "\x1b[1;2F"sv, "no action"},
    {"Ctrl+End", "\x1b[1;5F"sv, "no action"},
    {"Alt+End", "\x1b[1;3F"sv, "no action"},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv, "no action"},
    {"Alt+Shift+End", "\x1b[1;4F"sv, "no action"},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv, "no action"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", "\x1b[2;2~"sv, "no action"},
    {"Ctrl+Insert", "\x1b[2;5~"sv, "no action"},
    {"Alt+Insert", "\x1b[2;3~"sv, "no action"},
    {"Ctrl+Shift+Insert", "\x1b[2;6~"sv, "no action"},
    {"Alt+Shift+Insert", "\x1b[2;4~"sv, "no action"},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv, "no action"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3;2~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3;5~"sv, "no action"},
    {"Alt+Delete", "\x1b[3;3~"sv, "no action"},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv, "no action"},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv, "no action"},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv, "no action"},
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", "\x1b[5;2~"sv, "no action"},
    {"Ctrl+PageUp", "\x1b[5;5~"sv, "no action"},
    {"Alt+PageUp", "\x1b[5;3~"sv, "no action"},
    {"Ctrl+Shift+PageUp", "\x1b[5;6~"sv, "no action"},
    {"Alt+Shift+PageUp", "\x1b[5;4~"sv, "no action"},
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv, "no action"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", "\x1b[6;2~"sv, "no action"},
    {"Ctrl+PageDown", "\x1b[6;5~"sv, "no action"},
    {"Alt+PageDown", "\x1b[6;3~"sv, "no action"},
    {"Ctrl+Shift+PageDown", "\x1b[6;6~"sv, "no action"},
    {"Alt+Shift+PageDown", "\x1b[6;4~"sv, "no action"},
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv, "no action"},
    {"F1", "\x1bOP"sv, "no action"},
    {"Shift+F1", "\x1b[1;2P"sv, "no action"},
    {"Ctrl+F1", "\x1b[1;5P"sv, "no action"},
    {"Alt+F1", "\x1b[1;3P"sv, "no action"},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv, "no action"},
    {"Alt+Shift+F1", "\x1b[1;4P"sv, "no action"},
    {"Ctrl+Alt+F1", "\x1b[1;7P"sv, "no action"},
    {"F2", "\x1bOQ"sv, "command 25"},
    {"Shift+F2", "\x1b[1;2Q"sv, "no action"},
    {"Ctrl+F2", "\x1b[1;5Q"sv, "no action"},
    {"Alt+F2", "\x1b[1;3Q"sv, "command 21"},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv, "no action"},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv, "command 21"},
    {"Ctrl+Alt+F2", "\x1b[1;7Q"sv, "command 21"},
    {"F3", "\x1bOR"sv, "no action"},
    {"Shift+F3", "\x1b[1;2R"sv, "no action"},
    {"Ctrl+F3", "\x1b[1;5R"sv, "no action"},
    {"Alt+F3", "\x1b[1;3R"sv, "command 28"},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv, "no action"},
    {"Alt+Shift+F3", "\x1b[1;4R"sv, "command 28"},
    {"Ctrl+Alt+F3", "\x1b[1;7R"sv, "command 28"},
    {"F4", "\x1bOS"sv, "command 19"},
    {"Shift+F4", "\x1b[1;2S"sv, "no action"},
    {"Ctrl+F4", "\x1b[1;5S"sv, "command 15"},
    {"Alt+F4", "\x1b[1;3S"sv, "command 29"},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv, "command 15"},
    {"Alt+Shift+F4", "\x1b[1;4S"sv, "command 29"},
    {"Ctrl+Alt+F4", "\x1b[1;7S"sv, "command 29"},
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[15;2~"sv, "no action"},
    {"Ctrl+F5", "\x1b[15;5~"sv, "command 20"},
    {"Alt+F5", "\x1b[15;3~"sv, "command 30"},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv, "command 20"},
    {"Alt+Shift+F5", "\x1b[15;4~"sv, "command 30"},
    {"Ctrl+Alt+F5", "\x1b[15;7~"sv, "command 30"},
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[17;2~"sv, "no action"},
    {"Ctrl+F6", "\x1b[17;5~"sv, "command 17"},
    {"Alt+F6", "\x1b[17;3~"sv, "command 31"},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv, "command 17"},
    {"Alt+Shift+F6", "\x1b[17;4~"sv, "command 31"},
    {"Ctrl+Alt+F6", "\x1b[17;7~"sv, "command 31"},
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[18;2~"sv, "no action"},
    {"Ctrl+F7", "\x1b[18;5~"sv, "command 27"},
    {"Alt+F7", "\x1b[18;3~"sv, "no action"},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv, "command 27"},
    {"Alt+Shift+F7", "\x1b[18;4~"sv, "no action"},
    {"Ctrl+Alt+F7", "\x1b[18;7~"sv, "no action"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[19;2~"sv, "no action"},
    {"Ctrl+F8", "\x1b[19;5~"sv, "command 18"},
    {"Alt+F8", "\x1b[19;3~"sv, "no action"},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv, "command 18"},
    {"Alt+Shift+F8", "\x1b[19;4~"sv, "no action"},
    {"Ctrl+Alt+F8", "\x1b[19;7~"sv, "no action"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[20;2~"sv, "no action"},
    {"Ctrl+F9", "\x1b[20;5~"sv, "command 32"},
    {"Alt+F9", "\x1b[20;3~"sv, "no action"},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv, "command 32"},
    {"Alt+Shift+F9", "\x1b[20;4~"sv, "no action"},
    {"Ctrl+Alt+F9", "\x1b[20;7~"sv, "no action"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[21;2~"sv, "no action"},
    {"Ctrl+F10", "\x1b[21;5~"sv, "command 23"},
    {"Alt+F10", "\x1b[21;3~"sv, "no action"},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv, "command 23"},
    {"Alt+Shift+F10", "\x1b[21;4~"sv, "no action"},
    {"Ctrl+Alt+F10", "\x1b[21;7~"sv, "no action"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23;2~"sv, "no action"},
    {"Ctrl+F11", "\x1b[23;5~"sv, "no action"},
    {"Alt+F11", "\x1b[23;3~"sv, "no action"},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv, "no action"},
    {"Alt+Shift+F11", "\x1b[23;4~"sv, "no action"},
    {"Ctrl+Alt+F11", "\x1b[23;7~"sv, "no action"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24;2~"sv, "no action"},
    {"Ctrl+F12", "\x1b[24;5~"sv, "no action"},
    {"Alt+F12", "\x1b[24;3~"sv, "no action"},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv, "no action"},
    {"Alt+Shift+F12", "\x1b[24;4~"sv, "no action"},
    {"Ctrl+Alt+F12", "\x1b[24;7~"sv, "no action"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\x1bP"sv, "command 12"},
    {"Alt+s", "\x1bs"sv, "command 22"},
};

// GNU screen 4.9 inside xterm 379 (record.sh screen-xterm): xterm's bytes,
// except Home and End, which screen turns into its own ESC [1~ and ESC [4~.
// A lone Esc reaches the program only after screen's maptimeout (300 ms by
// default).
const Row kScreenInXterm[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[1;2A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[1;5A"sv, "command 10"},
    {"Alt+Up", "\x1b[1;3A"sv, "no action"},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv, "command 10"},
    {"Alt+Shift+Up", "\x1b[1;4A"sv, "no action"},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv, "no action"},
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[1;2B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[1;5B"sv, "no action"},
    {"Alt+Down", "\x1b[1;3B"sv, "no action"},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv, "no action"},
    {"Alt+Shift+Down", "\x1b[1;4B"sv, "no action"},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv, "no action"},
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[1;2C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[1;5C"sv, "command 24"},
    {"Alt+Right", "\x1b[1;3C"sv, "no action"},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv, "command 24"},
    {"Alt+Shift+Right", "\x1b[1;4C"sv, "no action"},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv, "no action"},
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[1;2D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[1;5D"sv, "command 22"},
    {"Alt+Left", "\x1b[1;3D"sv, "no action"},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv, "command 22"},
    {"Alt+Shift+Left", "\x1b[1;4D"sv, "no action"},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv, "no action"},
    {"Home", "\x1b[1~"sv, "no action"},  // screen's own Home
    {"Shift+Home", "\x1b[1;2H"sv, "no action"},
    {"Ctrl+Home", "\x1b[1;5H"sv, "no action"},
    {"Alt+Home", "\x1b[1;3H"sv, "no action"},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv, "no action"},
    {"Alt+Shift+Home", "\x1b[1;4H"sv, "no action"},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv, "no action"},
    {"End", "\x1b[4~"sv, "no action"},
    {"Shift+End", "\x1b[1;2F"sv, "no action"},
    {"Ctrl+End", "\x1b[1;5F"sv, "no action"},
    {"Alt+End", "\x1b[1;3F"sv, "no action"},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv, "no action"},
    {"Alt+Shift+End", "\x1b[1;4F"sv, "no action"},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv, "no action"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", ""sv, "no action", "nothing"},  // xterm pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv, "no action"},
    {"Alt+Insert", "\x1b[2;3~"sv, "no action"},
    {"Ctrl+Shift+Insert", ""sv, "no action", "nothing"},  // xterm pastes
    {"Alt+Shift+Insert", ""sv, "no action", "nothing"},   // xterm pastes
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv, "no action"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3;2~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3;5~"sv, "no action"},
    {"Alt+Delete", "\x1b[3;3~"sv, "no action"},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv, "no action"},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv, "no action"},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv, "no action"},
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv, "no action"},
    {"Alt+PageUp", "\x1b[5;3~"sv, "no action"},
    {"Ctrl+Shift+PageUp", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Alt+Shift+PageUp", ""sv, "no action", "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv, "no action"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv, "no action"},
    {"Alt+PageDown", "\x1b[6;3~"sv, "no action"},
    {"Ctrl+Shift+PageDown", ""sv, "no action", "nothing"},  // xterm scrolls
    {"Alt+Shift+PageDown", ""sv, "no action", "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv, "no action"},
    {"F1", "\x1bOP"sv, "no action"},
    {"Shift+F1", "\x1b[1;2P"sv, "no action"},
    {"Ctrl+F1", "\x1b[1;5P"sv, "no action"},
    {"Alt+F1", "\x1b[1;3P"sv, "no action"},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv, "no action"},
    {"Alt+Shift+F1", "\x1b[1;4P"sv, "no action"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv, "command 25"},
    {"Shift+F2", "\x1b[1;2Q"sv, "no action"},
    {"Ctrl+F2", "\x1b[1;5Q"sv, "no action"},
    {"Alt+F2", "\x1b[1;3Q"sv, "command 21"},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv, "no action"},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv, "command 21"},
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv, "no action"},
    {"Shift+F3", "\x1b[1;2R"sv, "no action"},
    {"Ctrl+F3", "\x1b[1;5R"sv, "no action"},
    {"Alt+F3", "\x1b[1;3R"sv, "command 28"},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv, "no action"},
    {"Alt+Shift+F3", "\x1b[1;4R"sv, "command 28"},
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv, "command 19"},
    {"Shift+F4", "\x1b[1;2S"sv, "no action"},
    {"Ctrl+F4", "\x1b[1;5S"sv, "command 15"},
    {"Alt+F4", "\x1b[1;3S"sv, "command 29"},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv, "command 15"},
    {"Alt+Shift+F4", "\x1b[1;4S"sv, "command 29"},
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv, "command 16"},
    {"Shift+F5", "\x1b[15;2~"sv, "no action"},
    {"Ctrl+F5", "\x1b[15;5~"sv, "command 20"},
    {"Alt+F5", "\x1b[15;3~"sv, "command 30"},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv, "command 20"},
    {"Alt+Shift+F5", "\x1b[15;4~"sv, "command 30"},
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[17;2~"sv, "no action"},
    {"Ctrl+F6", "\x1b[17;5~"sv, "command 17"},
    {"Alt+F6", "\x1b[17;3~"sv, "command 31"},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv, "command 17"},
    {"Alt+Shift+F6", "\x1b[17;4~"sv, "command 31"},
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[18;2~"sv, "no action"},
    {"Ctrl+F7", "\x1b[18;5~"sv, "command 27"},
    {"Alt+F7", "\x1b[18;3~"sv, "no action"},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv, "command 27"},
    {"Alt+Shift+F7", "\x1b[18;4~"sv, "no action"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[19;2~"sv, "no action"},
    {"Ctrl+F8", "\x1b[19;5~"sv, "command 18"},
    {"Alt+F8", "\x1b[19;3~"sv, "no action"},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv, "command 18"},
    {"Alt+Shift+F8", "\x1b[19;4~"sv, "no action"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", "\x1b[20;2~"sv, "no action"},
    {"Ctrl+F9", "\x1b[20;5~"sv, "command 32"},
    {"Alt+F9", "\x1b[20;3~"sv, "no action"},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv, "command 32"},
    {"Alt+Shift+F9", "\x1b[20;4~"sv, "no action"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", "\x1b[21;2~"sv, "no action"},
    {"Ctrl+F10", "\x1b[21;5~"sv, "command 23"},
    {"Alt+F10", "\x1b[21;3~"sv, "no action"},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv, "command 23"},
    {"Alt+Shift+F10", "\x1b[21;4~"sv, "no action"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", "\x1b[23;2~"sv, "no action"},
    {"Ctrl+F11", "\x1b[23;5~"sv, "no action"},
    {"Alt+F11", "\x1b[23;3~"sv, "no action"},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv, "no action"},
    {"Alt+Shift+F11", "\x1b[23;4~"sv, "no action"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", "\x1b[24;2~"sv, "no action"},
    {"Ctrl+F12", "\x1b[24;5~"sv, "no action"},
    {"Alt+F12", "\x1b[24;3~"sv, "no action"},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv, "no action"},
    {"Alt+Shift+F12", "\x1b[24;4~"sv, "no action"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\xc3\x90"sv, "no action",
     "non-ASCII character"},  // 8-bit: U+00D0; with metaSendsEscape ESC P; key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "no action",
     "non-ASCII character"},  // 8-bit: U+00F3; XTerm*metaSendsEscape: true sends ESC s; key table:
                              // command 22
};

// The Linux console. Not recorded (no console could be used here): derived
// from the default keymap of kbd 2.5.1 (defkeymap.kmap: the keysym of each
// key and modifier, the strings of F1..F20 and the editing keys; a key with
// no string, F21 and up, sends nothing) and the kernel's sequences for the
// cursor keys (ESC [ A..D in normal cursor mode). Modifiers leave the
// arrows and editing keys unchanged; Alt+F1..F12 and Ctrl+Alt+F1..F12
// switch consoles; Ctrl+F-keys have no strings.
const Row kLinuxConsole[] = {
    {"Up", "\x1b[A"sv, "command 11"},
    {"Shift+Up", "\x1b[A"sv, "command 11"},
    {"Ctrl+Up", "\x1b[A"sv, "command 11", "Up"},        // key table: command 10
    {"Alt+Up", "\x1b[A"sv, "command 11", "Up"},         // key table: no action
    {"Ctrl+Shift+Up", "\x1b[A"sv, "command 11", "Up"},  // key table: command 10
    {"Alt+Shift+Up", "\x1b[A"sv, "command 11", "Up"},   // key table: no action
    {"Ctrl+Alt+Up", "\x1b[A"sv, "command 11", "Up"},    // key table: no action
    {"Down", "\x1b[B"sv, "command 12"},
    {"Shift+Down", "\x1b[B"sv, "command 12"},
    {"Ctrl+Down", "\x1b[B"sv, "command 12", "Down"},        // key table: no action
    {"Alt+Down", "\x1b[B"sv, "command 12", "Down"},         // key table: no action
    {"Ctrl+Shift+Down", "\x1b[B"sv, "command 12", "Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b[B"sv, "command 12", "Down"},   // key table: no action
    {"Ctrl+Alt+Down", "\x1b[B"sv, "command 12", "Down"},    // key table: no action
    {"Right", "\x1b[C"sv, "command 13"},
    {"Shift+Right", "\x1b[C"sv, "command 13"},
    {"Ctrl+Right", "\x1b[C"sv, "command 13", "Right"},        // key table: command 24
    {"Alt+Right", ""sv, "no action", "nothing"},              // switches consoles
    {"Ctrl+Shift+Right", "\x1b[C"sv, "command 13", "Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b[C"sv, "command 13", "Right"},   // key table: no action
    {"Ctrl+Alt+Right", "\x1b[C"sv, "command 13", "Right"},    // key table: no action
    {"Left", "\x1b[D"sv, "command 14"},
    {"Shift+Left", "\x1b[D"sv, "command 14"},
    {"Ctrl+Left", "\x1b[D"sv, "command 14", "Left"},        // key table: command 22
    {"Alt+Left", ""sv, "no action", "nothing"},             // switches consoles
    {"Ctrl+Shift+Left", "\x1b[D"sv, "command 14", "Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b[D"sv, "command 14", "Left"},   // key table: no action
    {"Ctrl+Alt+Left", "\x1b[D"sv, "command 14", "Left"},    // key table: no action
    {"Home", "\x1b[1~"sv, "no action"},
    {"Shift+Home", "\x1b[1~"sv, "no action"},
    {"Ctrl+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Alt+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Ctrl+Shift+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Alt+Shift+Home", "\x1b[1~"sv, "no action", "Home"},
    {"Ctrl+Alt+Home", "\x1b[1~"sv, "no action", "Home"},
    {"End", "\x1b[4~"sv, "no action"},
    {"Shift+End", "\x1b[4~"sv, "no action"},
    {"Ctrl+End", "\x1b[4~"sv, "no action", "End"},
    {"Alt+End", "\x1b[4~"sv, "no action", "End"},
    {"Ctrl+Shift+End", "\x1b[4~"sv, "no action", "End"},
    {"Alt+Shift+End", "\x1b[4~"sv, "no action", "End"},
    {"Ctrl+Alt+End", "\x1b[4~"sv, "no action", "End"},
    {"Insert", "\x1b[2~"sv, "no action"},
    {"Shift+Insert", "\x1b[2~"sv, "no action"},
    {"Ctrl+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Alt+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Ctrl+Shift+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Alt+Shift+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Ctrl+Alt+Insert", "\x1b[2~"sv, "no action", "Insert"},
    {"Delete", "\x1b[3~"sv, "quits"},
    {"Shift+Delete", "\x1b[3~"sv, "quits"},
    {"Ctrl+Delete", "\x1b[3~"sv, "quits", "Delete"},        // key table: no action
    {"Alt+Delete", "\x1b[3~"sv, "quits", "Delete"},         // key table: no action
    {"Ctrl+Shift+Delete", "\x1b[3~"sv, "quits", "Delete"},  // key table: no action
    {"Alt+Shift+Delete", "\x1b[3~"sv, "quits", "Delete"},   // key table: no action
    {"Ctrl+Alt+Delete", ""sv, "no action", "nothing"},      // reboots the machine
    {"PageUp", "\x1b[5~"sv, "no action"},
    {"Shift+PageUp", ""sv, "no action", "nothing"},  // the console scrolls
    {"Ctrl+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Alt+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Ctrl+Shift+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Alt+Shift+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"Ctrl+Alt+PageUp", "\x1b[5~"sv, "no action", "PageUp"},
    {"PageDown", "\x1b[6~"sv, "no action"},
    {"Shift+PageDown", ""sv, "no action", "nothing"},  // the console scrolls
    {"Ctrl+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Alt+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Ctrl+Shift+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Alt+Shift+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"Ctrl+Alt+PageDown", "\x1b[6~"sv, "no action", "PageDown"},
    {"F1", "\x1b[[A"sv, "no action"},
    {"Shift+F1", "\x1b[25~"sv, "no action", "nothing"},
    {"Ctrl+F1", ""sv, "no action", "nothing"},
    {"Alt+F1", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F1", ""sv, "no action", "nothing"},
    {"Alt+Shift+F1", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F1", ""sv, "no action", "nothing"},
    {"F2", "\x1b[[B"sv, "command 25"},
    {"Shift+F2", "\x1b[26~"sv, "no action", "nothing"},
    {"Ctrl+F2", ""sv, "no action", "nothing"},
    {"Alt+F2", ""sv, "no action", "nothing"},  // switches to console 2; key table: command 21
    {"Ctrl+Shift+F2", ""sv, "no action", "nothing"},
    {"Alt+Shift+F2", ""sv, "no action", "nothing"},  // key table: command 21
    {"Ctrl+Alt+F2", ""sv, "no action", "nothing"},   // key table: command 21
    {"F3", "\x1b[[C"sv, "no action"},
    {"Shift+F3", "\x1b[28~"sv, "no action", "nothing"},
    {"Ctrl+F3", ""sv, "no action", "nothing"},
    {"Alt+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"Ctrl+Shift+F3", ""sv, "no action", "nothing"},
    {"Alt+Shift+F3", ""sv, "no action", "nothing"},  // key table: command 28
    {"Ctrl+Alt+F3", ""sv, "no action", "nothing"},   // key table: command 28
    {"F4", "\x1b[[D"sv, "command 19"},
    {"Shift+F4", "\x1b[29~"sv, "no action", "nothing"},
    {"Ctrl+F4", ""sv, "no action", "nothing"},        // F28: no string; key table: command 15
    {"Alt+F4", ""sv, "no action", "nothing"},         // key table: command 29
    {"Ctrl+Shift+F4", ""sv, "no action", "nothing"},  // key table: command 15
    {"Alt+Shift+F4", ""sv, "no action", "nothing"},   // key table: command 29
    {"Ctrl+Alt+F4", ""sv, "no action", "nothing"},    // key table: command 29
    {"F5", "\x1b[[E"sv, "command 16"},
    {"Shift+F5", "\x1b[31~"sv, "no action", "nothing"},
    {"Ctrl+F5", ""sv, "no action", "nothing"},        // key table: command 20
    {"Alt+F5", ""sv, "no action", "nothing"},         // key table: command 30
    {"Ctrl+Shift+F5", ""sv, "no action", "nothing"},  // key table: command 20
    {"Alt+Shift+F5", ""sv, "no action", "nothing"},   // key table: command 30
    {"Ctrl+Alt+F5", ""sv, "no action", "nothing"},    // key table: command 30
    {"F6", "\x1b[17~"sv, "no action"},
    {"Shift+F6", "\x1b[32~"sv, "no action", "nothing"},
    {"Ctrl+F6", ""sv, "no action", "nothing"},        // key table: command 17
    {"Alt+F6", ""sv, "no action", "nothing"},         // key table: command 31
    {"Ctrl+Shift+F6", ""sv, "no action", "nothing"},  // key table: command 17
    {"Alt+Shift+F6", ""sv, "no action", "nothing"},   // key table: command 31
    {"Ctrl+Alt+F6", ""sv, "no action", "nothing"},    // key table: command 31
    {"F7", "\x1b[18~"sv, "no action"},
    {"Shift+F7", "\x1b[33~"sv, "no action", "nothing"},
    {"Ctrl+F7", ""sv, "no action", "nothing"},  // key table: command 27
    {"Alt+F7", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F7", ""sv, "no action", "nothing"},  // key table: command 27
    {"Alt+Shift+F7", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F7", ""sv, "no action", "nothing"},
    {"F8", "\x1b[19~"sv, "no action"},
    {"Shift+F8", "\x1b[34~"sv, "no action", "nothing"},
    {"Ctrl+F8", ""sv, "no action", "nothing"},  // key table: command 18
    {"Alt+F8", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F8", ""sv, "no action", "nothing"},  // key table: command 18
    {"Alt+Shift+F8", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F8", ""sv, "no action", "nothing"},
    {"F9", "\x1b[20~"sv, "no action"},
    {"Shift+F9", ""sv, "no action", "nothing"},  // F21: no string
    {"Ctrl+F9", ""sv, "no action", "nothing"},   // key table: command 32
    {"Alt+F9", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F9", ""sv, "no action", "nothing"},  // key table: command 32
    {"Alt+Shift+F9", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F9", ""sv, "no action", "nothing"},
    {"F10", "\x1b[21~"sv, "no action"},
    {"Shift+F10", ""sv, "no action", "nothing"},
    {"Ctrl+F10", ""sv, "no action", "nothing"},  // key table: command 23
    {"Alt+F10", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F10", ""sv, "no action", "nothing"},  // key table: command 23
    {"Alt+Shift+F10", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F10", ""sv, "no action", "nothing"},
    {"F11", "\x1b[23~"sv, "no action"},
    {"Shift+F11", ""sv, "no action", "nothing"},
    {"Ctrl+F11", ""sv, "no action", "nothing"},
    {"Alt+F11", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F11", ""sv, "no action", "nothing"},
    {"Alt+Shift+F11", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F11", ""sv, "no action", "nothing"},
    {"F12", "\x1b[24~"sv, "no action"},
    {"Shift+F12", ""sv, "no action", "nothing"},
    {"Ctrl+F12", ""sv, "no action", "nothing"},
    {"Alt+F12", ""sv, "no action", "nothing"},
    {"Ctrl+Shift+F12", ""sv, "no action", "nothing"},
    {"Alt+Shift+F12", ""sv, "no action", "nothing"},
    {"Ctrl+Alt+F12", ""sv, "no action", "nothing"},
    {"Enter", "\x0d"sv, "command 26"},
    {"Esc", "\x1b"sv, "quits"},
    {"Space", " "sv, "command 26"},
    {"Ctrl+Space", "\x00"sv, "no action"},
    {"Ctrl+[", "\x1b"sv, "quits"},
    {"Ctrl+M", "\x0d"sv, "command 26"},
    {"S", "S"sv, "quits"},
    {"s", "s"sv, "command 22"},
    {"0", "0"sv, "command 10"},
    {"5", "5"sv, "command 5"},
    {"Alt+Shift+P", "\x1bP"sv, "command 12"},
    {"Alt+s", "\x1bs"sv, "command 22"},
};

struct Family {
  const char* name;
  const Row* rows;
  std::size_t count;
};

template <std::size_t N>
Family Of(const char* name, const Row (&rows)[N]) {
  return {name, rows, N};
}

const Family kFamilies[] = {
    Of("xterm", kXterm),
    Of("xterm_vt220", kXtermVt220),
    Of("rxvt_unicode", kRxvt),
    Of("kitty", kKitty),
    Of("tmux", kTmux),
    Of("screen_in_tmux", kTmux),  // recorded: the same bytes as tmux
    Of("screen_in_xterm", kScreenInXterm),
    Of("linux_console", kLinuxConsole),
};

// The codes of a key, from its name: a special key's pair of 0 and the
// extended code of its form, a character's code.
std::vector<int> CodesOf(std::string_view name) {
  if (name == "nothing") return {};
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
    if (name == SpecialKeyName(key)) return {0, ExtendedCode(key, FormOf(shift, ctrl, alt))};
  }
  if (name == "Enter") return {13};
  if (name == "Esc") return {27};
  if (name == "Space") return ctrl ? std::vector<int>{} : std::vector<int>{' '};  // Ctrl: NUL
  EXPECT_EQ(name.size(), 1u) << "unknown key name " << name;
  const int c = name[0];
  // Ctrl with a character gives its control code; Alt leaves it as it is.
  return {ctrl ? (c & 0x1F) : c};
}

std::string ActionOf(const std::vector<int>& codes) {
  if (codes.empty()) return "no action";
  const KeyMapping m = KeyMap(codes.back());
  if (m.action == KeyAction::kQuit) return "quits";
  if (m.action == KeyAction::kCommand) return "command " + std::to_string(m.command);
  return "no action";
}

// The bytes as they arrive at once, then the Esc time-out.
std::vector<int> Decode(std::string_view bytes) {
  TermDecoder d;
  DecoderReset(&d);
  for (char c : bytes)
    DecoderFeed(&d, static_cast<unsigned char>(c), 0);
  DecoderTick(&d, kEscTimeoutMs);
  std::vector<int> codes;
  while (DecoderHasCode(&d))
    codes.push_back(DecoderTake(&d));
  return codes;
}

class TerminalTableTest : public ::testing::TestWithParam<Family> {};

TEST_P(TerminalTableTest, EveryKeyGivesWhatItsRowSays) {
  const Family& f = GetParam();
  for (std::size_t i = 0; i < f.count; ++i) {
    const Row& row = f.rows[i];
    const std::vector<int> codes = Decode(row.bytes);
    if (row.arrives == "non-ASCII character") {
      EXPECT_TRUE(codes.size() == 1 && codes[0] < 0) << row.key;
    } else {
      EXPECT_EQ(codes, CodesOf(row.arrives.empty() ? row.key : row.arrives)) << row.key;
    }
    EXPECT_EQ(ActionOf(codes), row.action) << row.key;
  }
}

INSTANTIATE_TEST_SUITE_P(Terminals, TerminalTableTest, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
