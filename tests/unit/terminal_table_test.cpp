// What real terminals send for the keys of padlink's key table and the
// special keys around them, and what padlink makes of it: one table per
// terminal family, so that no change to the decoder breaks one terminal to
// please another. Each row names the key pressed, the bytes the terminal
// sends (empty: it sends nothing), and, where the terminal cannot express
// the key, the key padlink gets instead ("nothing" when it gets none). What
// a key does is the key map's (app/key_map.h); comments note where a
// terminal keeps a key of the key table from padlink. Comments say how each
// family's rows were obtained; tools/keyrec/record.sh records them again.
//
// Every special key is tried alone and with Shift, Ctrl, Alt, Ctrl+Shift,
// Alt+Shift and Ctrl+Alt; where several are held, padlink gives the Alt
// form, else the Ctrl form, else the Shift form, and the key keeps every
// modifier the terminal named. The families recorded last also have Ctrl
// with a letter and with 2, 3 and 4, and Alt with the letters some
// terminals keep.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/key_map.h"
#include "keys/term_decoder.h"
#include "tests/support/key_names.h"

namespace {

using namespace std::string_view_literals;

struct Row {
  std::string_view key;           // the key pressed, as padlink names it
  std::string_view bytes;         // what the terminal sends for it
  std::string_view arrives = {};  // the key padlink gets, when not the one pressed
};

// xterm 379, default resources, UTF-8 locale. Recorded: xterm on a virtual X
// server (Xvfb), the keys typed by xdotool as X key events (XTEST), as a
// keyboard types them, into a byte dumper (tools/keyrec/record.sh xterm).
const Row kXterm[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", "\x1b[1;2H"sv},
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv},
    {"Alt+Shift+Home", "\x1b[1;4H"sv},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[F"sv},
    {"Shift+End", "\x1b[1;2F"sv},
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv},
    {"Alt+Shift+End", "\x1b[1;4F"sv},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // xterm pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", ""sv, "nothing"},  // xterm pastes
    {"Alt+Shift+Insert", ""sv, "nothing"},   // xterm pastes
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // xterm scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // xterm scrolls
    {"Alt+Shift+PageUp", ""sv, "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // xterm scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // xterm scrolls
    {"Alt+Shift+PageDown", ""sv, "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv},
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv},
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\xc3\x90"sv,
     "non-ASCII character"},  // 8-bit: U+00D0; with metaSendsEscape ESC P; key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "non-ASCII character"},  // 8-bit: U+00F3; XTerm*metaSendsEscape: true
                                                     // sends ESC s; key table: command 22
};

// xterm 379 in its VT220 keyboard mode (xterm -kt vt220), recorded the same
// way. A VT220 keyboard has no modifiers: the arrows, editing keys and
// F1..F6 send their plain sequences whatever is held (so Ctrl and Alt with
// Delete quit, and Ctrl+arrows drive as the plain arrows), and Ctrl+F1..F12
// send the numbers of F11..F22 (23..34, 42, 43), which xterm's default mode
// and rxvt give to other keys: padlink leaves 25..34 unnamed.
const Row kXtermVt220[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[A"sv, "Up"},
    {"Ctrl+Up", "\x1b[A"sv, "Up"},        // key table: command 10
    {"Alt+Up", "\x1b[A"sv, "Up"},         // key table: no action
    {"Ctrl+Shift+Up", "\x1b[A"sv, "Up"},  // key table: command 10
    {"Alt+Shift+Up", "\x1b[A"sv, "Up"},   // key table: no action
    {"Ctrl+Alt+Up", "\x1b[A"sv, "Up"},    // key table: no action
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[B"sv, "Down"},
    {"Ctrl+Down", "\x1b[B"sv, "Down"},        // key table: no action
    {"Alt+Down", "\x1b[B"sv, "Down"},         // key table: no action
    {"Ctrl+Shift+Down", "\x1b[B"sv, "Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b[B"sv, "Down"},   // key table: no action
    {"Ctrl+Alt+Down", "\x1b[B"sv, "Down"},    // key table: no action
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[C"sv, "Right"},
    {"Ctrl+Right", "\x1b[C"sv, "Right"},        // key table: command 24
    {"Alt+Right", "\x1b[C"sv, "Right"},         // key table: no action
    {"Ctrl+Shift+Right", "\x1b[C"sv, "Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b[C"sv, "Right"},   // key table: no action
    {"Ctrl+Alt+Right", "\x1b[C"sv, "Right"},    // key table: no action
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[D"sv, "Left"},
    {"Ctrl+Left", "\x1b[D"sv, "Left"},        // key table: command 22
    {"Alt+Left", "\x1b[D"sv, "Left"},         // key table: no action
    {"Ctrl+Shift+Left", "\x1b[D"sv, "Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b[D"sv, "Left"},   // key table: no action
    {"Ctrl+Alt+Left", "\x1b[D"sv, "Left"},    // key table: no action
    {"Home", "\x1b[1~"sv},
    {"Shift+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Home", "\x1b[1~"sv, "Home"},
    {"Alt+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Shift+Home", "\x1b[1~"sv, "Home"},
    {"Alt+Shift+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Alt+Home", "\x1b[1~"sv, "Home"},
    {"End", "\x1b[4~"sv},
    {"Shift+End", "\x1b[4~"sv, "End"},
    {"Ctrl+End", "\x1b[4~"sv, "End"},
    {"Alt+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Shift+End", "\x1b[4~"sv, "End"},
    {"Alt+Shift+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Alt+End", "\x1b[4~"sv, "End"},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},
    {"Ctrl+Insert", "\x1b[2~"sv, "Insert"},
    {"Alt+Insert", "\x1b[2~"sv, "Insert"},
    {"Ctrl+Shift+Insert", ""sv, "nothing"},
    {"Alt+Shift+Insert", ""sv, "nothing"},
    {"Ctrl+Alt+Insert", "\x1b[2~"sv, "Insert"},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3~"sv, "Delete"},
    {"Ctrl+Delete", "\x1b[3~"sv, "Delete"},        // no modifiers: Delete; key table: no action
    {"Alt+Delete", "\x1b[3~"sv, "Delete"},         // key table: no action
    {"Ctrl+Shift+Delete", "\x1b[3~"sv, "Delete"},  // key table: no action
    {"Alt+Shift+Delete", "\x1b[3~"sv, "Delete"},   // key table: no action
    {"Ctrl+Alt+Delete", "\x1b[3~"sv, "Delete"},    // key table: no action
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},
    {"Ctrl+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},
    {"Alt+Shift+PageUp", ""sv, "nothing"},
    {"Ctrl+Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},
    {"Ctrl+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},
    {"Alt+Shift+PageDown", ""sv, "nothing"},
    {"Ctrl+Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1bOP"sv, "F1"},
    {"Ctrl+F1", "\x1b[23~"sv, "F11"},
    {"Alt+F1", "\x1bOP"sv, "F1"},
    {"Ctrl+Shift+F1", "\x1b[23~"sv, "F11"},
    {"Alt+Shift+F1", "\x1bOP"sv, "F1"},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1bOQ"sv, "F2"},  // key table: no action
    {"Ctrl+F2", "\x1b[24~"sv, "F12"},
    {"Alt+F2", "\x1bOQ"sv, "F2"},  // key table: command 21
    {"Ctrl+Shift+F2", "\x1b[24~"sv, "F12"},
    {"Alt+Shift+F2", "\x1bOQ"sv, "F2"},  // key table: command 21
    {"Ctrl+Alt+F2", ""sv, "nothing"},    // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1bOR"sv, "F3"},
    {"Ctrl+F3", "\x1b[25~"sv, "nothing"},
    {"Alt+F3", "\x1bOR"sv, "F3"},  // key table: command 28
    {"Ctrl+Shift+F3", "\x1b[25~"sv, "nothing"},
    {"Alt+Shift+F3", "\x1bOR"sv, "F3"},  // key table: command 28
    {"Ctrl+Alt+F3", ""sv, "nothing"},    // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1bOS"sv, "F4"},              // key table: no action
    {"Ctrl+F4", "\x1b[26~"sv, "nothing"},        // 26 ~: Shift+F4 in rxvt; key table: command 15
    {"Alt+F4", "\x1bOS"sv, "F4"},                // key table: command 29
    {"Ctrl+Shift+F4", "\x1b[26~"sv, "nothing"},  // key table: command 15
    {"Alt+Shift+F4", "\x1bOS"sv, "F4"},          // key table: command 29
    {"Ctrl+Alt+F4", ""sv, "nothing"},            // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15~"sv, "F5"},            // key table: no action
    {"Ctrl+F5", "\x1b[28~"sv, "nothing"},        // key table: command 20
    {"Alt+F5", "\x1b[15~"sv, "F5"},              // key table: command 30
    {"Ctrl+Shift+F5", "\x1b[28~"sv, "nothing"},  // key table: command 20
    {"Alt+Shift+F5", "\x1b[15~"sv, "F5"},        // key table: command 30
    {"Ctrl+Alt+F5", ""sv, "nothing"},            // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17~"sv, "F6"},
    {"Ctrl+F6", "\x1b[29~"sv, "nothing"},        // key table: command 17
    {"Alt+F6", "\x1b[17~"sv, "F6"},              // key table: command 31
    {"Ctrl+Shift+F6", "\x1b[29~"sv, "nothing"},  // key table: command 17
    {"Alt+Shift+F6", "\x1b[17~"sv, "F6"},        // key table: command 31
    {"Ctrl+Alt+F6", ""sv, "nothing"},            // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18~"sv, "F7"},
    {"Ctrl+F7", "\x1b[31~"sv, "nothing"},  // key table: command 27
    {"Alt+F7", "\x1b[18~"sv, "F7"},
    {"Ctrl+Shift+F7", "\x1b[31~"sv, "nothing"},  // key table: command 27
    {"Alt+Shift+F7", "\x1b[18~"sv, "F7"},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19~"sv, "F8"},
    {"Ctrl+F8", "\x1b[32~"sv, "nothing"},  // key table: command 18
    {"Alt+F8", "\x1b[19~"sv, "F8"},
    {"Ctrl+Shift+F8", "\x1b[32~"sv, "nothing"},  // key table: command 18
    {"Alt+Shift+F8", "\x1b[19~"sv, "F8"},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20~"sv, "F9"},
    {"Ctrl+F9", "\x1b[33~"sv, "nothing"},  // key table: command 32
    {"Alt+F9", "\x1b[20~"sv, "F9"},
    {"Ctrl+Shift+F9", "\x1b[33~"sv, "nothing"},  // key table: command 32
    {"Alt+Shift+F9", "\x1b[20~"sv, "F9"},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21~"sv, "F10"},
    {"Ctrl+F10", "\x1b[34~"sv, "nothing"},  // key table: command 23
    {"Alt+F10", "\x1b[21~"sv, "F10"},
    {"Ctrl+Shift+F10", "\x1b[34~"sv, "nothing"},  // key table: command 23
    {"Alt+Shift+F10", "\x1b[21~"sv, "F10"},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23~"sv, "F11"},
    {"Ctrl+F11", "\x1b[42~"sv, "nothing"},
    {"Alt+F11", "\x1b[23~"sv, "F11"},
    {"Ctrl+Shift+F11", "\x1b[42~"sv, "nothing"},
    {"Alt+Shift+F11", "\x1b[23~"sv, "F11"},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24~"sv, "F12"},
    {"Ctrl+F12", "\x1b[43~"sv, "nothing"},
    {"Alt+F12", "\x1b[24~"sv, "F12"},
    {"Ctrl+Shift+F12", "\x1b[43~"sv, "nothing"},
    {"Alt+Shift+F12", "\x1b[24~"sv, "F12"},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\xc3\x90"sv, "non-ASCII character"},  // key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "non-ASCII character"},        // key table: command 22
};

// rxvt-unicode 9.30, default resources, recorded the same way (record.sh
// rxvt). Its own forms: CSI n ^ (Ctrl), $ (Shift), @ (Ctrl+Shift), ESC
// before the sequence for Alt, CSI a..d and SS3 a..d for Shift and Ctrl
// with the arrows, F11..F20 (23..34) for Shift+F1..F10.
const Row kRxvt[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[a"sv},
    {"Ctrl+Up", "\x1bOa"sv},
    {"Alt+Up", "\x1b\x1b[A"sv},
    {"Ctrl+Shift+Up", "\x1b[a"sv,
     "Shift+Up"},  // rxvt sends Ctrl+Shift+arrows as Shift+arrows; key table: command 10
    {"Alt+Shift+Up", "\x1b\x1b[a"sv},
    {"Ctrl+Alt+Up", "\x1b\x1bOa"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[b"sv},
    {"Ctrl+Down", "\x1bOb"sv},
    {"Alt+Down", "\x1b\x1b[B"sv},
    {"Ctrl+Shift+Down", "\x1b[b"sv, "Shift+Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b\x1b[b"sv},
    {"Ctrl+Alt+Down", "\x1b\x1bOb"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[c"sv},
    {"Ctrl+Right", "\x1bOc"sv},
    {"Alt+Right", "\x1b\x1b[C"sv},
    {"Ctrl+Shift+Right", "\x1b[c"sv, "Shift+Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b\x1b[c"sv},
    {"Ctrl+Alt+Right", "\x1b\x1bOc"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[d"sv},
    {"Ctrl+Left", "\x1bOd"sv},
    {"Alt+Left", "\x1b\x1b[D"sv},
    {"Ctrl+Shift+Left", "\x1b[d"sv, "Shift+Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b\x1b[d"sv},
    {"Ctrl+Alt+Left", "\x1b\x1bOd"sv},
    {"Home", "\x1b[7~"sv},
    {"Shift+Home", "\x1b[7$"sv},
    {"Ctrl+Home", "\x1b[7^"sv},
    {"Alt+Home", "\x1b\x1b[7~"sv},
    {"Ctrl+Shift+Home", "\x1b[7@"sv},
    {"Alt+Shift+Home", "\x1b\x1b[7$"sv},
    {"Ctrl+Alt+Home", "\x1b\x1b[7^"sv},
    {"End", "\x1b[8~"sv},
    {"Shift+End", "\x1b[8$"sv},
    {"Ctrl+End", "\x1b[8^"sv},
    {"Alt+End", "\x1b\x1b[8~"sv},
    {"Ctrl+Shift+End", "\x1b[8@"sv},
    {"Alt+Shift+End", "\x1b\x1b[8$"sv},
    {"Ctrl+Alt+End", "\x1b\x1b[8^"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // rxvt pastes
    {"Ctrl+Insert", "\x1b[2^"sv},
    {"Alt+Insert", "\x1b\x1b[2~"sv},
    {"Ctrl+Shift+Insert", "\x1b[2@"sv},
    {"Alt+Shift+Insert", "\x1b\x1b[2$"sv},
    {"Ctrl+Alt+Insert", "\x1b\x1b[2^"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3$"sv},
    {"Ctrl+Delete", "\x1b[3^"sv},
    {"Alt+Delete", "\x1b\x1b[3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3@"sv},
    {"Alt+Shift+Delete", "\x1b\x1b[3$"sv},
    {"Ctrl+Alt+Delete", "\x1b\x1b[3^"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // rxvt scrolls
    {"Ctrl+PageUp", "\x1b[5^"sv},
    {"Alt+PageUp", "\x1b\x1b[5~"sv},
    {"Ctrl+Shift+PageUp", "\x1b[5@"sv},
    {"Alt+Shift+PageUp", "\x1b\x1b[5$"sv},
    {"Ctrl+Alt+PageUp", "\x1b\x1b[5^"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // rxvt scrolls
    {"Ctrl+PageDown", "\x1b[6^"sv},
    {"Alt+PageDown", "\x1b\x1b[6~"sv},
    {"Ctrl+Shift+PageDown", "\x1b[6@"sv},
    {"Alt+Shift+PageDown", "\x1b\x1b[6$"sv},
    {"Ctrl+Alt+PageDown", "\x1b\x1b[6^"sv},
    {"F1", "\x1b[11~"sv},
    {"Shift+F1", "\x1b[23~"sv, "F11"},  // F1 and F11 share 23 in rxvt
    {"Ctrl+F1", "\x1b[11^"sv},
    {"Alt+F1", "\x1b\x1b[11~"sv},
    {"Ctrl+Shift+F1", "\x1b[23^"sv, "Ctrl+F11"},
    {"Alt+Shift+F1", "\x1b\x1b[23~"sv, "Alt+F11"},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1b[12~"sv},
    {"Shift+F2", "\x1b[24~"sv, "F12"},  // F2 and F12 share 24 in rxvt
    {"Ctrl+F2", "\x1b[12^"sv},
    {"Alt+F2", "\x1b\x1b[12~"sv},
    {"Ctrl+Shift+F2", "\x1b[24^"sv, "Ctrl+F12"},
    {"Alt+Shift+F2", "\x1b\x1b[24~"sv,
     "Alt+F12"},                       // as Alt+F12: 24 is F2 and F12; key table: command 21
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1b[13~"sv},
    {"Shift+F3", "\x1b[25~"sv, "nothing"},  // 23..34 ~ name other keys elsewhere
    {"Ctrl+F3", "\x1b[13^"sv},
    {"Alt+F3", "\x1b\x1b[13~"sv},
    {"Ctrl+Shift+F3", "\x1b[25^"sv},
    {"Alt+Shift+F3", "\x1b\x1b[25~"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1b[14~"sv},
    {"Shift+F4", "\x1b[26~"sv, "nothing"},
    {"Ctrl+F4", "\x1b[14^"sv},
    {"Alt+F4", "\x1b\x1b[14~"sv},
    {"Ctrl+Shift+F4", "\x1b[26^"sv},  // CSI 26 ^
    {"Alt+Shift+F4", "\x1b\x1b[26~"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[28~"sv, "nothing"},
    {"Ctrl+F5", "\x1b[15^"sv},
    {"Alt+F5", "\x1b\x1b[15~"sv},
    {"Ctrl+Shift+F5", "\x1b[28^"sv},
    {"Alt+Shift+F5", "\x1b\x1b[28~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[29~"sv, "nothing"},
    {"Ctrl+F6", "\x1b[17^"sv},
    {"Alt+F6", "\x1b\x1b[17~"sv},
    {"Ctrl+Shift+F6", "\x1b[29^"sv},
    {"Alt+Shift+F6", "\x1b\x1b[29~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[31~"sv, "nothing"},
    {"Ctrl+F7", "\x1b[18^"sv},
    {"Alt+F7", "\x1b\x1b[18~"sv},
    {"Ctrl+Shift+F7", "\x1b[31^"sv},
    {"Alt+Shift+F7", "\x1b\x1b[31~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[32~"sv, "nothing"},
    {"Ctrl+F8", "\x1b[19^"sv},
    {"Alt+F8", "\x1b\x1b[19~"sv},
    {"Ctrl+Shift+F8", "\x1b[32^"sv},
    {"Alt+Shift+F8", "\x1b\x1b[32~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[33~"sv, "nothing"},
    {"Ctrl+F9", "\x1b[20^"sv},
    {"Alt+F9", "\x1b\x1b[20~"sv},
    {"Ctrl+Shift+F9", "\x1b[33^"sv},
    {"Alt+Shift+F9", "\x1b\x1b[33~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[34~"sv, "nothing"},
    {"Ctrl+F10", "\x1b[21^"sv},
    {"Alt+F10", "\x1b\x1b[21~"sv},
    {"Ctrl+Shift+F10", "\x1b[34^"sv},
    {"Alt+Shift+F10", "\x1b\x1b[34~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23$"sv},
    {"Ctrl+F11", "\x1b[23^"sv},
    {"Alt+F11", "\x1b\x1b[23~"sv},
    {"Ctrl+Shift+F11", "\x1b[23@"sv},
    {"Alt+Shift+F11", "\x1b\x1b[23$"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24$"sv},
    {"Ctrl+F12", "\x1b[24^"sv},
    {"Alt+F12", "\x1b\x1b[24~"sv},
    {"Ctrl+Shift+F12", "\x1b[24@"sv},
    {"Alt+Shift+F12", "\x1b\x1b[24$"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Alt+s", ""sv, "nothing"},  // rxvt-unicode's scrollback search, which takes the
                                 // next keys; key table: command 22
};

// kitty 0.26.5, default configuration (--config NONE), recorded the same way
// (record.sh kitty). Its own shortcuts, Ctrl+Shift with many keys, take
// those keys: nothing reaches the program. Two of them keep every key
// after them: Ctrl+Shift+F2 opens kitty's configuration in an editor and
// Ctrl+Shift+F6 shows it in a pager (the recording starts a new kitty
// after each).
const Row kKitty[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", ""sv, "nothing"},  // kitty scrolls; key table: command 10
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", ""sv, "nothing"},  // kitty scrolls
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", ""sv, "nothing"},  // kitty's next tab; key table: command 24
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", ""sv, "nothing"},  // kitty's previous tab; key table: command 22
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", "\x1b[1;2H"sv},
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", ""sv, "nothing"},  // kitty keeps it
    {"Alt+Shift+Home", "\x1b[1;4H"sv},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[F"sv},
    {"Shift+End", "\x1b[1;2F"sv},
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", ""sv, "nothing"},  // kitty keeps it
    {"Alt+Shift+End", "\x1b[1;4F"sv},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // kitty pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", "\x1b[2;6~"sv},
    {"Alt+Shift+Insert", "\x1b[2;4~"sv},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", ""sv, "nothing"},  // kitty keeps it
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", "\x1b[5;2~"sv},
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // kitty keeps it
    {"Alt+Shift+PageUp", "\x1b[5;4~"sv},
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", "\x1b[6;2~"sv},
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // kitty keeps it
    {"Alt+Shift+PageDown", "\x1b[6;4~"sv},
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", ""sv, "nothing"},  // kitty opens its documentation
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", ""sv, "nothing"},  // kitty edits its configuration: takes later keys
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", ""sv, "nothing"},  // kitty reloads its configuration; key table: command 20
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", ""sv, "nothing"},  // kitty's pager: takes later keys; key table: command 17
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", ""sv, "nothing"},  // kitty keeps it; key table: command 27
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", ""sv, "nothing"},  // kitty keeps it; key table: command 18
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", ""sv, "nothing"},  // kitty maximizes; key table: command 23
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", ""sv, "nothing"},  // kitty goes full screen
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Ctrl+a", "\x01"sv},
    {"Ctrl+2", "\x00"sv, "nothing"},  // a NUL, as Ctrl+Space
    {"Ctrl+3", "\x1b"sv, "Esc"},      // the byte of Esc: quits
    {"Ctrl+4", "\x1c"sv, "Ctrl+\\"},  // SIGQUIT in padlink's terminal
    {"Alt+a", "\x1b\x61"sv},
    {"Alt+e", "\x1b\x65"sv},
    {"Alt+f", "\x1b\x66"sv},
    {"Alt+t", "\x1bt"sv},
    {"Alt+r", "\x1br"sv},
    {"Alt+s", "\x1bs"sv},
};

// alacritty 0.11.0, default configuration (no configuration file), recorded
// the same way (record.sh alacritty). It sends every key of the key table;
// Shift with Home, End, Page Up and Page Down scrolls, Shift+Insert pastes.
const Row kAlacritty[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", ""sv, "nothing"},  // alacritty scrolls
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv},
    {"Alt+Shift+Home", "\x1b[1;4H"sv},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[F"sv},
    {"Shift+End", ""sv, "nothing"},  // alacritty scrolls
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv},
    {"Alt+Shift+End", "\x1b[1;4F"sv},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // alacritty pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", "\x1b[2;6~"sv},
    {"Alt+Shift+Insert", "\x1b[2;4~"sv},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // alacritty scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", "\x1b[5;6~"sv},
    {"Alt+Shift+PageUp", "\x1b[5;4~"sv},
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // alacritty scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", "\x1b[6;6~"sv},
    {"Alt+Shift+PageDown", "\x1b[6;4~"sv},
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv},
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv},
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Ctrl+a", "\x01"sv},
    {"Ctrl+2", "\x00"sv, "nothing"},  // a NUL, as Ctrl+Space
    {"Ctrl+3", "\x1b"sv, "Esc"},      // the byte of Esc: quits
    {"Ctrl+4", "\x1c"sv, "Ctrl+\\"},  // SIGQUIT in padlink's terminal
    {"Alt+a", "\x1b\x61"sv},
    {"Alt+e", "\x1b\x65"sv},
    {"Alt+f", "\x1b\x66"sv},
    {"Alt+t", "\x1bt"sv},
    {"Alt+r", "\x1br"sv},
    {"Alt+s", "\x1bs"sv},
};

// xfce4-terminal 1.0.4 on VTE 0.70.6 (the engine of GNOME Terminal, whose
// shortcuts differ), default configuration, recorded the same way
// (record.sh vte). Alt with a, e, f and t opens its menus, F1 its help, F10
// and Shift+F10 menus; each of them takes the keys that follow (the
// recording starts a new terminal after them).
const Row kVte[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", ""sv, "nothing"},  // xfce4-terminal scrolls; key table: command 10
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", ""sv, "nothing"},  // xfce4-terminal scrolls
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", ""sv, "nothing"},  // xfce4-terminal scrolls
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", ""sv, "nothing"},  // xfce4-terminal keeps it
    {"Alt+Shift+Home", ""sv, "nothing"},   // xfce4-terminal keeps it
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[F"sv},
    {"Shift+End", ""sv, "nothing"},  // xfce4-terminal scrolls
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", ""sv, "nothing"},  // xfce4-terminal keeps it
    {"Alt+Shift+End", ""sv, "nothing"},   // xfce4-terminal keeps it
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // xfce4-terminal pastes
    {"Ctrl+Insert", ""sv, "nothing"},   // xfce4-terminal copies
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", ""sv, "nothing"},  // xfce4-terminal keeps it
    {"Alt+Shift+Insert", ""sv, "nothing"},   // xfce4-terminal keeps it
    {"Ctrl+Alt+Insert", ""sv, "nothing"},    // xfce4-terminal keeps it
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // xfce4-terminal scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // xfce4-terminal keeps it
    {"Alt+Shift+PageUp", ""sv, "nothing"},   // xfce4-terminal keeps it
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // xfce4-terminal scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // xfce4-terminal keeps it
    {"Alt+Shift+PageDown", ""sv, "nothing"},   // xfce4-terminal keeps it
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", ""sv, "nothing"},  // opens its help: takes later keys
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv},
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", ""sv, "nothing"},        // opens its menu: takes later keys
    {"Shift+F10", ""sv, "nothing"},  // its context menu: takes later keys
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", ""sv,
     "nothing"},  // its context menu: takes later keys; key table: command 23
    {"Alt+Shift+F10", ""sv, "nothing"},  // its context menu: takes later keys
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", ""sv, "nothing"},  // xfce4-terminal goes full screen
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Ctrl+a", "\x01"sv},
    {"Ctrl+2", "\x00"sv, "nothing"},  // a NUL, as Ctrl+Space
    {"Ctrl+3", "\x1b"sv, "Esc"},      // the byte of Esc: quits
    {"Ctrl+4", "\x1c"sv, "Ctrl+\\"},  // SIGQUIT in padlink's terminal
    {"Alt+a", ""sv, "nothing"},  // opens its Tabs menu: takes later keys; key table: command 15
    {"Alt+e", ""sv, "nothing"},  // opens its Edit menu: takes later keys; key table: command 18
    {"Alt+f", ""sv, "nothing"},  // opens its File menu: takes later keys; key table: command 32
    {"Alt+t", ""sv, "nothing"},  // opens its Terminal menu: takes later keys; key table: command 24
    {"Alt+r", "\x1br"sv},
    {"Alt+s", "\x1bs"sv},
};

// konsole 22.12.3, default profile, recorded the same way (record.sh
// konsole). Shift with the arrows scrolls and switches tabs; Shift+F1 and
// Ctrl+Shift+F10 take the keys that follow (the recording starts a new
// konsole after them).
const Row kKonsole[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", ""sv, "nothing"},  // konsole scrolls; key table: command 11
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", ""sv, "nothing"},  // konsole scrolls; key table: command 12
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", ""sv, "nothing"},  // konsole's next tab; key table: command 13
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", ""sv, "nothing"},  // konsole's previous tab; key table: command 14
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", ""sv, "nothing"},  // konsole scrolls
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", ""sv, "nothing"},  // konsole keeps it
    {"Alt+Shift+Home", ""sv, "nothing"},   // konsole keeps it
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[F"sv},
    {"Shift+End", ""sv, "nothing"},  // konsole scrolls
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", ""sv, "nothing"},  // konsole keeps it
    {"Alt+Shift+End", ""sv, "nothing"},   // konsole keeps it
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // konsole pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", ""sv, "nothing"},  // konsole keeps it
    {"Alt+Shift+Insert", "\x1b[2;4~"sv},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // konsole scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // konsole keeps it
    {"Alt+Shift+PageUp", ""sv, "nothing"},   // konsole keeps it
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // konsole scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // konsole keeps it
    {"Alt+Shift+PageDown", ""sv, "nothing"},   // konsole keeps it
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", ""sv, "nothing"},  // What's This? help: takes later keys
    {"Ctrl+F1", "\x1bO5P"sv},
    {"Alt+F1", "\x1bO3P"sv},
    {"Ctrl+Shift+F1", ""sv, "nothing"},  // konsole opens a side panel
    {"Alt+Shift+F1", "\x1bO4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1bO2Q"sv},
    {"Ctrl+F2", "\x1bO5Q"sv},
    {"Alt+F2", "\x1bO3Q"sv},
    {"Ctrl+Shift+F2", ""sv, "nothing"},  // konsole opens a side panel
    {"Alt+Shift+F2", "\x1bO4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1bO2R"sv},
    {"Ctrl+F3", "\x1bO5R"sv},
    {"Alt+F3", "\x1bO3R"sv},
    {"Ctrl+Shift+F3", "\x1bO6R"sv},
    {"Alt+Shift+F3", "\x1bO4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1bO2S"sv},
    {"Ctrl+F4", "\x1bO5S"sv},
    {"Alt+F4", "\x1bO3S"sv},
    {"Ctrl+Shift+F4", "\x1bO6S"sv},
    {"Alt+Shift+F4", "\x1bO4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", ""sv, "nothing"},  // konsole takes later keys; key table: command 23
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", ""sv, "nothing"},  // konsole goes full screen
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Ctrl+a", "\x01"sv},
    {"Ctrl+2", "\x00"sv, "nothing"},  // a NUL, as Ctrl+Space
    {"Ctrl+3", "\x1b"sv, "Esc"},      // the byte of Esc: quits
    {"Ctrl+4", "\x1c"sv, "Ctrl+\\"},  // SIGQUIT in padlink's terminal
    {"Alt+a", "\x1b\x61"sv},
    {"Alt+e", "\x1b\x65"sv},
    {"Alt+f", "\x1b\x66"sv},
    {"Alt+t", "\x1bt"sv},
    {"Alt+r", "\x1br"sv},
    {"Alt+s", "\x1bs"sv},
};

// st 0.9 (Debian's stterm), default configuration, recorded the same way
// (record.sh st). Its own sequences for the editing keys (its keypad in
// numeric mode, as padlink leaves it): CSI P Delete, CSI 2 K Shift+Delete,
// CSI M Ctrl+Delete, CSI 4 h Insert, CSI L Ctrl+Insert, CSI 2 J Shift+Home,
// CSI K Shift+End, CSI J Ctrl+End; other modifiers with those keys give the
// plain key. Function keys with two modifiers send nothing.
const Row kSt[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[H"sv},
    {"Shift+Home", "\x1b[2J"sv},
    {"Ctrl+Home", "\x1b[H"sv, "Home"},
    {"Alt+Home", "\x1b[H"sv, "Home"},
    {"Ctrl+Shift+Home", ""sv, "nothing"},  // st resets the font size
    {"Alt+Shift+Home", "\x1b[H"sv, "Home"},
    {"Ctrl+Alt+Home", "\x1b[H"sv, "Home"},
    {"End", "\x1b[4~"sv},
    {"Shift+End", "\x1b[K"sv},
    {"Ctrl+End", "\x1b[J"sv},
    {"Alt+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Shift+End", "\x1b[4~"sv, "End"},
    {"Alt+Shift+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Alt+End", "\x1b[4~"sv, "End"},
    {"Insert", "\x1b[4h"sv},
    {"Shift+Insert", ""sv, "nothing"},  // st pastes
    {"Ctrl+Insert", "\x1b[L"sv},
    {"Alt+Insert", "\x1b[4h"sv, "Insert"},
    {"Ctrl+Shift+Insert", "\x1b[4h"sv, "Insert"},
    {"Alt+Shift+Insert", "\x1b[4h"sv, "Insert"},
    {"Ctrl+Alt+Insert", "\x1b[4h"sv, "Insert"},
    {"Delete", "\x1b[P"sv},
    {"Shift+Delete", "\x1b[2K"sv},
    {"Ctrl+Delete", "\x1b[M"sv},
    {"Alt+Delete", "\x1b[P"sv, "Delete"},         // quits
    {"Ctrl+Shift+Delete", "\x1b[P"sv, "Delete"},  // quits
    {"Alt+Shift+Delete", "\x1b[P"sv, "Delete"},   // quits
    {"Ctrl+Alt+Delete", "\x1b[P"sv, "Delete"},    // quits
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", "\x1b[5;2~"sv},
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // st enlarges the font
    {"Alt+Shift+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Ctrl+Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", "\x1b[6;2~"sv},
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // st shrinks the font
    {"Alt+Shift+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Ctrl+Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", ""sv, "nothing"},  // st sends nothing
    {"Alt+Shift+F1", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F1", ""sv, "nothing"},    // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", ""sv, "nothing"},  // st sends nothing
    {"Alt+Shift+F2", ""sv, "nothing"},   // st sends nothing; key table: command 21
    {"Ctrl+Alt+F2", ""sv, "nothing"},    // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", ""sv, "nothing"},  // st sends nothing
    {"Alt+Shift+F3", ""sv, "nothing"},   // st sends nothing; key table: command 28
    {"Ctrl+Alt+F3", ""sv, "nothing"},    // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", ""sv, "nothing"},  // st sends nothing; key table: command 15
    {"Alt+Shift+F4", ""sv, "nothing"},   // st sends nothing; key table: command 29
    {"Ctrl+Alt+F4", ""sv, "nothing"},    // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", ""sv, "nothing"},  // st sends nothing; key table: command 20
    {"Alt+Shift+F5", ""sv, "nothing"},   // st sends nothing; key table: command 30
    {"Ctrl+Alt+F5", ""sv, "nothing"},    // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", ""sv, "nothing"},  // st sends nothing; key table: command 17
    {"Alt+Shift+F6", ""sv, "nothing"},   // st sends nothing; key table: command 31
    {"Ctrl+Alt+F6", ""sv, "nothing"},    // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", ""sv, "nothing"},  // st sends nothing; key table: command 27
    {"Alt+Shift+F7", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", ""sv, "nothing"},  // st sends nothing; key table: command 18
    {"Alt+Shift+F8", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", ""sv, "nothing"},  // st sends nothing; key table: command 32
    {"Alt+Shift+F9", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", ""sv, "nothing"},  // st sends nothing; key table: command 23
    {"Alt+Shift+F10", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", ""sv, "nothing"},  // st sends nothing
    {"Alt+Shift+F11", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", ""sv, "nothing"},  // st sends nothing
    {"Alt+Shift+F12", ""sv, "nothing"},   // st sends nothing
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Ctrl+a", "\x01"sv},
    {"Ctrl+2", "\x00"sv, "nothing"},  // a NUL, as Ctrl+Space
    {"Ctrl+3", "\x1b"sv, "Esc"},      // the byte of Esc: quits
    {"Ctrl+4", "\x1c"sv, "Ctrl+\\"},  // SIGQUIT in padlink's terminal
    {"Alt+a", "\x1b\x61"sv},
    {"Alt+e", "\x1b\x65"sv},
    {"Alt+f", "\x1b\x66"sv},
    {"Alt+t", "\x1bt"sv},
    {"Alt+r", "\x1br"sv},
    {"Alt+s", "\x1bs"sv},
};

// tmux 3.3a, default options. Recorded: tmux send-keys with each key's name
// into a pane running a byte dumper (record.sh tmux), which hands the pane
// what tmux sends for that key whatever terminal tmux itself runs in (a key
// the outer terminal cannot send cannot reach tmux either). GNU screen 4.9
// inside tmux (record.sh screen-tmux) passed every one of these on byte for
// byte.
const Row kTmux[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[1~"sv},
    {"Shift+Home", "\x1b[1;2H"sv},
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv},
    {"Alt+Shift+Home", "\x1b[1;4H"sv},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[4~"sv},
    {"Shift+End", "\x1b[1;2F"sv},
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv},
    {"Alt+Shift+End", "\x1b[1;4F"sv},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", "\x1b[2;2~"sv},
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", "\x1b[2;6~"sv},
    {"Alt+Shift+Insert", "\x1b[2;4~"sv},
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", "\x1b[5;2~"sv},
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", "\x1b[5;6~"sv},
    {"Alt+Shift+PageUp", "\x1b[5;4~"sv},
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", "\x1b[6;2~"sv},
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", "\x1b[6;6~"sv},
    {"Alt+Shift+PageDown", "\x1b[6;4~"sv},
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv},
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", "\x1b[1;7P"sv},
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", "\x1b[1;7Q"sv},
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", "\x1b[1;7R"sv},
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", "\x1b[1;7S"sv},
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", "\x1b[15;7~"sv},
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", "\x1b[17;7~"sv},
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", "\x1b[18;7~"sv},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", "\x1b[19;7~"sv},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", "\x1b[20;7~"sv},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv},
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", "\x1b[21;7~"sv},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", "\x1b[23;7~"sv},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", "\x1b[24;7~"sv},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Alt+s", "\x1bs"sv},
};

// GNU screen 4.9 inside xterm 379 (record.sh screen-xterm): xterm's bytes,
// except Home and End, which screen turns into its own ESC [1~ and ESC [4~.
// A lone Esc reaches the program only after screen's maptimeout (300 ms by
// default).
const Row kScreenInXterm[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[1;2A"sv},
    {"Ctrl+Up", "\x1b[1;5A"sv},
    {"Alt+Up", "\x1b[1;3A"sv},
    {"Ctrl+Shift+Up", "\x1b[1;6A"sv},
    {"Alt+Shift+Up", "\x1b[1;4A"sv},
    {"Ctrl+Alt+Up", "\x1b[1;7A"sv},
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[1;2B"sv},
    {"Ctrl+Down", "\x1b[1;5B"sv},
    {"Alt+Down", "\x1b[1;3B"sv},
    {"Ctrl+Shift+Down", "\x1b[1;6B"sv},
    {"Alt+Shift+Down", "\x1b[1;4B"sv},
    {"Ctrl+Alt+Down", "\x1b[1;7B"sv},
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[1;2C"sv},
    {"Ctrl+Right", "\x1b[1;5C"sv},
    {"Alt+Right", "\x1b[1;3C"sv},
    {"Ctrl+Shift+Right", "\x1b[1;6C"sv},
    {"Alt+Shift+Right", "\x1b[1;4C"sv},
    {"Ctrl+Alt+Right", "\x1b[1;7C"sv},
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[1;2D"sv},
    {"Ctrl+Left", "\x1b[1;5D"sv},
    {"Alt+Left", "\x1b[1;3D"sv},
    {"Ctrl+Shift+Left", "\x1b[1;6D"sv},
    {"Alt+Shift+Left", "\x1b[1;4D"sv},
    {"Ctrl+Alt+Left", "\x1b[1;7D"sv},
    {"Home", "\x1b[1~"sv},  // screen's own Home
    {"Shift+Home", "\x1b[1;2H"sv},
    {"Ctrl+Home", "\x1b[1;5H"sv},
    {"Alt+Home", "\x1b[1;3H"sv},
    {"Ctrl+Shift+Home", "\x1b[1;6H"sv},
    {"Alt+Shift+Home", "\x1b[1;4H"sv},
    {"Ctrl+Alt+Home", "\x1b[1;7H"sv},
    {"End", "\x1b[4~"sv},
    {"Shift+End", "\x1b[1;2F"sv},
    {"Ctrl+End", "\x1b[1;5F"sv},
    {"Alt+End", "\x1b[1;3F"sv},
    {"Ctrl+Shift+End", "\x1b[1;6F"sv},
    {"Alt+Shift+End", "\x1b[1;4F"sv},
    {"Ctrl+Alt+End", "\x1b[1;7F"sv},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", ""sv, "nothing"},  // xterm pastes
    {"Ctrl+Insert", "\x1b[2;5~"sv},
    {"Alt+Insert", "\x1b[2;3~"sv},
    {"Ctrl+Shift+Insert", ""sv, "nothing"},  // xterm pastes
    {"Alt+Shift+Insert", ""sv, "nothing"},   // xterm pastes
    {"Ctrl+Alt+Insert", "\x1b[2;7~"sv},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3;2~"sv},
    {"Ctrl+Delete", "\x1b[3;5~"sv},
    {"Alt+Delete", "\x1b[3;3~"sv},
    {"Ctrl+Shift+Delete", "\x1b[3;6~"sv},
    {"Alt+Shift+Delete", "\x1b[3;4~"sv},
    {"Ctrl+Alt+Delete", "\x1b[3;7~"sv},
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // xterm scrolls
    {"Ctrl+PageUp", "\x1b[5;5~"sv},
    {"Alt+PageUp", "\x1b[5;3~"sv},
    {"Ctrl+Shift+PageUp", ""sv, "nothing"},  // xterm scrolls
    {"Alt+Shift+PageUp", ""sv, "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageUp", "\x1b[5;7~"sv},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // xterm scrolls
    {"Ctrl+PageDown", "\x1b[6;5~"sv},
    {"Alt+PageDown", "\x1b[6;3~"sv},
    {"Ctrl+Shift+PageDown", ""sv, "nothing"},  // xterm scrolls
    {"Alt+Shift+PageDown", ""sv, "nothing"},   // xterm scrolls
    {"Ctrl+Alt+PageDown", "\x1b[6;7~"sv},
    {"F1", "\x1bOP"sv},
    {"Shift+F1", "\x1b[1;2P"sv},
    {"Ctrl+F1", "\x1b[1;5P"sv},
    {"Alt+F1", "\x1b[1;3P"sv},
    {"Ctrl+Shift+F1", "\x1b[1;6P"sv},
    {"Alt+Shift+F1", "\x1b[1;4P"sv},
    {"Ctrl+Alt+F1", ""sv, "nothing"},  // the X server's: switches to a text console
    {"F2", "\x1bOQ"sv},
    {"Shift+F2", "\x1b[1;2Q"sv},
    {"Ctrl+F2", "\x1b[1;5Q"sv},
    {"Alt+F2", "\x1b[1;3Q"sv},
    {"Ctrl+Shift+F2", "\x1b[1;6Q"sv},
    {"Alt+Shift+F2", "\x1b[1;4Q"sv},
    {"Ctrl+Alt+F2", ""sv, "nothing"},  // key table: command 21
    {"F3", "\x1bOR"sv},
    {"Shift+F3", "\x1b[1;2R"sv},
    {"Ctrl+F3", "\x1b[1;5R"sv},
    {"Alt+F3", "\x1b[1;3R"sv},
    {"Ctrl+Shift+F3", "\x1b[1;6R"sv},
    {"Alt+Shift+F3", "\x1b[1;4R"sv},
    {"Ctrl+Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"F4", "\x1bOS"sv},
    {"Shift+F4", "\x1b[1;2S"sv},
    {"Ctrl+F4", "\x1b[1;5S"sv},
    {"Alt+F4", "\x1b[1;3S"sv},
    {"Ctrl+Shift+F4", "\x1b[1;6S"sv},
    {"Alt+Shift+F4", "\x1b[1;4S"sv},
    {"Ctrl+Alt+F4", ""sv, "nothing"},  // key table: command 29
    {"F5", "\x1b[15~"sv},
    {"Shift+F5", "\x1b[15;2~"sv},
    {"Ctrl+F5", "\x1b[15;5~"sv},
    {"Alt+F5", "\x1b[15;3~"sv},
    {"Ctrl+Shift+F5", "\x1b[15;6~"sv},
    {"Alt+Shift+F5", "\x1b[15;4~"sv},
    {"Ctrl+Alt+F5", ""sv, "nothing"},  // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[17;2~"sv},
    {"Ctrl+F6", "\x1b[17;5~"sv},
    {"Alt+F6", "\x1b[17;3~"sv},
    {"Ctrl+Shift+F6", "\x1b[17;6~"sv},
    {"Alt+Shift+F6", "\x1b[17;4~"sv},
    {"Ctrl+Alt+F6", ""sv, "nothing"},  // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[18;2~"sv},
    {"Ctrl+F7", "\x1b[18;5~"sv},
    {"Alt+F7", "\x1b[18;3~"sv},
    {"Ctrl+Shift+F7", "\x1b[18;6~"sv},
    {"Alt+Shift+F7", "\x1b[18;4~"sv},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[19;2~"sv},
    {"Ctrl+F8", "\x1b[19;5~"sv},
    {"Alt+F8", "\x1b[19;3~"sv},
    {"Ctrl+Shift+F8", "\x1b[19;6~"sv},
    {"Alt+Shift+F8", "\x1b[19;4~"sv},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", "\x1b[20;2~"sv},
    {"Ctrl+F9", "\x1b[20;5~"sv},
    {"Alt+F9", "\x1b[20;3~"sv},
    {"Ctrl+Shift+F9", "\x1b[20;6~"sv},
    {"Alt+Shift+F9", "\x1b[20;4~"sv},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", "\x1b[21;2~"sv},
    {"Ctrl+F10", "\x1b[21;5~"sv},
    {"Alt+F10", "\x1b[21;3~"sv},
    {"Ctrl+Shift+F10", "\x1b[21;6~"sv},
    {"Alt+Shift+F10", "\x1b[21;4~"sv},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", "\x1b[23;2~"sv},
    {"Ctrl+F11", "\x1b[23;5~"sv},
    {"Alt+F11", "\x1b[23;3~"sv},
    {"Ctrl+Shift+F11", "\x1b[23;6~"sv},
    {"Alt+Shift+F11", "\x1b[23;4~"sv},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", "\x1b[24;2~"sv},
    {"Ctrl+F12", "\x1b[24;5~"sv},
    {"Alt+F12", "\x1b[24;3~"sv},
    {"Ctrl+Shift+F12", "\x1b[24;6~"sv},
    {"Alt+Shift+F12", "\x1b[24;4~"sv},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\xc3\x90"sv,
     "non-ASCII character"},  // 8-bit: U+00D0; with metaSendsEscape ESC P; key table: command 12
    {"Alt+s", "\xc3\xb3"sv, "non-ASCII character"},  // 8-bit: U+00F3; XTerm*metaSendsEscape: true
                                                     // sends ESC s; key table: command 22
};

// The Linux console. Not recorded (no console could be used here): derived
// from the default keymap of kbd 2.5.1 (defkeymap.kmap: the keysym of each
// key and modifier, the strings of F1..F20 and the editing keys; a key with
// no string, F21 and up, sends nothing) and the kernel's sequences for the
// cursor keys (ESC [ A..D in normal cursor mode). Modifiers leave the
// arrows and editing keys unchanged; Alt+F1..F12 and Ctrl+Alt+F1..F12
// switch consoles; Ctrl+F-keys have no strings.
const Row kLinuxConsole[] = {
    {"Up", "\x1b[A"sv},
    {"Shift+Up", "\x1b[A"sv, "Up"},
    {"Ctrl+Up", "\x1b[A"sv, "Up"},        // key table: command 10
    {"Alt+Up", "\x1b[A"sv, "Up"},         // key table: no action
    {"Ctrl+Shift+Up", "\x1b[A"sv, "Up"},  // key table: command 10
    {"Alt+Shift+Up", "\x1b[A"sv, "Up"},   // key table: no action
    {"Ctrl+Alt+Up", "\x1b[A"sv, "Up"},    // key table: no action
    {"Down", "\x1b[B"sv},
    {"Shift+Down", "\x1b[B"sv, "Down"},
    {"Ctrl+Down", "\x1b[B"sv, "Down"},        // key table: no action
    {"Alt+Down", "\x1b[B"sv, "Down"},         // key table: no action
    {"Ctrl+Shift+Down", "\x1b[B"sv, "Down"},  // key table: no action
    {"Alt+Shift+Down", "\x1b[B"sv, "Down"},   // key table: no action
    {"Ctrl+Alt+Down", "\x1b[B"sv, "Down"},    // key table: no action
    {"Right", "\x1b[C"sv},
    {"Shift+Right", "\x1b[C"sv, "Right"},
    {"Ctrl+Right", "\x1b[C"sv, "Right"},        // key table: command 24
    {"Alt+Right", ""sv, "nothing"},             // switches consoles
    {"Ctrl+Shift+Right", "\x1b[C"sv, "Right"},  // key table: command 24
    {"Alt+Shift+Right", "\x1b[C"sv, "Right"},   // key table: no action
    {"Ctrl+Alt+Right", "\x1b[C"sv, "Right"},    // key table: no action
    {"Left", "\x1b[D"sv},
    {"Shift+Left", "\x1b[D"sv, "Left"},
    {"Ctrl+Left", "\x1b[D"sv, "Left"},        // key table: command 22
    {"Alt+Left", ""sv, "nothing"},            // switches consoles
    {"Ctrl+Shift+Left", "\x1b[D"sv, "Left"},  // key table: command 22
    {"Alt+Shift+Left", "\x1b[D"sv, "Left"},   // key table: no action
    {"Ctrl+Alt+Left", "\x1b[D"sv, "Left"},    // key table: no action
    {"Home", "\x1b[1~"sv},
    {"Shift+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Home", "\x1b[1~"sv, "Home"},
    {"Alt+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Shift+Home", "\x1b[1~"sv, "Home"},
    {"Alt+Shift+Home", "\x1b[1~"sv, "Home"},
    {"Ctrl+Alt+Home", "\x1b[1~"sv, "Home"},
    {"End", "\x1b[4~"sv},
    {"Shift+End", "\x1b[4~"sv, "End"},
    {"Ctrl+End", "\x1b[4~"sv, "End"},
    {"Alt+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Shift+End", "\x1b[4~"sv, "End"},
    {"Alt+Shift+End", "\x1b[4~"sv, "End"},
    {"Ctrl+Alt+End", "\x1b[4~"sv, "End"},
    {"Insert", "\x1b[2~"sv},
    {"Shift+Insert", "\x1b[2~"sv, "Insert"},
    {"Ctrl+Insert", "\x1b[2~"sv, "Insert"},
    {"Alt+Insert", "\x1b[2~"sv, "Insert"},
    {"Ctrl+Shift+Insert", "\x1b[2~"sv, "Insert"},
    {"Alt+Shift+Insert", "\x1b[2~"sv, "Insert"},
    {"Ctrl+Alt+Insert", "\x1b[2~"sv, "Insert"},
    {"Delete", "\x1b[3~"sv},
    {"Shift+Delete", "\x1b[3~"sv, "Delete"},
    {"Ctrl+Delete", "\x1b[3~"sv, "Delete"},        // key table: no action
    {"Alt+Delete", "\x1b[3~"sv, "Delete"},         // key table: no action
    {"Ctrl+Shift+Delete", "\x1b[3~"sv, "Delete"},  // key table: no action
    {"Alt+Shift+Delete", "\x1b[3~"sv, "Delete"},   // key table: no action
    {"Ctrl+Alt+Delete", ""sv, "nothing"},          // reboots the machine
    {"PageUp", "\x1b[5~"sv},
    {"Shift+PageUp", ""sv, "nothing"},  // the console scrolls
    {"Ctrl+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Ctrl+Shift+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Alt+Shift+PageUp", "\x1b[5~"sv, "PageUp"},
    {"Ctrl+Alt+PageUp", "\x1b[5~"sv, "PageUp"},
    {"PageDown", "\x1b[6~"sv},
    {"Shift+PageDown", ""sv, "nothing"},  // the console scrolls
    {"Ctrl+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Ctrl+Shift+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Alt+Shift+PageDown", "\x1b[6~"sv, "PageDown"},
    {"Ctrl+Alt+PageDown", "\x1b[6~"sv, "PageDown"},
    {"F1", "\x1b[[A"sv},
    {"Shift+F1", "\x1b[25~"sv, "nothing"},
    {"Ctrl+F1", ""sv, "nothing"},
    {"Alt+F1", ""sv, "nothing"},
    {"Ctrl+Shift+F1", ""sv, "nothing"},
    {"Alt+Shift+F1", ""sv, "nothing"},
    {"Ctrl+Alt+F1", ""sv, "nothing"},
    {"F2", "\x1b[[B"sv},
    {"Shift+F2", "\x1b[26~"sv, "nothing"},
    {"Ctrl+F2", ""sv, "nothing"},
    {"Alt+F2", ""sv, "nothing"},  // switches to console 2; key table: command 21
    {"Ctrl+Shift+F2", ""sv, "nothing"},
    {"Alt+Shift+F2", ""sv, "nothing"},  // key table: command 21
    {"Ctrl+Alt+F2", ""sv, "nothing"},   // key table: command 21
    {"F3", "\x1b[[C"sv},
    {"Shift+F3", "\x1b[28~"sv, "nothing"},
    {"Ctrl+F3", ""sv, "nothing"},
    {"Alt+F3", ""sv, "nothing"},  // key table: command 28
    {"Ctrl+Shift+F3", ""sv, "nothing"},
    {"Alt+Shift+F3", ""sv, "nothing"},  // key table: command 28
    {"Ctrl+Alt+F3", ""sv, "nothing"},   // key table: command 28
    {"F4", "\x1b[[D"sv},
    {"Shift+F4", "\x1b[29~"sv, "nothing"},
    {"Ctrl+F4", ""sv, "nothing"},        // F28: no string; key table: command 15
    {"Alt+F4", ""sv, "nothing"},         // key table: command 29
    {"Ctrl+Shift+F4", ""sv, "nothing"},  // key table: command 15
    {"Alt+Shift+F4", ""sv, "nothing"},   // key table: command 29
    {"Ctrl+Alt+F4", ""sv, "nothing"},    // key table: command 29
    {"F5", "\x1b[[E"sv},
    {"Shift+F5", "\x1b[31~"sv, "nothing"},
    {"Ctrl+F5", ""sv, "nothing"},        // key table: command 20
    {"Alt+F5", ""sv, "nothing"},         // key table: command 30
    {"Ctrl+Shift+F5", ""sv, "nothing"},  // key table: command 20
    {"Alt+Shift+F5", ""sv, "nothing"},   // key table: command 30
    {"Ctrl+Alt+F5", ""sv, "nothing"},    // key table: command 30
    {"F6", "\x1b[17~"sv},
    {"Shift+F6", "\x1b[32~"sv, "nothing"},
    {"Ctrl+F6", ""sv, "nothing"},        // key table: command 17
    {"Alt+F6", ""sv, "nothing"},         // key table: command 31
    {"Ctrl+Shift+F6", ""sv, "nothing"},  // key table: command 17
    {"Alt+Shift+F6", ""sv, "nothing"},   // key table: command 31
    {"Ctrl+Alt+F6", ""sv, "nothing"},    // key table: command 31
    {"F7", "\x1b[18~"sv},
    {"Shift+F7", "\x1b[33~"sv, "nothing"},
    {"Ctrl+F7", ""sv, "nothing"},  // key table: command 27
    {"Alt+F7", ""sv, "nothing"},
    {"Ctrl+Shift+F7", ""sv, "nothing"},  // key table: command 27
    {"Alt+Shift+F7", ""sv, "nothing"},
    {"Ctrl+Alt+F7", ""sv, "nothing"},
    {"F8", "\x1b[19~"sv},
    {"Shift+F8", "\x1b[34~"sv, "nothing"},
    {"Ctrl+F8", ""sv, "nothing"},  // key table: command 18
    {"Alt+F8", ""sv, "nothing"},
    {"Ctrl+Shift+F8", ""sv, "nothing"},  // key table: command 18
    {"Alt+Shift+F8", ""sv, "nothing"},
    {"Ctrl+Alt+F8", ""sv, "nothing"},
    {"F9", "\x1b[20~"sv},
    {"Shift+F9", ""sv, "nothing"},  // F21: no string
    {"Ctrl+F9", ""sv, "nothing"},   // key table: command 32
    {"Alt+F9", ""sv, "nothing"},
    {"Ctrl+Shift+F9", ""sv, "nothing"},  // key table: command 32
    {"Alt+Shift+F9", ""sv, "nothing"},
    {"Ctrl+Alt+F9", ""sv, "nothing"},
    {"F10", "\x1b[21~"sv},
    {"Shift+F10", ""sv, "nothing"},
    {"Ctrl+F10", ""sv, "nothing"},  // key table: command 23
    {"Alt+F10", ""sv, "nothing"},
    {"Ctrl+Shift+F10", ""sv, "nothing"},  // key table: command 23
    {"Alt+Shift+F10", ""sv, "nothing"},
    {"Ctrl+Alt+F10", ""sv, "nothing"},
    {"F11", "\x1b[23~"sv},
    {"Shift+F11", ""sv, "nothing"},
    {"Ctrl+F11", ""sv, "nothing"},
    {"Alt+F11", ""sv, "nothing"},
    {"Ctrl+Shift+F11", ""sv, "nothing"},
    {"Alt+Shift+F11", ""sv, "nothing"},
    {"Ctrl+Alt+F11", ""sv, "nothing"},
    {"F12", "\x1b[24~"sv},
    {"Shift+F12", ""sv, "nothing"},
    {"Ctrl+F12", ""sv, "nothing"},
    {"Alt+F12", ""sv, "nothing"},
    {"Ctrl+Shift+F12", ""sv, "nothing"},
    {"Alt+Shift+F12", ""sv, "nothing"},
    {"Ctrl+Alt+F12", ""sv, "nothing"},
    {"Enter", "\x0d"sv},
    {"Esc", "\x1b"sv},
    {"Space", " "sv},
    {"Ctrl+Space", "\x00"sv},
    {"Ctrl+[", "\x1b"sv},
    {"Ctrl+M", "\x0d"sv},
    {"S", "S"sv},
    {"s", "s"sv},
    {"0", "0"sv},
    {"5", "5"sv},
    {"Alt+Shift+P", "\x1bP"sv},
    {"Alt+s", "\x1bs"sv},
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
    Of("alacritty", kAlacritty),
    Of("xfce4_terminal", kVte),
    Of("konsole", kKonsole),
    Of("st", kSt),
    Of("tmux", kTmux),
    Of("screen_in_tmux", kTmux),  // recorded: the same bytes as tmux
    Of("screen_in_xterm", kScreenInXterm),
    Of("linux_console", kLinuxConsole),
};

// What padlink does with the keys, for the reader of a failure.
std::string ActionOf(const std::vector<Key>& keys) {
  std::string text;
  for (const Key& key : keys) {
    const KeyMapping m = KeyMap(key);
    text += text.empty() ? "" : ", ";
    if (m.action == KeyAction::kQuit) {
      text += "quits";
    } else if (m.action == KeyAction::kCommand) {
      text += "command " + std::to_string(m.command);
    } else {
      text += "no action";
    }
  }
  return text.empty() ? "no action" : text;
}

// The bytes as they arrive at once, then the Esc time-out.
std::vector<Key> Decode(std::string_view bytes) {
  TermDecoder d;
  DecoderReset(&d);
  for (char c : bytes)
    DecoderFeed(&d, static_cast<unsigned char>(c), 0);
  DecoderTick(&d, kEscTimeoutMs);
  std::vector<Key> keys;
  while (std::optional<Key> key = DecoderTake(&d))
    keys.push_back(*key);
  return testkeys::WithoutIgnored(keys);
}

class TerminalTableTest : public ::testing::TestWithParam<Family> {};

TEST_P(TerminalTableTest, EveryKeyGivesWhatItsRowSays) {
  const Family& f = GetParam();
  for (std::size_t i = 0; i < f.count; ++i) {
    const Row& row = f.rows[i];
    const std::vector<Key> keys = Decode(row.bytes);
    if (row.arrives == "non-ASCII character") {
      EXPECT_TRUE(keys.size() == 1 && keys[0].kind == KeyKind::kCharacter &&
                  keys[0].character >= 128)
          << row.key << ": " << testkeys::Names(keys);
    } else {
      const std::vector<Key> want = testkeys::Keys(row.arrives.empty() ? row.key : row.arrives);
      EXPECT_EQ(keys, want) << row.key << ": " << ActionOf(keys) << ", not " << ActionOf(want);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Terminals, TerminalTableTest, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
