// Turns the bytes a terminal sends for key presses into keys (keys/key.h).
// Pure logic on bytes and time stamps; the POSIX keyboard feeds it.
//
// The decoder reads the bytes as the terminal's control-sequence syntax
// (ESC, CSI, SS3, the strings OSC, DCS, APC and PM), so that every sequence
// is consumed whole, and looks the finished sequence up in its key tables.
// What the tables do not name (reports of the terminal, mouse events, keys
// outside the vocabulary) yields nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "keys/key.h"

// How long an unfinished key waits for its next byte before it is settled: a
// lone Esc then counts as the Esc key. Terminals send a whole sequence at
// once, so this only needs to cover a slow line.
constexpr std::uint32_t kEscTimeoutMs = 50;
// A report's bytes arrive together, in one read; typed keys come apart. A
// mouse report's bytes after CSI M must come less than this after it, or
// CSI M was a key (st's Ctrl+Delete) and the bytes are keys of their own.
// The keyboard reads at least every 5 ms pass, so a key typed later never
// shares a time stamp with the CSI M before it.
constexpr std::uint32_t kReportGapMs = 3;

// Pasted text comes in chunks, as fast as the terminal can write them; a
// paste whose bytes stopped coming for this long (no terminal pauses so long
// between two chunks, even over a slow remote session) without its end mark
// is over, and what comes after it is keys again.
constexpr std::uint32_t kPasteGapMs = 500;

// Keys the decoder holds until they are taken.
constexpr int kDecoderKeys = 16;
// Parameters of a sequence that are kept; a key has at most two.
constexpr int kDecoderParams = 2;

struct TermDecoder {
  // Where the bytes of an unfinished key stand (term_decoder.cpp).
  int state;
  bool alt;                      // an ESC came before the sequence: Alt
  unsigned char intro;           // '[' or 'O' of a sequence, ']' 'P' '_' '^' of a string
  int params[kDecoderParams];    // its numeric parameters
  int param_count;               // parameters begun
  bool odd;                      // markers, intermediates or more parameters: no key
  int pending;                   // bytes still to come of a UTF-8 character or a mouse
                                 // report; for a string, 1 once it has a byte; in a
                                 // paste, the bytes of its end seen so far
  unsigned char lead;            // the first byte of a UTF-8 character
  std::uint32_t last_byte_at;    // when the latest byte of it arrived
  unsigned char seq[kKeyBytes];  // the first bytes of the unfinished key
  std::uint32_t seq_len;         // its bytes so far
  std::uint32_t paste_len;       // bytes of a paste so far, its end included
  Key keys[kDecoderKeys];        // keys ready to be taken, oldest first
  int key_count;
};

void DecoderReset(TermDecoder* d);
// How many bytes DecoderFeed takes now with room for every key they can
// yield (a byte yields at most two, DecoderTick one; a paste and ignored
// bytes count as keys). A keyboard reads no
// more than this from the terminal and leaves the rest waiting there; bytes
// fed beyond it may lose their keys.
int DecoderRoom(const TermDecoder* d);
// One byte from the terminal, received at `now` (milliseconds).
void DecoderFeed(TermDecoder* d, unsigned char byte, std::uint32_t now);
// Settles an unfinished key once kEscTimeoutMs passed since its latest byte:
// a lone Esc becomes the Esc key, ESC with an introducer alone the
// introducer's character (Alt with it), a character cut short its first
// byte, and an unfinished sequence or string ignored bytes. CSI M alone
// settles after kReportGapMs as Ctrl+Delete. A paste ends at its end mark,
// or once no byte of it came for kPasteGapMs. Call it only when no more
// bytes are waiting: bytes that came are never timed out.
void DecoderTick(TermDecoder* d, std::uint32_t now);
// The input has ended: no byte can come any more, so what is held settles
// now as it would once its time-out passed (a lone Esc is the Esc key, a
// paste without its end mark is over).
void DecoderFinish(TermDecoder* d);
bool DecoderHasKey(const TermDecoder* d);
// The oldest key held; nothing when none is.
std::optional<Key> DecoderTake(TermDecoder* d);
// Milliseconds until DecoderTick would settle what is held (a paste after
// kPasteGapMs); -1 when nothing is.
int DecoderWaitMs(const TermDecoder* d, std::uint32_t now);

// Keys understood, as xterm and its kin, kitty, alacritty, VTE, konsole,
// tmux, screen, rxvt-unicode, st and the Linux console send them:
//   CSI A..D, H, F           arrows, Home, End      (CSI 1;m X with modifier m)
//   SS3 A..D, H, F, P..S     the same in application mode, F1..F4 (SS3 m X)
//   CSI 1;m P..S             F1..F4 with modifier m
//   CSI n ~                  Home 1/7, Insert 2, Delete 3, End 4/8, Page Up 5,
//                            Page Down 6, F1..F5 11..15, F6..F10 17..21,
//                            F11 23, F12 24            (CSI n;m ~ with modifier)
//   CSI n ^  $  @            rxvt's Ctrl, Shift, Ctrl+Shift forms of those;
//                            CSI 25..34 ^ its Ctrl+Shift+F3..F10, and
//                            ESC CSI 25..34 ~ its Alt+Shift+F3..F10
//   CSI a..d, SS3 a..d       rxvt's Shift and Ctrl arrows
//   CSI [ A..E               F1..F5 of the Linux console
//   SS3 j..y, M, X           the keypad in application mode: its characters
//   CSI P, CSI 2 K, CSI M    st's Delete, Shift+Delete and Ctrl+Delete
//   CSI 4 h, CSI L, CSI 4 l  st's Insert, Ctrl+Insert and Shift+Insert
//   CSI J, CSI K, CSI 2 J    st's Ctrl+End, Shift+End and Shift+Home
// The modifier m - 1 has bit 1 Shift, 2 Alt, 4 Ctrl, 8 Meta (taken as Alt);
// m runs from 1 to 16 and only follows a first parameter of 1 (or none, or
// the key number of a ~ key). An ESC before a whole sequence means Alt. ESC
// before a character is Alt with that character, which yields the character.
// A key carries the modifiers the sequence named (kHeldShift, ...).
// Pasted text, between CSI 200 ~ and CSI 201 ~ (bracketed paste), yields
// Key::PasteBegin when it begins and one paste (Key::Paste with its length)
// when it ends, and no keys, however long it is and whatever it holds; a
// paste whose end mark does not come within kPasteGapMs of its latest byte
// ends there.
// Consumed whole and yielding ignored bytes (KeyKind::kIgnored): a NUL byte
// (Ctrl+Space), every other CSI or SS3 sequence (with private markers,
// intermediates, other numbers or finals, such as cursor position and mode
// reports and SGR mouse reports), the old mouse report CSI M with its three
// bytes when they come with it, and OSC, DCS, APC and PM strings up to BEL or
// ESC \. ESC inside a sequence or string ends it and begins a new one; CAN
// and SUB cancel it.
