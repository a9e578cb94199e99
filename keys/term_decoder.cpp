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
  kPaste,      // pasted text, up to CSI 201 ~
};

// The end of a paste.
constexpr unsigned char kPasteEnd[] = {kEsc, '[', '2', '0', '1', '~'};
constexpr int kPasteEndLength = sizeof kPasteEnd;

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

// A key ends the unfinished one: its bytes are forgotten.
void Emit(TermDecoder* d, const Key& key) {
  if (Free(d) >= 1) d->keys[d->key_count++] = key;
  d->seq_len = 0;
}

void EmitChar(TermDecoder* d, unsigned char c) {
  Emit(d, Key::Character(c));
}

void EmitSpecial(TermDecoder* d, SpecialKey key, bool shift, bool ctrl, bool alt) {
  Emit(d, Key::Held(key, shift, ctrl, alt));
}

// A byte of the unfinished key.
void Keep(TermDecoder* d, unsigned char b) {
  if (d->seq_len < kKeyBytes) d->seq[d->seq_len] = b;
  if (d->seq_len < 0xFFFFFFFFu) ++d->seq_len;
}

// The unfinished key's bytes are no key: they are given as ignored bytes.
void Ignore(TermDecoder* d) {
  Key k;
  k.kind = KeyKind::kIgnored;
  k.length = d->seq_len;
  for (std::uint32_t i = 0; i < d->seq_len && i < kKeyBytes; ++i)
    k.bytes[i] = d->seq[i];
  Emit(d, k);
  d->state = kGround;
}

// m: 1 (or 0, none given) for no modifier, up to 16.
bool ValidModifier(int m) {
  return m >= 0 && m <= 16;
}

// The special key with the modifier m (CSI 1;m X), Alt also when an ESC came
// before the sequence.
void EmitModified(TermDecoder* d, SpecialKey key, int m) {
  const int bits = m > 1 ? m - 1 : 0;
  EmitSpecial(d, key, bits & 1, bits & 4, (bits & 2) || (bits & 8) || d->alt);
}

struct StEntry {
  int number;  // the parameter, 0 for none
  unsigned char final_byte;
  SpecialKey key;
  bool shift, ctrl;
};

// st's own sequences for editing keys (its keypad in numeric mode).
constexpr StEntry kStKeys[] = {
    {0, 'P', SpecialKey::kDelete, false, false}, {2, 'K', SpecialKey::kDelete, true, false},
    {4, 'h', SpecialKey::kInsert, false, false}, {4, 'l', SpecialKey::kInsert, true, false},
    {0, 'L', SpecialKey::kInsert, false, true},  {0, 'J', SpecialKey::kEnd, false, true},
    {0, 'K', SpecialKey::kEnd, true, false},     {2, 'J', SpecialKey::kHome, true, false},
};

bool StKey(TermDecoder* d, unsigned char f) {
  if (d->intro != '[' || d->param_count > 1) return false;
  const int number = d->param_count == 1 ? d->params[0] : 0;
  if (d->param_count == 1 && number == 0) return false;
  for (const StEntry& e : kStKeys) {
    if (e.final_byte == f && e.number == number) {
      EmitSpecial(d, e.key, e.shift, e.ctrl, d->alt);
      return true;
    }
  }
  return false;
}

// CSI X, CSI 1;m X, SS3 X, SS3 m X: arrows, Home, End, F1..F4.
bool LetterSequence(TermDecoder* d, unsigned char f, SpecialKey key) {
  const bool ss3 = d->intro == 'O';
  const int count = d->param_count;
  const int first = count >= 1 ? d->params[0] : 0;
  // The modifier follows a first parameter of 1; SS3 may carry it alone.
  int m = 1;
  if (count == 2) {
    if (first > 1) return false;
    m = d->params[1];
  } else if (count == 1) {
    if (ss3)
      m = first;
    else if (first > 1)
      return false;
  }
  if (!ValidModifier(m)) return false;
  // CSI Q..S without parameters are no keys; xterm sends them modified.
  if (!ss3 && f >= 'Q' && f <= 'S' && count == 0) return false;
  EmitModified(d, key, m);
  return true;
}

// SS3 a..d, M, X, j..y: rxvt's Ctrl+arrows and the application keypad.
bool Ss3Sequence(TermDecoder* d, unsigned char f) {
  if (d->param_count != 0) return false;
  if (f >= 'a' && f <= 'd') {
    EmitSpecial(d, kArrows[f - 'a'], false, true, d->alt);
  } else if (f == 'M') {
    EmitChar(d, 13);
  } else if (f == 'X') {
    EmitChar(d, '=');
  } else if (f >= 'j' && f <= 'y') {
    EmitChar(d, kKeypad[f - 'j']);
  } else {
    return false;
  }
  return true;
}

