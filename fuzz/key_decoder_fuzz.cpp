// The terminal key decoder with the key map, fed as the POSIX keyboard feeds
// it: reads of several bytes at one time stamp, a tick after each read and
// whenever the Esc time-out of a held key falls due, codes taken a few at a
// time, and bytes left unread while the decoder has no room for them.
//
// The first byte picks the mode:
// - even: arbitrary reads, time steps and takes. The codes must be valid (a
//   character code, or 0 with an extended code right behind it), the buffers
//   bounded, nothing may stay held once the time-out has passed, and the
//   codes must be the same as when every code is taken at once (nothing is
//   lost or reordered for lack of room).
// - odd: real key sequences from the table below, cut into reads at random
//   points with time steps that keep every key within the Esc time-out; the
//   codes must be exactly the keys' codes.
// Every code also goes through the key map, which must agree with the key
// table written out below.
//
// `key_decoder_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/key_map.h"
#include "fuzz/fuzz_support.h"
#include "keys/key_codes.h"
#include "keys/term_decoder.h"

namespace {

// ---------------------------------------------------------------------------
// The key table: key code -> action, as the user documentation gives it.

KeyMapping Reference(int code) {
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
  if (code >= '1' && code <= '9') return {KeyAction::kCommand, std::uint8_t(code - '0')};
  for (const Row& r : kRows) {
    if (r.code == code)
      return r.command ? KeyMapping{KeyAction::kCommand, std::uint8_t(r.command)}
                       : KeyMapping{KeyAction::kQuit, 0};
  }
  return {KeyAction::kNone, 0};
}

// The key table and the extended codes for every code a key can give,
// -128..255, looked up without comparisons the fuzzer would chase.
constexpr int kLowestCode = -128;
constexpr int kCodeRange = 256 + 128;
KeyMapping g_reference[kCodeRange];
bool g_extended[kCodeRange];

void CheckKeyMap(int code) {
  const KeyMapping got = KeyMap(code);
  const KeyMapping want = code >= kLowestCode && code < kLowestCode + kCodeRange
                              ? g_reference[code - kLowestCode]
                              : Reference(code);
  FUZZ_CHECK(got.action == want.action && got.command == want.command,
             "KeyMap(%d) is action %d command %d, the key table says %d %d", code,
             static_cast<int>(got.action), got.command, static_cast<int>(want.action),
             want.command);
}

bool IsExtendedCode(int code) {
  return code >= kLowestCode && code < kLowestCode + kCodeRange && g_extended[code - kLowestCode];
}

void MakeTables() {
  for (int code = kLowestCode; code < kLowestCode + kCodeRange; ++code)
    g_reference[code - kLowestCode] = Reference(code);
  for (int k = 0; k < kSpecialKeyCount; ++k) {
    for (int f = 0; f < kKeyFormCount; ++f) {
      const int code = ExtendedCode(static_cast<SpecialKey>(k), static_cast<KeyForm>(f));
      FUZZ_CHECK(code > 0 && code < 256, "extended code %d", code);
      g_extended[code - kLowestCode] = true;
    }
  }
}

// ---------------------------------------------------------------------------
// Real key sequences with the codes they must give.

enum Flags {
  kPlain = 0,
  kWaits = 1,  // a prefix of longer keys: the key once the time-out passed
};

struct Sequence {
  const char* name;
  std::string bytes;
  std::vector<int> codes;
  int flags = kPlain;
};

int Byte(unsigned char b) {
  return static_cast<signed char>(b);
}

const std::string E = "\x1b";

const std::vector<Sequence>& Sequences() {
  static const std::vector<Sequence> kSequences = {
      {"letter", "a", {'a'}},
      {"S", "S", {'S'}},
      {"Enter", "\r", {13}},
      {"Space", " ", {' '}},
      {"Ctrl+S passes as a key", "\x13", {0x13}},
      {"digit", "5", {'5'}},
      {"Esc", E, {27}, kWaits},
      {"Alt+Esc", E + E, {27}, kWaits},
      {"Up", E + "[A", {0, 0x48}},
      {"Up, application mode", E + "OA", {0, 0x48}},
      {"Down", E + "[B", {0, 0x50}},
      {"Right", E + "[C", {0, 0x4D}},
      {"Left", E + "OD", {0, 0x4B}},
      {"Home", E + "[H", {0, 0x47}},
      {"Home, vt", E + "[1~", {0, 0x47}},
      {"Home, rxvt", E + "[7~", {0, 0x47}},
      {"End", E + "OF", {0, 0x4F}},
      {"End, vt", E + "[4~", {0, 0x4F}},
      {"End, rxvt", E + "[8~", {0, 0x4F}},
      {"Insert", E + "[2~", {0, 0x52}},
      {"Delete", E + "[3~", {0, 0x53}},
      {"Page Up", E + "[5~", {0, 0x49}},
      {"Page Down", E + "[6~", {0, 0x51}},
      {"F1", E + "OP", {0, 0x3B}},
      {"F4", E + "OS", {0, 0x3E}},
      {"F1, vt", E + "[11~", {0, 0x3B}},
      {"F1, Linux console", E + "[[A", {0, 0x3B}},
      {"F5, Linux console", E + "[[E", {0, 0x3F}},
      {"F5", E + "[15~", {0, 0x3F}},
      {"F6", E + "[17~", {0, 0x40}},
      {"F10", E + "[21~", {0, 0x44}},
      {"F11", E + "[23~", {0, 0x85}},
      {"F12", E + "[24~", {0, 0x86}},
      {"Shift+Up", E + "[1;2A", {0, 0x48}},
      {"Ctrl+Up", E + "[1;5A", {0, 0x8D}},
      {"Alt+Up", E + "[1;3A", {0, 0x98}},
      {"Meta+Up", E + "[1;9A", {0, 0x98}},
      {"Ctrl+Left", E + "[1;5D", {0, 0x73}},
      {"Ctrl+Right", E + "[1;5C", {0, 0x74}},
      {"Ctrl+Down", E + "[1;5B", {0, 0x91}},
      {"Ctrl+Shift+F4 is Ctrl+F4", E + "[1;6S", {0, 0x61}},
      {"Ctrl+Alt+F2 is Alt+F2", E + "[1;7Q", {0, 0x69}},
      {"Ctrl+F4, SS3 form", E + "O5S", {0, 0x61}},
      {"Ctrl+F10", E + "[21;5~", {0, 0x67}},
      {"Shift+Delete", E + "[3;2~", {0, 0x53}},
      {"Ctrl+Delete", E + "[3;5~", {0, 0x93}},
      {"Shift+F5", E + "[15;2~", {0, 0x58}},
      {"Alt+F12", E + "[24;3~", {0, 0x8C}},
      {"rxvt Shift+Up", E + "[a", {0, 0x48}},
      {"rxvt Ctrl+Left", E + "Od", {0, 0x73}},
      {"rxvt Ctrl+Delete", E + "[3^", {0, 0x93}},
      {"rxvt Shift+F5", E + "[15$", {0, 0x58}},
      {"rxvt Ctrl+F8", E + "[19^", {0, 0x65}},
      // rxvt's Ctrl+Shift+F3..F10 (23 and 24 double as Ctrl+F11, Ctrl+F12).
      {"rxvt Ctrl+Shift+F3", E + "[25^", {0, 0x60}},
      {"rxvt Ctrl+Shift+F4", E + "[26^", {0, 0x61}},
      {"rxvt Ctrl+Shift+F5", E + "[28^", {0, 0x62}},
      {"rxvt Ctrl+Shift+F6", E + "[29^", {0, 0x63}},
      {"rxvt Ctrl+Shift+F7", E + "[31^", {0, 0x64}},
      {"rxvt Ctrl+Shift+F8", E + "[32^", {0, 0x65}},
      {"rxvt Ctrl+Shift+F9", E + "[33^", {0, 0x66}},
      {"rxvt Ctrl+Shift+F10", E + "[34^", {0, 0x67}},
      {"ESC before a sequence is Alt", E + E + "[A", {0, 0x98}},
      {"ESC before an SS3 F-key", E + E + "OQ", {0, 0x69}},
      {"Alt+letter yields the letter", E + "s", {'s'}},
      {"Alt+Enter yields Enter", E + "\r", {13}},
      {"keypad application Enter", E + "OM", {13}},
      {"keypad application 7", E + "Ow", {'7'}},
      {"keypad application *", E + "Oj", {'*'}},
      {"e acute", "\xc3\xa9", {Byte(0xC3)}},
      {"euro sign", "\xe2\x82\xac", {Byte(0xE2)}},
      {"emoji", "\xf0\x9f\x98\x80", {Byte(0xF0)}},
      {"stray continuation byte", "\xa9", {Byte(0xA9)}},
      {"broken character", "\xc3x", {Byte(0xC3), 'x'}},
      {"Alt+UTF-8", E + "\xc3\xa9", {Byte(0xC3)}},
      {"character cut short", "\xe2\x82", {Byte(0xE2)}, kWaits},
      // What yields nothing: sequences of no key, and what terminals report.
      {"Ctrl+Space (NUL)", std::string(1, '\0'), {}},
      {"unknown CSI", E + "[99~", {}},
      {"unknown CSI final", E + "[Z", {}},
      {"focus in", E + "[I", {}},
      {"focus out", E + "[O", {}},
      {"device attributes", E + "[?1;2c", {}},
      {"three parameters", E + "[1;2;3A", {}},
      {"CSI P without modifier", E + "[P", {}},
      {"unknown Linux console", E + "[[Z", {}},
      {"unknown SS3", E + "Oz", {}},
      {"over-long sequence", E + "[" + std::string(40, '1') + "x", {}},
      {"over-long sequence with a marker", E + "[" + std::string(34, '1') + "?5h", {}},
      {"unfinished CSI with parameters", E + "[1;5", {}, kWaits},
      {"unfinished SS3 with a modifier", E + "O5", {}, kWaits},
      {"unfinished OSC string", E + "]11;rgb:00", {}, kWaits},
      {"unfinished DCS string", E + "P1$r0m" + E, {}, kWaits},
      {"unfinished old mouse report", E + "[M !", {}, kWaits},
      // ESC and an introducer alone: Alt with that character.
      {"Alt+[", E + "[", {'['}, kWaits},
      {"Alt+O", E + "O", {'O'}, kWaits},
      {"Alt+P", E + "P", {'P'}, kWaits},
      {"Alt+]", E + "]", {']'}, kWaits},
      {"cursor position report", E + "[12;40R", {}},
      {"Ctrl+F3, or a cursor report at row 1", E + "[1;5R", {0, 0x60}},
      {"arrow with a first parameter not 1", E + "[7;5A", {}},
      {"OSC colour reply, BEL", E + "]11;rgb:0000/0000/0000\x07", {}},
      {"OSC title, ST", E + "]0;padlink" + E + "\\", {}},
      {"DCS reply", E + "P1$r0m" + E + "\\", {}},
      {"APC string", E + "_Gi=1;OK" + E + "\\", {}},
      {"PM string", E + "^note" + E + "\\", {}},
      {"old mouse report", E + "[M !!", {}},
      {"old mouse report, far corner", E + "[M#\xff\xff", {}},
      {"SGR mouse press", E + "[<0;12;40M", {}},
      {"SGR mouse release", E + "[<0;12;40m", {}},
      {"urxvt mouse report", E + "[32;12;5M", {}},
      {"secondary device attributes", E + "[>41;379;0c", {}},
      {"mode report", E + "[?1;2$y", {}},
      {"modifier beyond Meta", E + "[1;40A", {}},
      {"bracketed paste start", E + "[200~", {}},
      {"Ctrl+Alt+Space", E + std::string(1, '\0'), {}},
      {"rxvt Ctrl+Alt+Shift+F4", E + E + "[26^", {0, 0x6B}},
      {"no rxvt key 27", E + "[27^", {}},
      {"rxvt Alt+Shift+F4", E + E + "[26~", {0, 0x6B}},
      {"rxvt Alt+Shift+F10", E + E + "[34~", {0, 0x71}},
      {"Shift+F4 in rxvt, Ctrl+F4 in VT220 mode", E + "[26~", {}},
      {"Shift+F10 in rxvt, Ctrl+F10 in VT220 mode", E + "[34~", {}},
      {"OSC string cut by a key", E + "]11;rgb:00" + E + "[1;5A", {0, 0x8D}},
      {"CSI cancelled by CAN", E + "[1;5\x18", {}},
      {"CSI cancelled by SUB", E + "[1;5\x1a", {}},
  };
  return kSequences;
}

// ---------------------------------------------------------------------------
// The keyboard side: feeds reads, ticks as the keyboard's waits do, takes
// codes, and checks every code as it comes out.

class Keyboard {
 public:
  explicit Keyboard(std::uint32_t start) : now_(start) { DecoderReset(&d_); }

