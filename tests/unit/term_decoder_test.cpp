#include "keys/term_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/key_names.h"
#include "tests/support/key_sequences.h"

namespace {

using testkeys::Keys;
using testkeys::KeySequence;
using testkeys::kKeySequences;

// Feeds the bytes at time 0, then lets `later` ms pass; returns every key,
// the ignored bytes too.
std::vector<Key> DecodeAll(const std::string& bytes, std::uint32_t later = 0) {
  TermDecoder d;
  DecoderReset(&d);
  std::vector<Key> keys;
  auto drain = [&] {
    while (std::optional<Key> key = DecoderTake(&d))
      keys.push_back(*key);
  };
  for (char c : bytes) {
    DecoderFeed(&d, static_cast<unsigned char>(c), 0);
    drain();
  }
  DecoderTick(&d, later);
  drain();
  return keys;
}

// The same, without the ignored bytes.
std::vector<Key> Decode(const std::string& bytes, std::uint32_t later = 0) {
  return testkeys::WithoutIgnored(DecodeAll(bytes, later));
}

TEST(TermDecoderTest, EverySequenceGivesItsKeys) {
  for (const KeySequence& s : kKeySequences)
    EXPECT_EQ(Decode(s.bytes, 1000), Keys(s.keys)) << s.name;
}

// A prefix of longer keys holds nothing until its time-out has passed, and
// gives its keys then.
TEST(TermDecoderTest, KeysThatWaitComeAtTheirTimeOut) {
  for (const KeySequence& s : kKeySequences) {
    if (!s.waits) continue;
    std::vector<Key> early = DecodeAll(s.bytes, s.waits - 1);
    // A paste tells of its beginning at once.
    std::erase(early, Key::PasteBegin());
    EXPECT_EQ(early, std::vector<Key>{}) << s.name;
    EXPECT_EQ(Decode(s.bytes, s.waits), Keys(s.keys)) << s.name;
  }
}

TEST(TermDecoderTest, SequencesSplitAcrossReadsWaitForTheirRest) {
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 0);
  DecoderFeed(&d, '[', 10);
  DecoderTick(&d, 40);
  EXPECT_FALSE(DecoderHasKey(&d));
  DecoderFeed(&d, '1', 45);
  DecoderFeed(&d, ';', 45);
  EXPECT_FALSE(DecoderHasKey(&d));
  DecoderFeed(&d, '5', 48);
  DecoderFeed(&d, 'A', 49);
  ASSERT_TRUE(DecoderHasKey(&d));
  EXPECT_EQ(DecoderTake(&d), Key::Special(SpecialKey::kUp, KeyForm::kCtrl));
  EXPECT_FALSE(DecoderHasKey(&d));
  EXPECT_EQ(DecoderTake(&d), std::nullopt);
}

TEST(TermDecoderTest, LoneEscIsTheEscKeyOnceItsTimeHasPassed) {
  const Key esc = Key::Character(27);
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 1000);
  EXPECT_EQ(DecoderWaitMs(&d, 1000), static_cast<int>(kEscTimeoutMs));
  DecoderTick(&d, 1000 + kEscTimeoutMs - 1);
  EXPECT_FALSE(DecoderHasKey(&d));
  EXPECT_EQ(DecoderWaitMs(&d, 1000 + kEscTimeoutMs - 1), 1);
  DecoderTick(&d, 1000 + kEscTimeoutMs);
  ASSERT_TRUE(DecoderHasKey(&d));
  EXPECT_EQ(DecoderTake(&d), esc);
  EXPECT_EQ(DecoderWaitMs(&d, 2000), -1);
  // Across the wrap of the millisecond count.
  DecoderFeed(&d, 0x1b, 0xFFFFFFF0u);
  DecoderTick(&d, 0xFFFFFFF0u + kEscTimeoutMs - 1);
  EXPECT_FALSE(DecoderHasKey(&d));
  DecoderTick(&d, 0xFFFFFFF0u + kEscTimeoutMs);
  EXPECT_EQ(DecoderTake(&d), esc);
}