// A finished CSI (intro '[') or SS3 (intro 'O') sequence with final byte f;
// false when it names no key.
bool FinishSequence(TermDecoder* d, unsigned char f) {
  if (d->odd) return false;
  const int count = d->param_count;
  const int first = count >= 1 ? d->params[0] : 0;
  const int second = count >= 2 ? d->params[1] : 0;
  SpecialKey key;
  if (LetterKey(f, &key) && !(f == 'P' && count == 0 && d->intro == '['))
    return LetterSequence(d, f, key);
  if (d->intro == 'O') return Ss3Sequence(d, f);
  if (StKey(d, f)) return true;
  if (f >= 'a' && f <= 'd') {
    if (count != 0) return false;
    EmitSpecial(d, kArrows[f - 'a'], true, false, d->alt);
    return true;
  }
  if (f == '~') {
    if (count == 1 && first == 200) {
      Emit(d, Key::PasteBegin());
      d->state = kPaste;
      d->pending = 0;
      d->paste_len = 0;
      d->seq_len = 0;
      return true;
    }
    if (count >= 1 && ValidModifier(second) && Find(kTildeKeys, first, &key)) {
      EmitModified(d, key, second);
      return true;
    }
    // rxvt's Alt+Shift+F3..F10: ESC before the Shift+F-key number.
    if (d->alt && count == 1 && Find(kShiftedFKeys, first, &key)) {
      EmitSpecial(d, key, true, false, true);
      return true;
    }
    return false;
  }
  if ((f == '^' || f == '$' || f == '@') && count == 1) {
    // rxvt's marks: ^ Ctrl, $ Shift, @ Ctrl+Shift.
    const bool shift = f == '$' || f == '@';
    const bool ctrl = f == '^' || f == '@';
    if (Find(kTildeKeys, first, &key)) {
      EmitSpecial(d, key, shift, ctrl, d->alt);
      return true;
    }
    // Its Ctrl+Shift+F3..F10: Ctrl with the Shift+F-key number.
    if (f == '^' && Find(kShiftedFKeys, first, &key)) {
      EmitSpecial(d, key, true, true, d->alt);
      return true;
    }
  }
  return false;
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

// A byte in the ground state: a character, the start of one, or ESC. The
// byte is kept: it may begin a key of several bytes.
void Ground(TermDecoder* d, unsigned char b) {
  d->state = kGround;
  Keep(d, b);
  if (b == kEsc) {
    d->state = kEscape;
    d->alt = false;
  } else if (b == kNul) {
    Ignore(d);  // Ctrl+Space: no key
  } else if (Utf8Continuations(b) > 0) {
    d->state = kUtf8;
    d->lead = b;
    d->pending = Utf8Continuations(b);
  } else {
    EmitChar(d, b);
  }
}

// The unfinished key is no key, and b begins the next.
void IgnoreAndRestart(TermDecoder* d, unsigned char b) {
  Ignore(d);
  Ground(d, b);
}

// A byte after ESC.
void AfterEscape(TermDecoder* d, unsigned char b) {
  switch (b) {
    case '[':
    case 'O':
      Keep(d, b);
      BeginSequence(d, b);
      return;
    case ']':  // OSC
    case 'P':  // DCS
    case '_':  // APC
    case '^':  // PM
      Keep(d, b);
      d->state = kString;
      d->intro = b;
      d->pending = 0;  // bytes of the string so far (counted up to 1)
      return;
    case kEsc:
      Keep(d, b);
      d->state = kEscEscape;
      return;
    default:
      // Alt with a character yields the character.
      Ground(d, b);
      return;
  }
}

// The final byte of a CSI or SS3 sequence.
void SequenceFinal(TermDecoder* d, unsigned char b) {
  Keep(d, b);
  if (d->intro == '[' && d->param_count == 0 && !d->odd) {
    if (b == '[') {
      d->state = kLinuxF;
      return;
    }
    // The old mouse report: CSI M and three bytes of button and position,
    // all at once; alone, CSI M is st's Ctrl+Delete.
    if (b == 'M') {
      d->state = kMouse;
      d->pending = 3;
      return;
    }
  }
  d->state = kGround;
  if (!FinishSequence(d, b)) Ignore(d);
}

// A byte of a CSI or SS3 sequence: parameters, intermediates, final.
void InSequence(TermDecoder* d, unsigned char b) {
  if (b >= 0x40 && b <= 0x7E) {
    SequenceFinal(d, b);
    return;
  }
  if (b >= '0' && b <= '9') {
    Keep(d, b);
    if (d->param_count == 0) d->param_count = 1;
    if (d->param_count <= kDecoderParams) {
      int& v = d->params[d->param_count - 1];
      if (v < 10000) v = v * 10 + (b - '0');
    }
    return;
  }
  if (b == ';') {
    Keep(d, b);
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
    SequenceFinal(d, b);
    return;
  }
  if (b >= 0x20 && b <= 0x3F) {
    Keep(d, b);
    d->odd = true;  // private markers, sub-parameters, intermediates
    return;
  }
  if (b == kCan || b == kSub) {
    Keep(d, b);
    Ignore(d);
    return;
  }
  // ESC begins a new sequence; any other byte ends this one unfinished and
  // is read as a key of its own.
  IgnoreAndRestart(d, b);
}

// A byte of a string (OSC, DCS, APC, PM), or the byte after an ESC in it.
void InString(TermDecoder* d, unsigned char b) {
  if (d->state == kString) {
    Keep(d, b);
    if (b == kBel || b == kCan || b == kSub) {
      Ignore(d);
    } else if (b == kEsc) {
      d->state = kStringEsc;
    } else {
      d->pending = 1;
    }
    return;
  }
  if (b == '\\') {
    Keep(d, b);
    Ignore(d);  // ST
    return;
  }
  // The ESC began a new key: the string ends before it.
  --d->seq_len;
  Ignore(d);
  Keep(d, kEsc);
  d->alt = false;
  AfterEscape(d, b);
}

// A byte of pasted text; the paste ends with CSI 201 ~.
void InPaste(TermDecoder* d, unsigned char b) {
  if (d->paste_len < 0xFFFFFFFFu) ++d->paste_len;
  if (b == kPasteEnd[d->pending]) {
    ++d->pending;
  } else {
    d->pending = b == kPasteEnd[0] ? 1 : 0;
  }
  if (d->pending == kPasteEndLength) {
    Emit(d, Key::Paste(d->paste_len - kPasteEndLength));
    d->state = kGround;
  }
}

// CSI M that came alone: st's Ctrl+Delete.
void EmitStCtrlDelete(TermDecoder* d) {
  EmitSpecial(d, SpecialKey::kDelete, false, true, d->alt);
  d->state = kGround;
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
        Keep(d, b);
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
        EmitSpecial(d, key, false, false, d->alt);
      } else if (b >= 0x20 && b <= 0x7E) {
        Keep(d, b);
        Ignore(d);
      } else {
        IgnoreAndRestart(d, b);
      }
      return;
    case kString:
    case kStringEsc:
      InString(d, b);
      return;
    case kMouse:
      Keep(d, b);
      if (--d->pending == 0) Ignore(d);
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
    case kPaste:
      InPaste(d, b);
      return;
    default:
      d->state = kGround;
      return;
  }
}

