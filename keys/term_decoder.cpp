#include "keys/term_decoder.h"

#include "keys/key.h"

namespace {

constexpr unsigned char kNul = 0x00;
constexpr unsigned char kBel = 0x07;
constexpr unsigned char kCan = 0x18;
constexpr unsigned char kSub = 0x1A;
constexpr unsigned char kEsc = 0x1B;

// Where the bytes of an unfinished key stand.
enum State : int {
  kGround,     // between keys
  kEscape,     // ESC
  kEscEscape,  // ESC ESC: Alt+Esc, or Alt before a sequence
  kSequence,   // ESC [ or ESC O and what followed (intro says which)
  kLinuxF,     // ESC [ [: the Linux console's F1..F5
  kString,     // OSC, DCS, APC or PM, up to BEL or ESC \ (intro says which)
  kStringEsc,  // ESC inside a string: \ ends it, anything else begins anew
  kMouse,      // the three bytes of CSI M
  kUtf8,       // the continuation bytes of a UTF-8 character
};

// Bytes that follow a UTF-8 lead byte.
int Utf8Continuations(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// ---------------------------------------------------------------------------
// The key tables

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

struct NumberEntry {
  int number;
  SpecialKey key;
};

// Keys named by the number of CSI n ~ (and rxvt's CSI n ^, $, @).
constexpr NumberEntry kTildeKeys[] = {
    {1, SpecialKey::kHome},   {7, SpecialKey::kHome},     {2, SpecialKey::kInsert},
    {3, SpecialKey::kDelete}, {4, SpecialKey::kEnd},      {8, SpecialKey::kEnd},
    {5, SpecialKey::kPageUp}, {6, SpecialKey::kPageDown}, {11, SpecialKey::kF1},
    {12, SpecialKey::kF2},    {13, SpecialKey::kF3},      {14, SpecialKey::kF4},
    {15, SpecialKey::kF5},    {17, SpecialKey::kF6},      {18, SpecialKey::kF7},
    {19, SpecialKey::kF8},    {20, SpecialKey::kF9},      {21, SpecialKey::kF10},
    {23, SpecialKey::kF11},   {24, SpecialKey::kF12},
};

// rxvt numbers Shift+F1..F10 as F11..F20 (23..34, F1 and F2 sharing the
// numbers of F11 and F12). Alone (CSI n ~) these numbers name different keys
// in different terminals: Shift+F3..F10 in rxvt, Shift+F1..F8 on the Linux
// console, Ctrl+F3..F10 in xterm's VT220 mode; they stay unnamed. With Ctrl
// (rxvt's ^) or Alt (ESC before) the form does not depend on Shift: these
// are the Ctrl and Alt forms of F3..F10.
constexpr NumberEntry kShiftedFKeys[] = {
    {25, SpecialKey::kF3}, {26, SpecialKey::kF4}, {28, SpecialKey::kF5}, {29, SpecialKey::kF6},
    {31, SpecialKey::kF7}, {32, SpecialKey::kF8}, {33, SpecialKey::kF9}, {34, SpecialKey::kF10},
};

// The arrows of rxvt's CSI a..d and SS3 a..d.
constexpr SpecialKey kArrows[] = {SpecialKey::kUp, SpecialKey::kDown, SpecialKey::kRight,
                                  SpecialKey::kLeft};

// The application keypad's characters, SS3 j..y.
constexpr char kKeypad[] = "*+,-./0123456789";

template <typename Entry, int N>
bool Find(const Entry (&table)[N], int number, SpecialKey* key) {
  for (const Entry& e : table) {
    if (e.number == number) {
      *key = e.key;
      return true;
    }
  }
  return false;
}

bool LetterKey(unsigned char final_byte, SpecialKey* key) {
  for (const LetterEntry& e : kLetterKeys) {
    if (e.final_byte == final_byte) {
      *key = e.key;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Output

int Free(const TermDecoder* d) {
  return kDecoderKeys - d->key_count;
}

void Emit(TermDecoder* d, Key key) {
  if (Free(d) >= 1) d->keys[d->key_count++] = key;
}

void EmitChar(TermDecoder* d, unsigned char c) {
  Emit(d, Key::Character(c));
}

void EmitSpecial(TermDecoder* d, SpecialKey key, KeyForm form) {
  Emit(d, Key::Special(key, form));
}

// m: 1 (or 0, none given) for no modifier, up to 16.
bool ValidModifier(int m) {
  return m >= 0 && m <= 16;
}

KeyForm ModifierForm(int m, bool alt_prefix) {
  const int bits = m > 1 ? m - 1 : 0;
  return FormOf(bits & 1, bits & 4, (bits & 2) || (bits & 8) || alt_prefix);
}

// A finished CSI (intro '[') or SS3 (intro 'O') sequence with final byte f.
void FinishSequence(TermDecoder* d, unsigned char f) {
  if (d->odd) return;
  const bool ss3 = d->intro == 'O';
  const int count = d->param_count;
  const int first = count >= 1 ? d->params[0] : 0;
  const int second = count >= 2 ? d->params[1] : 0;
  SpecialKey key;
  if (LetterKey(f, &key)) {
    // The modifier follows a first parameter of 1; SS3 may carry it alone.
    int m = 1;
    if (count == 2) {
      if (first > 1) return;
      m = second;
    } else if (count == 1) {
      if (ss3)
        m = first;
      else if (first > 1)
        return;
    }
    if (!ValidModifier(m)) return;
    // CSI P..S without parameters are no keys; xterm sends them modified.
    if (!ss3 && f >= 'P' && f <= 'S' && count == 0) return;
    EmitSpecial(d, key, ModifierForm(m, d->alt));
    return;
  }
  if (ss3) {
    if (count != 0) return;
    if (f >= 'a' && f <= 'd') {
      EmitSpecial(d, kArrows[f - 'a'], FormOf(false, true, d->alt));
    } else if (f == 'M') {
      EmitChar(d, 13);
    } else if (f == 'X') {
      EmitChar(d, '=');
    } else if (f >= 'j' && f <= 'y') {
      EmitChar(d, kKeypad[f - 'j']);
    }
    return;
  }
  if (f >= 'a' && f <= 'd') {
    if (count == 0) EmitSpecial(d, kArrows[f - 'a'], FormOf(true, false, d->alt));
    return;
  }
  if (f == '~') {
    if (count >= 1 && ValidModifier(second) &&
        (Find(kTildeKeys, first, &key) ||
         (d->alt && count == 1 && Find(kShiftedFKeys, first, &key))))
      EmitSpecial(d, key, ModifierForm(second, d->alt));
    return;
  }
  if ((f == '^' || f == '$' || f == '@') && count == 1) {
    // rxvt's marks: ^ Ctrl, $ Shift, @ Ctrl+Shift.
    const bool shift = f == '$' || f == '@';
    const bool ctrl = f == '^' || f == '@';
    if (Find(kTildeKeys, first, &key) || (f == '^' && Find(kShiftedFKeys, first, &key)))
      EmitSpecial(d, key, FormOf(shift, ctrl, d->alt));
  }
}

// ---------------------------------------------------------------------------
// The byte machine

void BeginSequence(TermDecoder* d, unsigned char intro) {
  d->state = kSequence;
  d->intro = intro;
  d->params[0] = d->params[1] = 0;
  d->param_count = 0;
  d->odd = false;
}

void Step(TermDecoder* d, unsigned char b);

// A byte in the ground state: a character, the start of one, or ESC.
void Ground(TermDecoder* d, unsigned char b) {
  d->state = kGround;
  if (b == kEsc) {
    d->state = kEscape;
    d->alt = false;
  } else if (b == kNul) {
    // Ctrl+Space: no key.
  } else if (Utf8Continuations(b) > 0) {
    d->state = kUtf8;
    d->lead = b;
    d->pending = Utf8Continuations(b);
  } else {
    EmitChar(d, b);
  }
}

// A byte after ESC.
void AfterEscape(TermDecoder* d, unsigned char b) {
  switch (b) {
    case '[':
    case 'O':
      BeginSequence(d, b);
      return;
    case ']':  // OSC
    case 'P':  // DCS
    case '_':  // APC
    case '^':  // PM
      d->state = kString;
      d->intro = b;
      d->pending = 0;  // bytes of the string so far (counted up to 1)
      return;
    case kEsc:
      d->state = kEscEscape;
      return;
    default:
      // Alt with a character yields the character.
      Ground(d, b);
      return;
  }
}

// A byte of a CSI or SS3 sequence: parameters, intermediates, final.
void InSequence(TermDecoder* d, unsigned char b) {
  if (b >= 0x40 && b <= 0x7E) {
    if (d->intro == '[' && b == '[' && d->param_count == 0 && !d->odd) {
      d->state = kLinuxF;
      return;
    }
    d->state = kGround;
    // The old mouse report: CSI M and three bytes of button and position.
    if (d->intro == '[' && b == 'M' && d->param_count == 0 && !d->odd) {
      d->state = kMouse;
      d->pending = 3;
      return;
    }
    FinishSequence(d, b);
    return;
  }
  if (b >= '0' && b <= '9') {
    if (d->param_count == 0) d->param_count = 1;
    if (d->param_count <= kDecoderParams) {
      int& v = d->params[d->param_count - 1];
      if (v < 10000) v = v * 10 + (b - '0');
    }
    return;
  }
  if (b == ';') {
    if (d->param_count == 0) d->param_count = 1;
    ++d->param_count;
    if (d->param_count > kDecoderParams) {
      d->odd = true;
      d->param_count = kDecoderParams + 1;
    }
    return;
  }
  if (b == '$' && d->intro == '[' && d->param_count == 1 && !d->odd) {
    // rxvt ends its Shift forms with $, which is otherwise an intermediate.
    d->state = kGround;
    FinishSequence(d, b);
    return;
  }
  if (b >= 0x20 && b <= 0x3F) {
    d->odd = true;  // private markers, sub-parameters, intermediates
    return;
  }
  if (b == kCan || b == kSub) {
    d->state = kGround;
    return;
  }
  // ESC begins a new sequence; any other byte ends this one unfinished and
  // is read as a key of its own.
  Ground(d, b);
}

void Step(TermDecoder* d, unsigned char b) {
  switch (d->state) {
    case kGround:
      Ground(d, b);
      return;
    case kEscape:
      AfterEscape(d, b);
      return;
    case kEscEscape:
      if (b == '[' || b == 'O') {
        BeginSequence(d, b);
        d->alt = true;
        return;
      }
      EmitChar(d, 27);  // Alt+Esc
      Ground(d, b);
      return;
    case kSequence:
      InSequence(d, b);
      return;
    case kLinuxF:
      if (b >= 'A' && b <= 'E') {
        d->state = kGround;
        const auto key = static_cast<SpecialKey>(static_cast<int>(SpecialKey::kF1) + (b - 'A'));
        EmitSpecial(d, key, FormOf(false, false, d->alt));
      } else if (b >= 0x20 && b <= 0x7E) {
        d->state = kGround;
      } else {
        Ground(d, b);
      }
      return;
    case kString:
      if (b == kBel || b == kCan || b == kSub) {
        d->state = kGround;
      } else if (b == kEsc) {
        d->state = kStringEsc;
      } else {
        d->pending = 1;
      }
      return;
    case kStringEsc:
      if (b == '\\') {
        d->state = kGround;  // ST
        return;
      }
      d->alt = false;
      AfterEscape(d, b);
      return;
    case kMouse:
      if (--d->pending == 0) d->state = kGround;
      return;
    case kUtf8:
      if ((b & 0xC0) == 0x80) {
        if (--d->pending == 0) {
          d->state = kGround;
          EmitChar(d, d->lead);
        }
        return;
      }
      // A broken character ends where it breaks; the byte starts anew.
      EmitChar(d, d->lead);
      Ground(d, b);
      return;
    default:
      d->state = kGround;
      return;
  }
}

}  // namespace

void DecoderReset(TermDecoder* d) {
  *d = TermDecoder{};
  d->state = kGround;
}

int DecoderRoom(const TermDecoder* d) {
  // Two keys for each byte, one kept for DecoderTick.
  const int room = (Free(d) - 1) / 2;
  return room > 0 ? room : 0;
}

void DecoderFeed(TermDecoder* d, unsigned char byte, std::uint32_t now) {
  d->last_byte_at = now;
  Step(d, byte);
}

void DecoderTick(TermDecoder* d, std::uint32_t now) {
  if (d->state == kGround || now - d->last_byte_at < kEscTimeoutMs) return;
  if (Free(d) < 1) return;  // settled once a key has been taken
  switch (d->state) {
    case kEscape:
    case kEscEscape:
      EmitChar(d, 27);  // the Esc key, or Alt+Esc
      break;
    case kSequence:
      // ESC [ or ESC O alone: Alt with [ or O.
      if (d->param_count == 0 && !d->odd && !d->alt) EmitChar(d, d->intro);
      break;
    case kString:
      // ESC ], P, _ or ^ alone: Alt with that character.
      if (d->pending == 0) EmitChar(d, d->intro);
      break;
    case kUtf8:
      EmitChar(d, d->lead);  // a character cut short
      break;
    default:
      break;  // an unfinished sequence, string or report: nothing
  }
  d->state = kGround;
}

bool DecoderHasKey(const TermDecoder* d) {
  return d->key_count > 0;
}

std::optional<Key> DecoderTake(TermDecoder* d) {
  if (d->key_count == 0) return std::nullopt;
  const Key key = d->keys[0];
  for (int i = 1; i < d->key_count; ++i)
    d->keys[i - 1] = d->keys[i];
  --d->key_count;
  return key;
}

int DecoderWaitMs(const TermDecoder* d, std::uint32_t now) {
  if (d->state == kGround) return -1;
  const std::uint32_t waited = now - d->last_byte_at;
  return waited >= kEscTimeoutMs ? 0 : static_cast<int>(kEscTimeoutMs - waited);
}