// Esc, then a key typed later than the time-out: two keys.
TEST(TermDecoderTest, EscThenAKeyAfterTheTimeOutAreTwoKeys) {
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 0);
  DecoderTick(&d, 60);
  DecoderFeed(&d, 'a', 70);
  EXPECT_EQ(DecoderTake(&d), Key::Character(27));
  EXPECT_EQ(DecoderTake(&d), Key::Character('a'));
}

// A keyboard that reads no more than DecoderRoom bytes at a time, as the
// POSIX keyboard does, and takes one key per pass of the loop, loses nothing
// however much is typed ahead.
TEST(TermDecoderTest, BytesFedAsRoomAllowsLoseNoKey) {
  const std::string E = "\x1b";
  std::string input;
  std::vector<Key> expected;
  for (int i = 0; i < 10; ++i) {
    for (char c : std::string("1234567890")) {
      input += c;
      expected.push_back(Key::Character(c));
    }
    input += E + "[1;5A" + E + "]11;rgb:0000/0000/0000\x07" + E + "[3~";
    expected.push_back(Key::Special(SpecialKey::kUp, KeyForm::kCtrl));
    expected.push_back(Key::Special(SpecialKey::kDelete));
  }
  input += "S";
  expected.push_back(Key::Character('S'));

  TermDecoder d;
  DecoderReset(&d);
  std::vector<Key> keys;
  std::size_t fed = 0;
  std::uint32_t now = 0;
  for (int pass = 0; pass < 10000 && keys.size() < expected.size(); ++pass, now += 13) {
    const int room = DecoderRoom(&d);
    ASSERT_GE(room, 0);
    for (int i = 0; i < room && fed < input.size(); ++i)
      DecoderFeed(&d, static_cast<unsigned char>(input[fed++]), now);
    if (fed == input.size()) DecoderTick(&d, now);
    const std::optional<Key> key = DecoderTake(&d);
    if (key && key->kind != KeyKind::kIgnored) keys.push_back(*key);
  }
  EXPECT_EQ(keys, expected);
}

}  // namespace

namespace {

// Bytes fed as reads at their times, then `later` ms after the last: every
// key, the ignored bytes too.
struct TimedRead {
  std::uint32_t at;
  std::string bytes;
};

std::vector<Key> DecodeReads(const std::vector<TimedRead>& reads, std::uint32_t later) {
  TermDecoder d;
  DecoderReset(&d);
  std::vector<Key> keys;
  auto drain = [&] {
    while (std::optional<Key> key = DecoderTake(&d))
      keys.push_back(*key);
  };
  for (const TimedRead& r : reads) {
    DecoderTick(&d, r.at);
    for (char c : r.bytes)
      DecoderFeed(&d, static_cast<unsigned char>(c), r.at);
    DecoderTick(&d, r.at);
    drain();
  }
  DecoderTick(&d, reads.back().at + later);
  drain();
  return keys;
}

std::string BytesOf(const Key& key) {
  return std::string(reinterpret_cast<const char*>(key.bytes),
                     std::min<std::size_t>(key.length, kKeyBytes));
}

// st sends CSI M for Ctrl+Delete; a mouse report (which padlink never asks
// for) is CSI M with three bytes, all in one write. Keys typed after
// Ctrl+Delete come in later reads, however soon, and are all keys.
TEST(TermDecoderTest, StCtrlDeleteThenTypedKeysLoseNone) {
  for (std::uint32_t gap : {kReportGapMs, 5u, 12u, 100u}) {
    std::vector<TimedRead> reads = {{1000, "\x1b[M"}};
    for (char c : std::string("23456"))
      reads.push_back({reads.back().at + gap, std::string(1, c)});
    EXPECT_EQ(DecodeReads(reads, 0), Keys("Ctrl+Delete 2 3 4 5 6")) << gap << " ms apart";
  }
}

TEST(TermDecoderTest, MouseReportBytesThatComeTogetherAreOneReport) {
  struct Case {
    const char* name;
    std::vector<TimedRead> reads;
    const char* keys;
  };
  const Case cases[] = {
      {"one read", {{0, "\x1b[M !!"}, {20, "5"}}, "5"},
      {"split within the gap", {{0, "\x1b[M"}, {kReportGapMs - 1, " !!"}, {20, "5"}}, "5"},
      {"cut short, then a key", {{0, "\x1b[M !"}, {100, "5"}}, "5"},
      {"CSI M alone, then a report", {{0, "\x1b[M"}, {10, "\x1b[M !!"}}, "Ctrl+Delete"},
  };
  for (const Case& c : cases) {
    const std::vector<Key> keys = DecodeReads(c.reads, 1000);
    EXPECT_EQ(testkeys::WithoutIgnored(keys), Keys(c.keys)) << c.name;
  }
  const std::vector<Key> report = DecodeReads({{0, "\x1b[M !!"}}, 0);
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0].kind, KeyKind::kIgnored);
  EXPECT_EQ(BytesOf(report[0]), "\x1b[M !!");
}

