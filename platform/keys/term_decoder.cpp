// Sequences understood, as xterm and its kin, tmux, screen, rxvt and the
// Linux console send them:
//   CSI A..D, H, F           arrows, Home, End      (CSI 1;m X with modifier m)
//   SS3 A..D, H, F, P..S     the same in application mode, F1..F4
//   CSI n ~                  Home 1/7, Insert 2, Delete 3, End 4/8, Page Up 5,
//                            Page Down 6, F1..F5 11..15, F6..F10 17..21,
//                            F11 23, F12 24            (CSI n;m ~ with modifier)
//   CSI n ^  $  @            rxvt's Ctrl, Shift, Ctrl+Shift forms of those
//   CSI a..d, SS3 a..d       rxvt's Shift and Ctrl arrows
//   CSI [ A..E               F1..F5 of the Linux console
//   SS3 j..y, M, X           the keypad in application mode: its characters
// The modifier m - 1 has bit 1 Shift, 2 Alt, 4 Ctrl, 8 Meta (taken as Alt). An
// ESC before a whole sequence means Alt. ESC before a character is Alt with
// that character, which yields the character. Anything else that starts
// with ESC is consumed whole and yields nothing.
#include "platform/keys/term_decoder.h"

#include "platform/keys/key_codes.h"

namespace {

constexpr unsigned char kEsc = 0x1B;

enum class Status { kIncomplete, kDone };

struct Parse {
  Status status;
  int consumed;
  int codes[2];
  int count;
};

Parse Incomplete() {
  return {Status::kIncomplete, 0, {0, 0}, 0};
}
Parse Nothing(int consumed) {
  return {Status::kDone, consumed, {0, 0}, 0};
}
Parse Char(int consumed, int code) {
  return {Status::kDone, consumed, {code, 0}, 1};
}
Parse Special(int consumed, SpecialKey key, KeyForm form) {
  return {Status::kDone, consumed, {0, ExtendedCode(key, form)}, 2};
}

// A character code as the console gives it: bytes of 128 or more negative.
int CharCode(unsigned char b) {
  return static_cast<signed char>(b);
}

// Bytes that follow a UTF-8 lead byte.
int Utf8Continuations(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// One character at b[0]: ASCII, or a UTF-8 character of several bytes that
// yields one code of 128 or more.
Parse ParseChar(const unsigned char* b, int len) {
  const int more = Utf8Continuations(b[0]);
  for (int i = 1; i <= more; ++i) {
    if (i >= len) return Incomplete();
    // A broken character ends where it breaks; the byte starts anew.
    if ((b[i] & 0xC0) != 0x80) return Char(i, CharCode(b[0]));
  }
  return Char(1 + more, CharCode(b[0]));
}

struct Params {
  int value[2];
  int count;
  bool other;  // private markers or more than two numbers
};

Params ReadParams(const unsigned char* p, int n) {
  Params r{{0, 0}, 0, false};
  bool in_number = false;
  for (int i = 0; i < n; ++i) {
    if (p[i] >= '0' && p[i] <= '9') {
      if (!in_number) {
        if (r.count == 2) {
          r.other = true;
          break;
        }
        ++r.count;
        in_number = true;
      }
      int& v = r.value[r.count - 1];
      if (v < 10000) v = v * 10 + (p[i] - '0');
    } else if (p[i] == ';') {
      if (!in_number) {
        if (r.count == 2)
          r.other = true;
        else
          r.value[r.count++] = 0;
      }
      in_number = false;
    } else {
      r.other = true;
    }
  }
  return r;
}

KeyForm ModifierForm(int m, bool alt_prefix) {
  const int bits = m > 1 ? m - 1 : 0;
  return FormOf(bits & 1, bits & 4, (bits & 2) || (bits & 8) || alt_prefix);
}

struct LetterEntry {
  unsigned char final_byte;
  SpecialKey key;
};

// Keys named by the final byte of CSI X, CSI 1;m X and SS3 X.
constexpr LetterEntry kLetterKeys[] = {
    {'A', SpecialKey::kUp},   {'B', SpecialKey::kDown}, {'C', SpecialKey::kRight},
    {'D', SpecialKey::kLeft}, {'H', SpecialKey::kHome}, {'F', SpecialKey::kEnd},
    {'P', SpecialKey::kF1},   {'Q', SpecialKey::kF2},   {'R', SpecialKey::kF3},
    {'S', SpecialKey::kF4},
};

bool LetterKey(unsigned char final_byte, SpecialKey* key) {
  for (const LetterEntry& e : kLetterKeys) {
    if (e.final_byte == final_byte) {
      *key = e.key;
      return true;
    }
  }
  return false;
}

struct TildeEntry {
  int number;
  SpecialKey key;
};

// Keys named by the number of CSI n ~ (and rxvt's CSI n ^, $, @).
constexpr TildeEntry kTildeKeys[] = {
    {1, SpecialKey::kHome},   {7, SpecialKey::kHome},     {2, SpecialKey::kInsert},
    {3, SpecialKey::kDelete}, {4, SpecialKey::kEnd},      {8, SpecialKey::kEnd},
    {5, SpecialKey::kPageUp}, {6, SpecialKey::kPageDown}, {11, SpecialKey::kF1},
    {12, SpecialKey::kF2},    {13, SpecialKey::kF3},      {14, SpecialKey::kF4},
    {15, SpecialKey::kF5},    {17, SpecialKey::kF6},      {18, SpecialKey::kF7},
    {19, SpecialKey::kF8},    {20, SpecialKey::kF9},      {21, SpecialKey::kF10},
    {23, SpecialKey::kF11},   {24, SpecialKey::kF12},
};

bool TildeKey(int n, SpecialKey* key) {
  for (const TildeEntry& e : kTildeKeys) {
    if (e.number == n) {
      *key = e.key;
      return true;
    }
  }
  return false;
}

SpecialKey Arrow(unsigned char lower) {
  static constexpr SpecialKey kArrows[] = {SpecialKey::kUp, SpecialKey::kDown, SpecialKey::kRight,
                                           SpecialKey::kLeft};
  return kArrows[lower - 'a'];
}

// The application keypad's characters, SS3 j..y.
const char kKeypad[] = "*+,-./0123456789";

// A sequence that begins ESC [ or ESC O at b[0]; `alt` when an ESC came first.
Parse ParseSequence(const unsigned char* b, int len, int offset, bool alt) {
  const bool ss3 = b[1] == 'O';
  int j = 2;
  if (j >= len) return Incomplete();
  if (!ss3 && b[j] == '[') {  // Linux console F1..F5
    if (j + 1 >= len) return Incomplete();
    const unsigned char f = b[j + 1];
    if (f >= 'A' && f <= 'E') {
      const auto key = static_cast<SpecialKey>(static_cast<int>(SpecialKey::kF1) + (f - 'A'));
      return Special(offset + j + 2, key, ModifierForm(1, alt));
    }
    return Nothing(offset + j + 2);
  }
  const int params_start = j;
  // rxvt ends its Shift forms with '$', which is otherwise an intermediate.
  while (j < len && b[j] >= 0x20 && b[j] <= 0x3F && !(b[j] == '$' && !ss3))
    ++j;
  if (j >= len) return Incomplete();
  const unsigned char f = b[j];
  const int consumed = offset + j + 1;
  if ((f < 0x40 || f > 0x7E) && f != '$') return Nothing(consumed);
  const Params p = ReadParams(b + params_start, j - params_start);
  if (p.other) return Nothing(consumed);
  // CSI 1;m X and SS3 1;m X carry the modifier second; SS3 m X first.
  const int m = p.count == 2 ? p.value[1] : (ss3 && p.count == 1 ? p.value[0] : 1);
  SpecialKey key;
  if (LetterKey(f, &key)) {
    // CSI P..S without parameters are not keys; xterm sends them modified.
    if (!ss3 && f >= 'P' && f <= 'S' && p.count == 0) return Nothing(consumed);
    return Special(consumed, key, ModifierForm(m, alt));
  }
  if (!ss3) {
    if (f >= 'a' && f <= 'd' && p.count == 0)
      return Special(consumed, Arrow(f), FormOf(true, false, alt));
    if ((f == '~' || f == '^' || f == '$' || f == '@') && p.count >= 1 &&
        TildeKey(p.value[0], &key)) {
      KeyForm form = ModifierForm(p.count == 2 ? p.value[1] : 1, alt);
      if (form != KeyForm::kAlt && f != '~') {
        form = FormOf(f == '$' || f == '@', f == '^' || f == '@', false);
      }
      return Special(consumed, key, form);
    }
    return Nothing(consumed);
  }
  if (f >= 'a' && f <= 'd' && p.count == 0)
    return Special(consumed, Arrow(f), FormOf(false, true, alt));
  if (p.count == 0) {
    if (f == 'M') return Char(consumed, 13);
    if (f == 'X') return Char(consumed, '=');
    if (f >= 'j' && f <= 'y') return Char(consumed, kKeypad[f - 'j']);
  }
  return Nothing(consumed);
}

// The key at the start of b.
Parse ParseKey(const unsigned char* b, int len) {
  if (b[0] != kEsc) return ParseChar(b, len);
  if (len < 2) return Incomplete();
  if (b[1] == '[' || b[1] == 'O') return ParseSequence(b, len, 0, false);
  if (b[1] == kEsc) {
    if (len < 3) return Incomplete();
    // ESC before a whole sequence: its Alt form.
    if (b[2] == '[' || b[2] == 'O') return ParseSequence(b + 1, len - 1, 1, true);
    return Char(2, 27);  // Alt+Esc
  }
  // Alt with a character yields the character.
  const Parse c = ParseChar(b + 1, len - 1);
  if (c.status == Status::kIncomplete) return c;
  return Char(1 + c.consumed, c.codes[0]);
}

void Emit(TermDecoder* d, int code) {
  if (d->code_count < static_cast<int>(sizeof d->codes / sizeof d->codes[0]))
    d->codes[d->code_count++] = code;
}

void Drop(TermDecoder* d, int n) {
  for (int i = n; i < d->held_len; ++i)
    d->held[i - n] = d->held[i];
  d->held_len -= n;
}

// Turns every finished key at the front of what is held into codes.
void Settle(TermDecoder* d, std::uint32_t now) {
  while (d->held_len > 0) {
    const Parse p = ParseKey(d->held, d->held_len);
    if (p.status == Status::kIncomplete) return;
    // Whole special keys only: never half of a 0-and-extended pair.
    if (d->code_count + p.count > static_cast<int>(sizeof d->codes / sizeof d->codes[0])) return;
    for (int i = 0; i < p.count; ++i)
      Emit(d, p.codes[i]);
    Drop(d, p.consumed);
    d->held_since = now;
  }
}

}  // namespace

void DecoderReset(TermDecoder* d) {
  *d = TermDecoder{};
}

void DecoderFeed(TermDecoder* d, unsigned char byte, std::uint32_t now) {
  if (d->discarding) {
    // The rest of a sequence too long to be a key, up to its final byte.
    if (byte >= 0x20 && byte <= 0x7E) {
      d->discarding = byte <= 0x3F;
      return;
    }
    d->discarding = false;
  }
  if (d->held_len == 0) d->held_since = now;
  d->held[d->held_len++] = byte;
  Settle(d, now);
  if (d->held_len == static_cast<int>(sizeof d->held)) {
    d->held_len = 0;  // no key sends this much
    d->discarding = true;
  }
}

void DecoderTick(TermDecoder* d, std::uint32_t now) {
  Settle(d, now);
  if (d->held_len == 0 || now - d->held_since < kEscTimeoutMs) return;
  if (d->held[0] == kEsc) {
    // A lone Esc, or Esc pressed with Alt, is the Esc key; an unfinished
    // sequence yields nothing.
    const bool esc_key = d->held_len == 1 || (d->held_len == 2 && d->held[1] == kEsc);
    if (esc_key) Emit(d, 27);
  } else {
    Emit(d, CharCode(d->held[0]));  // a character cut short
  }
  d->held_len = 0;
}

bool DecoderHasCode(const TermDecoder* d) {
  return d->code_count > 0;
}

int DecoderTake(TermDecoder* d) {
  if (d->code_count == 0) return -1;
  const int code = d->codes[0];
  for (int i = 1; i < d->code_count; ++i)
    d->codes[i - 1] = d->codes[i];
  --d->code_count;
  return code;
}

int DecoderWaitMs(const TermDecoder* d, std::uint32_t now) {
  if (d->held_len == 0) return -1;
  const std::uint32_t waited = now - d->held_since;
  return waited >= kEscTimeoutMs ? 0 : static_cast<int>(kEscTimeoutMs - waited);
}
