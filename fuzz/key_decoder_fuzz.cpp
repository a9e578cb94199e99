// The terminal key decoder with the key map, fed as the POSIX keyboard feeds
// it: reads of several bytes at one time stamp, a tick after each read and
// whenever the Esc time-out of a held key falls due, keys taken a few at a
// time, and bytes left unread while the decoder has no room for them.
//
// The first byte picks the mode:
// - even: arbitrary reads, time steps and takes. The keys must be valid (a
//   character other than NUL, a special key in a form the PC console has a
//   code for with the modifiers of that form, a paste, or ignored bytes of
//   a sequence that keep its first bytes), the buffers bounded, nothing may
//   stay held once its time-out (a paste's gap) has passed, and the keys must be
//   the same as when every key is taken at once (nothing is lost or
//   reordered for lack of room). The reads at one time stamp stand for
//   bytes that came together; st's CSI M and pastes are among the seeds.
// - odd: real key sequences from the decoder's table of sequences
//   (tests/support/key_sequences.h, shared with its unit test), cut into
//   reads at random points with time steps that keep every key within the
//   Esc time-out (the bytes of a report within kReportGapMs); the keys must
//   be exactly the sequences' keys, ignored bytes aside.
// Every key also goes through the key map, which must agree with the key
// table (tests/support/key_table.h).
//
// `key_decoder_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/key_map.h"
#include "fuzz/fuzz_support.h"
#include "keys/key_codes.h"
#include "keys/term_decoder.h"
#include "tests/support/key_names.h"
#include "tests/support/key_sequences.h"
#include "tests/support/key_table.h"

namespace {

using testkeys::KeySequence;
using testkeys::kKeySequences;

// ---------------------------------------------------------------------------
// The key table for every key, and the keys of every sequence, worked out
// once, so that checking a key takes no comparisons the fuzzer would chase.

KeyMapping g_character_action[256];
KeyMapping g_special_action[kSpecialKeyCount][kKeyFormCount];
std::vector<std::vector<Key>> g_sequence_keys;

bool ValidKey(const Key& key) {
  if (key.kind == KeyKind::kCharacter) return key.character != 0;
  if (key.kind == KeyKind::kPaste || key.kind == KeyKind::kPasteBegin) return true;
  if (key.kind == KeyKind::kIgnored) {
    if (key.length == 0) return false;
    for (std::uint32_t i = key.length; i < kKeyBytes; ++i)
      if (key.bytes[i] != 0) return false;
    return true;
  }
  if (key.kind != KeyKind::kSpecial) return false;
  const int k = static_cast<int>(key.special);
  const int f = static_cast<int>(key.form);
  const bool held_form = key.held < 8 && FormOf(key.held & kHeldShift, key.held & kHeldCtrl,
                                                key.held & kHeldAlt) == key.form;
  return k >= 0 && k < kSpecialKeyCount && f >= 0 && f < kKeyFormCount && held_form &&
         ExtendedCode(key.special, key.form) != 0;
}

void CheckKeyMap(const Key& key) {
  const KeyMapping got = KeyMap(key);
  KeyMapping want{KeyAction::kNone, 0};
  if (key.kind == KeyKind::kCharacter)
    want = g_character_action[key.character];
  else if (key.kind == KeyKind::kSpecial)
    want = g_special_action[static_cast<int>(key.special)][static_cast<int>(key.form)];
  FUZZ_CHECK(got.action == want.action && got.command == want.command,
             "KeyMap(%s) is action %d command %d, the key table says %d %d",
             testkeys::KeyName(key).c_str(), static_cast<int>(got.action), got.command,
             static_cast<int>(want.action), want.command);
}

void MakeTables() {
  for (const Key& key : testkeys::EveryKey()) {
    const KeyMapping action = testkeys::ReferenceKeyMap(key);
    if (key.kind == KeyKind::kCharacter)
      g_character_action[key.character] = action;
    else if (key.kind == KeyKind::kSpecial)
      g_special_action[static_cast<int>(key.special)][static_cast<int>(key.form)] = action;
  }
  for (const KeySequence& s : kKeySequences) {
    g_sequence_keys.push_back(testkeys::Keys(s.keys));
    for (const Key& key : g_sequence_keys.back())
      FUZZ_CHECK(ValidKey(key), "table row %s", s.name);
  }
}

// ---------------------------------------------------------------------------
// The keyboard side: feeds reads, ticks as the keyboard's waits do, takes
// keys, and checks every key as it comes out.

class Keyboard {
 public:
  explicit Keyboard(std::uint32_t start) : now_(start) { DecoderReset(&d_); }