// How long what is held waits for its next byte.
std::uint32_t TimeOut(const TermDecoder* d) {
  if (d->state == kPaste) return kPasteGapMs;
  return d->state == kMouse && d->pending == 3 ? kReportGapMs : kEscTimeoutMs;
}

// What is held, settled as its time-out does it.
void Settle(TermDecoder* d) {
  switch (d->state) {
    case kEscape:
    case kEscEscape:
      EmitChar(d, 27);  // the Esc key, or Alt+Esc
      break;
    case kSequence:
      // ESC [ or ESC O alone: Alt with [ or O.
      if (d->param_count == 0 && !d->odd && !d->alt)
        EmitChar(d, d->intro);
      else
        Ignore(d);
      break;
    case kString:
      // ESC ], P, _ or ^ alone: Alt with that character.
      if (d->pending == 0)
        EmitChar(d, d->intro);
      else
        Ignore(d);
      break;
    case kMouse:
      if (d->pending == 3)
        EmitStCtrlDelete(d);
      else
        Ignore(d);  // a report cut short
      break;
    case kUtf8:
      EmitChar(d, d->lead);  // a character cut short
      break;
    case kPaste:
      // The bytes of an end mark begun count as pasted text.
      Emit(d, Key::Paste(d->paste_len));
      break;
    default:
      Ignore(d);  // an unfinished sequence or string
      break;
  }
  d->state = kGround;
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
  // No byte of a report came with CSI M, and this one came later: CSI M was
  // a key, and this byte is the next.
  if (d->state == kMouse && d->pending == 3 && now - d->last_byte_at >= kReportGapMs)
    EmitStCtrlDelete(d);
  d->last_byte_at = now;
  Step(d, byte);
}

void DecoderTick(TermDecoder* d, std::uint32_t now) {
  if (d->state == kGround || now - d->last_byte_at < TimeOut(d)) return;
  if (Free(d) < 1) return;  // settled once a key has been taken
  Settle(d);
}

void DecoderFinish(TermDecoder* d) {
  if (d->state == kGround || Free(d) < 1) return;
  Settle(d);
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
  const std::uint32_t time_out = TimeOut(d);
  return waited >= time_out ? 0 : static_cast<int>(time_out - waited);
}