  std::uint32_t now() const { return now_; }
  const std::vector<int>& codes() const { return codes_; }
  const TermDecoder& decoder() const { return d_; }

  // One read: the bytes arrive at the current time. The keyboard feeds as
  // many as the decoder has room for; the rest wait until a key is taken.
  void Read(const std::string& bytes) {
    std::size_t fed = 0;
    while (fed < bytes.size()) {
      int room = DecoderRoom(&d_);
      while (room == 0 && DecoderHasCode(&d_)) {
        Take(1);
        room = DecoderRoom(&d_);
      }
      FUZZ_CHECK(room > 0, "no room with every code taken");
      for (; room > 0 && fed < bytes.size(); --room, ++fed) {
        DecoderFeed(&d_, static_cast<unsigned char>(bytes[fed]), now_);
        CheckBounds();
      }
    }
    DecoderTick(&d_, now_);
    CheckBounds();
  }

  // Lets time pass; ticks whenever a held key's time-out falls due, as the
  // keyboard's wait does; `late` ticks once at the end instead.
  void Wait(std::uint32_t ms, bool late = false) {
    const std::uint32_t end = now_ + ms;
    if (!late) {
      for (;;) {
        const int wait = DecoderWaitMs(&d_, now_);
        if (wait < 0 || static_cast<std::uint32_t>(wait) > end - now_) break;
        now_ += static_cast<std::uint32_t>(wait);
        DecoderTick(&d_, now_);
        CheckBounds();
        // Its time has come: nothing may still be waiting for it.
        FUZZ_CHECK(DecoderWaitMs(&d_, now_) != 0, "still held at its time-out");
      }
    }
    now_ = end;
    DecoderTick(&d_, now_);
    CheckBounds();
  }

