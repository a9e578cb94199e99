#include "keys/term_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/key_names.h"
#include "tests/support/key_sequences.h"

namespace {

using testkeys::Keys;
using testkeys::KeySequence;
using testkeys::kKeySequences;

// Feeds the bytes at time 0, then lets `later` ms pass; returns every key.
std::vector<Key> Decode(const std::string& bytes, std::uint32_t later = 0) {
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

TEST(TermDecoderTest, EverySequenceGivesItsKeys) {
  for (const KeySequence& s : kKeySequences)
    EXPECT_EQ(Decode(s.bytes, 1000), Keys(s.keys)) << s.name;
}

// A prefix of longer keys holds nothing until its time-out has passed, and
// gives its keys then.
TEST(TermDecoderTest, KeysThatWaitComeAtTheirTimeOut) {
  for (const KeySequence& s : kKeySequences) {
    if (!s.waits) continue;
    EXPECT_EQ(Decode(s.bytes, kEscTimeoutMs - 1), std::vector<Key>{}) << s.name;
    EXPECT_EQ(Decode(s.bytes, kEscTimeoutMs), Keys(s.keys)) << s.name;
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
    if (std::optional<Key> key = DecoderTake(&d)) keys.push_back(*key);
  }
  EXPECT_EQ(keys, expected);
}

}  // namespace