// A paste tells of its beginning at once and ends at its end mark, however
// long its bytes take, as long as none of them comes more than kPasteGapMs
// after the one before; whatever it holds, it yields no key.
TEST(TermDecoderTest, APasteEndsAtItsEndMarkAndYieldsNoKey) {
  TermDecoder d;
  DecoderReset(&d);
  const std::string start = "\x1b[200~";
  for (char c : start + "5\x1b")
    DecoderFeed(&d, static_cast<unsigned char>(c), 0);
  EXPECT_EQ(DecoderTake(&d), Key::PasteBegin());
  EXPECT_EQ(DecoderWaitMs(&d, 0), static_cast<int>(kPasteGapMs));
  DecoderTick(&d, kPasteGapMs - 1);
  EXPECT_FALSE(DecoderHasKey(&d));
  const std::uint32_t later = kPasteGapMs - 1;
  for (char c : std::string("[20") + "1x\x1b[3~S\x1b[201")
    DecoderFeed(&d, static_cast<unsigned char>(c), later);
  DecoderTick(&d, 2 * later);
  EXPECT_FALSE(DecoderHasKey(&d));
  DecoderFeed(&d, '~', 2 * later);
  DecoderFeed(&d, '7', 2 * later);
  EXPECT_EQ(DecoderTake(&d), Key::Paste(12));
  EXPECT_EQ(DecoderTake(&d), Key::Character('7'));
  EXPECT_EQ(DecoderWaitMs(&d, 2 * later), -1);
}

// A paste whose end mark never comes (a terminal that lost it, a program
// that sent only the beginning) is over once its bytes stopped for
// kPasteGapMs: the keys typed after it are keys, the quit keys too.
TEST(TermDecoderTest, APasteWhoseEndNeverComesIsOverAfterItsGap) {
  struct Case {
    const char* name;
    std::string paste;
    std::uint32_t length;
  };
  const Case cases[] = {
      {"text", "\x1b[200~hello", 5},
      {"cut in its end mark", "\x1b[200~12\x1b[20", 6},
      {"ending in Esc", "\x1b[200~ab\x1b", 3},
  };
  for (const Case& c : cases) {
    TermDecoder d;
    DecoderReset(&d);
    for (char ch : c.paste)
      DecoderFeed(&d, static_cast<unsigned char>(ch), 1000);
    EXPECT_EQ(DecoderTake(&d), Key::PasteBegin()) << c.name;
    DecoderTick(&d, 1000 + kPasteGapMs - 1);
    EXPECT_FALSE(DecoderHasKey(&d)) << c.name;
    DecoderTick(&d, 1000 + kPasteGapMs);
    EXPECT_EQ(DecoderTake(&d), Key::Paste(c.length)) << c.name;
    EXPECT_EQ(DecoderWaitMs(&d, 1000 + kPasteGapMs), -1) << c.name;
    for (char ch : std::string("12"))
      DecoderFeed(&d, static_cast<unsigned char>(ch), 3000);
    DecoderFeed(&d, 0x1b, 4000);
    DecoderTick(&d, 4000 + kEscTimeoutMs);
    std::vector<Key> keys;
    while (std::optional<Key> key = DecoderTake(&d))
      keys.push_back(*key);
    EXPECT_EQ(testkeys::Names(keys), "1 2 Esc") << c.name;
  }
}