  // Takes up to n codes, as the control loop reads them: a 0 and then at once
  // the extended code.
  void Take(int n) {
    while (n-- > 0 && DecoderHasCode(&d_)) {
      const int code = DecoderTake(&d_);
      codes_.push_back(code);
      if (code == 0) {
        FUZZ_CHECK(DecoderHasCode(&d_), "a 0 without its extended code");
        const int extended = DecoderTake(&d_);
        codes_.push_back(extended);
        FUZZ_CHECK(IsExtendedCode(extended), "0 then %d, which no special key gives", extended);
        CheckKeyMap(extended);
      } else {
        FUZZ_CHECK(code >= -128 && code <= 127, "code %d is no character", code);
        CheckKeyMap(code);
      }
    }
  }

  void CheckBounds() const {
    FUZZ_CHECK(d_.code_count >= 0 && d_.code_count <= kDecoderCodes, "code_count %d",
               d_.code_count);
    const int room = DecoderRoom(&d_);
    FUZZ_CHECK(room >= 0 && room <= kDecoderCodes / 2, "room %d", room);
    FUZZ_CHECK(d_.code_count > 0 || room > 0, "no room with no code waiting");
    const int wait = DecoderWaitMs(&d_, now_);
    FUZZ_CHECK(wait >= -1 && wait <= static_cast<int>(kEscTimeoutMs), "wait %d", wait);
  }