  std::uint32_t now() const { return now_; }
  const std::vector<Key>& keys() const { return keys_; }
  const TermDecoder& decoder() const { return d_; }

  // One read: the bytes arrive at the current time. The keyboard feeds as
  // many as the decoder has room for; the rest wait until a key is taken.
  void Read(const std::string& bytes) {
    std::size_t fed = 0;
    while (fed < bytes.size()) {
      int room = DecoderRoom(&d_);
      while (room == 0 && DecoderHasKey(&d_)) {
        Take(1);
        room = DecoderRoom(&d_);
      }
      FUZZ_CHECK(room > 0, "no room with every key taken");
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

  // Takes up to n keys, as the control loop takes them.
  void Take(int n) {
    while (n-- > 0) {
      const std::optional<Key> key = DecoderTake(&d_);
      if (!key) break;
      FUZZ_CHECK(ValidKey(*key), "key of kind %d, character %d, special %d, form %d",
                 static_cast<int>(key->kind), key->character, static_cast<int>(key->special),
                 static_cast<int>(key->form));
      keys_.push_back(*key);
      CheckKeyMap(*key);
    }
  }

  void CheckBounds() const {
    FUZZ_CHECK(d_.key_count >= 0 && d_.key_count <= kDecoderKeys, "key_count %d", d_.key_count);
    const int room = DecoderRoom(&d_);
    FUZZ_CHECK(room >= 0 && room <= kDecoderKeys / 2, "room %d", room);
    FUZZ_CHECK(d_.key_count > 0 || room > 0, "no room with no key waiting");
    const int wait = DecoderWaitMs(&d_, now_);
    FUZZ_CHECK(wait >= -1 && wait <= static_cast<int>(kPasteGapMs), "wait %d", wait);
  }

 private:
  TermDecoder d_;
  std::uint32_t now_;
  std::vector<Key> keys_;
};

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
//   op % 4 == 3: take (op >> 2) % 8 keys
void Arbitrary(Reader& in) {
  const std::uint32_t start = in.U32();
  Keyboard lazy(start);
  // The same bytes, times and ticks, every key taken at once.
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
  // Long enough for anything held to settle, a paste without its end too.
  lazy.Wait(kPasteGapMs);
  eager.Wait(kPasteGapMs);
  lazy.Take(1000);
  eager.Take(1000);
  FUZZ_CHECK(DecoderWaitMs(&lazy.decoder(), lazy.now()) == -1 &&
                 DecoderWaitMs(&eager.decoder(), eager.now()) == -1,
             "bytes still held after the time-out");
  FUZZ_CHECK(lazy.keys() == eager.keys(), "keys depend on when they are taken:\n  %s\n  %s",
             testkeys::Names(lazy.keys()).c_str(), testkeys::Names(eager.keys()).c_str());
}

// Checking mode. After the mode byte and a 4-byte start time, one record of
// five bytes per key:
//   the sequence (index into the table)
//   two cuts inside it (bits 0-2 and 3-5: a read ends before that byte), and
//     bit 6: a read ends after it (always after a key that waits)
//   the time steps at the two cuts (low and high nibble, times 3 ms, kept so
//     that the key's bytes all arrive within the time-out, or within
//     kReportGapMs for a report)
//   the time step after it, Step(byte) (at least the time-out after a key
//     that waits)
//   how many keys to take after each of its reads
void Checking(Reader& in) {
  const std::vector<KeySequence>& table = kKeySequences;
  struct ReadPlan {
    std::uint32_t step;  // time passed before the read
    std::string bytes;
    int take;
  };
  std::vector<ReadPlan> reads{{0, "", 0}};
  std::vector<Key> expected;
  std::string names;
  const std::uint32_t start = in.U32();
  for (int items = 0; items < 64 && !in.AtEnd(); ++items) {
    const std::size_t index = in.Byte() % table.size();
    const KeySequence& seq = table[index];
    const std::uint8_t cuts = in.Byte();
    const std::uint8_t steps = in.Byte();
    const std::uint8_t after = in.Byte();
    const int take = in.Byte() % 8;
    names += std::string(names.empty() ? "" : ", ") + seq.name;
    expected.insert(expected.end(), g_sequence_keys[index].begin(), g_sequence_keys[index].end());
    // The time since the read that holds the key's first byte.
    std::uint32_t span = 0;
    const std::uint32_t limit = seq.together ? kReportGapMs : kEscTimeoutMs;
    const std::size_t cut1 = cuts & 7;
    const std::size_t cut2 = (cuts >> 3) & 7;
    for (std::size_t k = 0; k < seq.bytes.size(); ++k) {
      if (k > 0 && (k == cut1 || k == cut2)) {
        const std::uint32_t want = 3u * ((k == cut1 ? steps : steps >> 4) & 15);
        const std::uint32_t step = std::min(want, limit - 1 - span);
        span += step;
        reads.push_back({step, "", take});
      }
      reads.back().bytes += seq.bytes[k];
      reads.back().take = take;
    }
    if ((cuts & 64) || seq.waits) {
      std::uint32_t step = Step(after);
      step = std::max(step, seq.waits);
      reads.push_back({step, "", take});
    }
  }

  Keyboard keyboard(start);
  for (const ReadPlan& r : reads) {
    keyboard.Wait(r.step);
    keyboard.Read(r.bytes);
    keyboard.Take(r.take);
  }
  keyboard.Wait(kPasteGapMs);
  keyboard.Take(1000);
  const std::vector<Key> keys = testkeys::WithoutIgnored(keyboard.keys());
  FUZZ_CHECK(keys == expected, "sequences: %s\n  keys:     %s\n  expected: %s", names.c_str(),
             testkeys::Names(keys).c_str(), testkeys::Names(expected).c_str());
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
  const std::vector<KeySequence>& table = kKeySequences;
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
  // st's Ctrl+Delete, then keys typed 12 ms apart, each its own read; and a
  // mouse report split within the gap.
  std::string st = std::string(1, '\0') + start;
  st += {0x09, 0x1b, '[', 'M'};
  for (char c : std::string("23456")) {
    st += {0x02, 12, 0x01};
    st += c;
  }
  WriteSeed(dir, "st-ctrl-delete-then-keys", st);
  std::string split = std::string(1, '\0') + start;
  split += {0x09, 0x1b, '[', 'M', 0x02, 2, 0x09, ' ', '!', '!', 0x02, 20, 0x01, '5'};
  WriteSeed(dir, "mouse-report-split", split);
  // A paste in pieces with waits between them (99 ms each, within its gap),
  // its end split, a key after it.
  std::string pasted = std::string(1, '\0') + start;
  pasted += {0x1D, 0x1b, '[', '2', '0', '0', '~', '5', 0x1b};
  pasted += {0x02, 99, 0x0D, '[', '2', '0', '1', 0x02, 99};
  pasted += {0x05, '~', '7'};
  WriteSeed(dir, "paste-in-pieces", pasted);
  // A paste whose end never comes: 60 s pass (Step(205)), then keys and Esc,
  // which are keys again.
  std::string endless = std::string(1, '\0') + start;
  endless += {0x29, 0x1b, '[', '2', '0', '0', '~', 'h', 'e', 'l', 'l', 'o'};
  endless += {0x02, static_cast<char>(205), 0x09, '1', '2', 0x1b, 0x02, 60};
  WriteSeed(dir, "paste-without-end", endless);
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
  for (const Key& key : testkeys::EveryKey())
    CheckKeyMap(key);
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