// At the end of the input no byte can come: what is held settles at once, a
// lone Esc as the Esc key, a paste without its end as a paste.
TEST(TermDecoderTest, AtTheEndOfTheInputWhatIsHeldSettlesAtOnce) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* keys;
  };
  const Case cases[] = {
      {"lone Esc", "\x1b", "Esc"},
      {"Esc and [", "\x1b[", "["},
      {"character cut short", "\xc3", "0xC3"},
      {"paste without its end", "\x1b[200~ab", "pasting paste:2"},
      {"a key", "5", "5"},
  };
  for (const Case& c : cases) {
    TermDecoder d;
    DecoderReset(&d);
    for (char ch : c.bytes)
      DecoderFeed(&d, static_cast<unsigned char>(ch), 7);
    DecoderFinish(&d);
    std::vector<Key> keys;
    while (std::optional<Key> key = DecoderTake(&d))
      keys.push_back(*key);
    EXPECT_EQ(testkeys::Names(keys), testkeys::Names(Keys(c.keys))) << c.name;
    EXPECT_EQ(DecoderWaitMs(&d, 7), -1) << c.name;
  }
}

// What is no key comes out as ignored bytes, each sequence whole, so that
// the key tester can show it.
TEST(TermDecoderTest, IgnoredBytesKeepTheirSequence) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> ignored;  // each ignored sequence, in order
    const char* keys;
  };
  const std::string long_osc = "\x1b]11;rgb:0000/0000/0000\x07";
  const Case cases[] = {
      {"urxvt Shift+F3", "\x1b[25~", {"\x1b[25~"}, ""},
      {"cursor report, then a key", "\x1b[12;40R5", {"\x1b[12;40R"}, "5"},
      {"Ctrl+Space", std::string(1, '\0'), {std::string(1, '\0')}, ""},
      {"Ctrl+Alt+Space", std::string("\x1b") + '\0', {std::string("\x1b") + '\0'}, ""},
      {"ESC cuts a sequence", "\x1b[1;5\x1b[A", {"\x1b[1;5"}, "Up"},
      {"ESC cuts a string", "\x1b]11;rgb:00\x1b[1;5A", {"\x1b]11;rgb:00"}, "Ctrl+Up"},
      {"string to ST", "\x1bP1$r0m\x1b\\a", {"\x1bP1$r0m\x1b\\"}, "a"},
      {"cancelled", "\x1b[1;5\x18", {"\x1b[1;5\x18"}, ""},
      {"long string: its first bytes", long_osc, {long_osc.substr(0, kKeyBytes)}, ""},
  };
  for (const Case& c : cases) {
    const std::vector<Key> keys = DecodeAll(c.bytes, 1000);
    std::vector<std::string> ignored;
    std::size_t length = 0;
    for (const Key& k : keys) {
      if (k.kind != KeyKind::kIgnored) continue;
      ignored.push_back(BytesOf(k));
      length += k.length;
    }
    EXPECT_EQ(ignored, c.ignored) << c.name;
    EXPECT_EQ(testkeys::WithoutIgnored(keys), Keys(c.keys)) << c.name;
    if (c.name == std::string("long string: its first bytes")) {
      EXPECT_EQ(length, long_osc.size());
    }
  }
}

}  // namespace