 private:
  TermDecoder d_;
  std::uint32_t now_;
  std::vector<int> codes_;
};

std::string Hex(const std::vector<int>& codes) {
  std::string s;
  char buf[16];
  for (int c : codes) {
    std::snprintf(buf, sizeof buf, "%s%d", s.empty() ? "" : " ", c);
    s += buf;
  }
  return s;
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v = v << 8 | Byte();
    return v;
  }
  std::string Bytes(std::size_t n) {
    n = std::min(n, size_ - pos_);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  bool AtEnd() const { return pos_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Time steps: every step below the time-out, the time-out and its
// neighbours, and long idle times.
std::uint32_t Step(std::uint8_t s) {
  static const std::uint32_t kLong[] = {kEscTimeoutMs - 1, kEscTimeoutMs, kEscTimeoutMs + 1,
                                        2 * kEscTimeoutMs, 1000,          60000,
                                        0x7FFFFFFFu,       0xFFFFFFFFu};
  if (s < 200) return s % 100;
  return kLong[s % 8];
}

// Arbitrary mode. After the mode byte and a 4-byte start time, operations:
//   op % 4 == 0: a read of 1 + (op >> 2) % 32 bytes that follow
//   op % 4 == 1: a read of 1 + (op >> 2) bytes that follow
//   op % 4 == 2: time passes, Step(next byte); op bit 2: one late tick
//   op % 4 == 3: take (op >> 2) % 8 codes
void Arbitrary(Reader& in) {
  const std::uint32_t start = in.U32();
  Keyboard lazy(start);
  // The same bytes, times and ticks, every code taken at once.
  Keyboard eager(start);
  while (!in.AtEnd()) {
    const std::uint8_t op = in.Byte();
    switch (op % 4) {
      case 0:
      case 1: {
        const std::string bytes = in.Bytes(1 + (op % 4 == 0 ? (op >> 2) % 32 : op >> 2));
        lazy.Read(bytes);
        for (char c : bytes) {
          eager.Read(std::string(1, c));
          eager.Take(1000);
        }
        eager.Take(1000);
        break;
      }
      case 2: {
        const std::uint32_t ms = Step(in.Byte());
        const bool late = op & 4;
        lazy.Wait(ms, late);
        eager.Wait(ms, late);
        eager.Take(1000);
        break;
      }
      case 3:
        lazy.Take((op >> 2) % 8);
        break;
    }
  }
  // Long enough for anything held to settle.
  lazy.Wait(kEscTimeoutMs);
  eager.Wait(kEscTimeoutMs);
  lazy.Take(1000);
  eager.Take(1000);
  FUZZ_CHECK(DecoderWaitMs(&lazy.decoder(), lazy.now()) == -1 &&
                 DecoderWaitMs(&eager.decoder(), eager.now()) == -1,
             "bytes still held after the time-out");
  FUZZ_CHECK(lazy.codes() == eager.codes(), "codes depend on when they are taken:\n  %s\n  %s",
             Hex(lazy.codes()).c_str(), Hex(eager.codes()).c_str());
}

// Checking mode. After the mode byte and a 4-byte start time, one record of
// five bytes per key:
//   the sequence (index into the table)
//   two cuts inside it (bits 0-2 and 3-5: a read ends before that byte), and
//     bit 6: a read ends after it (always after a key that waits)
//   the time steps at the two cuts (low and high nibble, times 3 ms, kept so
//     that the key's bytes all arrive within the time-out)
//   the time step after it, Step(byte) (at least the time-out after a key
//     that waits)
//   how many codes to take after each of its reads
void Checking(Reader& in) {
  const std::vector<Sequence>& table = Sequences();
  struct ReadPlan {
    std::uint32_t step;  // time passed before the read
    std::string bytes;
    int take;
  };
  std::vector<ReadPlan> reads{{0, "", 0}};
  std::vector<int> expected;
  std::string names;
  const std::uint32_t start = in.U32();
  for (int items = 0; items < 64 && !in.AtEnd(); ++items) {
    const Sequence& seq = table[in.Byte() % table.size()];
    const std::uint8_t cuts = in.Byte();
    const std::uint8_t steps = in.Byte();
    const std::uint8_t after = in.Byte();
    const int take = in.Byte() % 8;
    names += std::string(names.empty() ? "" : ", ") + seq.name;
    expected.insert(expected.end(), seq.codes.begin(), seq.codes.end());
    // The time since the read that holds the key's first byte.
    std::uint32_t span = 0;
    const std::size_t cut1 = cuts & 7;
    const std::size_t cut2 = (cuts >> 3) & 7;
    for (std::size_t k = 0; k < seq.bytes.size(); ++k) {
      if (k > 0 && (k == cut1 || k == cut2)) {
        const std::uint32_t want = 3u * ((k == cut1 ? steps : steps >> 4) & 15);
        const std::uint32_t step = std::min(want, kEscTimeoutMs - 1 - span);
        span += step;
        reads.push_back({step, "", take});
      }
      reads.back().bytes += seq.bytes[k];
      reads.back().take = take;
    }
    if ((cuts & 64) || (seq.flags & kWaits)) {
      std::uint32_t step = Step(after);
      if (seq.flags & kWaits) step = std::max(step, kEscTimeoutMs);
      reads.push_back({step, "", take});
    }
  }

  Keyboard keyboard(start);
  for (const ReadPlan& r : reads) {
    keyboard.Wait(r.step);
    keyboard.Read(r.bytes);
    keyboard.Take(r.take);
  }
  keyboard.Wait(kEscTimeoutMs);
  keyboard.Take(1000);
  FUZZ_CHECK(keyboard.codes() == expected, "keys: %s\n  codes:    %s\n  expected: %s",
             names.c_str(), Hex(keyboard.codes()).c_str(), Hex(expected).c_str());
}

// ---------------------------------------------------------------------------
// Seeds: one checking record per sequence, each sequence as one arbitrary
// read, and a few timing cases.

void WriteSeed(const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

void WriteSeeds(const std::string& dir) {
  const std::vector<Sequence>& table = Sequences();
  const std::string start("\0\0\0\0", 4);
  const std::string wrap("\xff\xff\xff\xf0", 4);
  char name[64];
  for (std::size_t i = 0; i < table.size(); ++i) {
    // Checking: the key alone, cut after its first byte with a 45 ms step, then
    // the letter a.
    std::string check = "\x01" + start;
    check += {static_cast<char>(i), 0x01, 0x0F, 0x00, 0x00};
    check += {0x00, 0x40, 0x00, 0x00, 0x01};
    std::snprintf(name, sizeof name, "check-%03zu", i);
    WriteSeed(dir, name, check);
    // Arbitrary: the bytes as one read.
    const std::string& b = table[i].bytes;
    std::string any = std::string(1, '\0') + wrap;
    any += static_cast<char>(((b.size() - 1) << 2) | 1);
    any += b;
    std::snprintf(name, sizeof name, "any-%03zu", i);
    WriteSeed(dir, name, any);
  }
  // Esc, then time steps around the time-out, then a read of "[A".
  for (std::uint8_t s : {200, 201, 202}) {
    std::string any = std::string(1, '\0') + start;
    any += {0x01, 0x1b, 0x02, static_cast<char>(s), 0x05, '[', 'A'};
    std::snprintf(name, sizeof name, "esc-step-%u", s);
    WriteSeed(dir, name, any);
  }
  // Many keys pasted at once, taken one at a time.
  std::string paste = std::string(1, '\0') + start;
  paste += static_cast<char>((63 << 2) | 1);
  for (int i = 0; i < 64; ++i)
    paste += static_cast<char>('0' + i % 10);
  paste += "\x07";
  WriteSeed(dir, "paste", paste);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "--write-seeds=", 14) == 0) {
      WriteSeeds((*argv)[i] + 14);
      std::exit(0);
    }
  }
  MakeTables();
  for (int code = -1000; code <= 1000; ++code)
    CheckKeyMap(code);
  for (const Sequence& s : Sequences()) {
    for (int c : s.codes)
      FUZZ_CHECK(c == 0 || IsExtendedCode(c) || (c >= -128 && c <= 127), "table row %s", s.name);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return -1;
  Reader in(data + 1, size - 1);
  if (data[0] & 1)
    Checking(in);
  else
    Arbitrary(in);
  return 0;
}
