#include "platform/keys/term_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds the bytes at time 0, then lets `later` ms pass; returns every code.
std::vector<int> Decode(const std::string& bytes, std::uint32_t later = 0) {
  TermDecoder d;
  DecoderReset(&d);
  std::vector<int> codes;
  auto drain = [&] {
    while (DecoderHasCode(&d))
      codes.push_back(DecoderTake(&d));
  };
  for (char c : bytes) {
    DecoderFeed(&d, static_cast<unsigned char>(c), 0);
    drain();
  }
  DecoderTick(&d, later);
  drain();
  return codes;
}

struct Case {
  const char* name;
  std::string bytes;
  std::vector<int> codes;
};

const std::string E = "\x1b";

TEST(TermDecoderTest, Sequences) {
  const Case cases[] = {
      {"letter", "a", {'a'}},
      {"Enter", "\r", {13}},
      {"Ctrl+S passes as a key", "\x13", {0x13}},
      {"digits", "50", {'5', '0'}},
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
      // Modifiers: m - 1 = Shift 1, Alt 2, Ctrl 4, Meta 8.
      {"Shift+Up", E + "[1;2A", {0, 0x48}},
      {"Ctrl+Up", E + "[1;5A", {0, 0x8D}},
      {"Alt+Up", E + "[1;3A", {0, 0x98}},
      {"Meta+Up", E + "[1;9A", {0, 0x98}},
      {"Ctrl+Left", E + "[1;5D", {0, 0x73}},
      {"Ctrl+Right", E + "[1;5C", {0, 0x74}},
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
      {"ESC before a sequence is Alt", E + E + "[A", {0, 0x98}},
      {"ESC before an SS3 F-key", E + E + "OQ", {0, 0x69}},
      {"Alt+letter yields the letter", E + "s", {'s'}},
      {"Alt+Enter yields Enter", E + "\r", {13}},
      {"keypad application Enter", E + "OM", {13}},
      {"keypad application 7", E + "Ow", {'7'}},
      {"keypad application *", E + "Oj", {'*'}},
      {"two keys at once", E + "[A" + E + "[B", {0, 0x48, 0, 0x50}},
      {"key after a sequence", E + "[Cx", {0, 0x4D, 'x'}},
      // One key is one code or one pair: nothing stray from the unknown.
      {"unknown CSI", E + "[99~", {}},
      {"unknown CSI final", E + "[Z", {}},
      {"focus event", E + "[I", {}},
      {"private CSI", E + "[?1;2c", {}},
      {"three parameters", E + "[1;2;3A", {}},
      {"CSI P without modifier", E + "[P", {}},
      {"unknown Linux console", E + "[[Z", {}},
      {"unknown SS3", E + "Oz", {}},
      {"unknown then key", E + "[99~a", {'a'}},
      // UTF-8 characters of several bytes: one code of 128 or more, negative.
      {"e acute", "\xc3\xa9", {static_cast<signed char>(0xC3)}},
      {"euro sign", "\xe2\x82\xac", {static_cast<signed char>(0xE2)}},
      {"emoji", "\xf0\x9f\x98\x80", {static_cast<signed char>(0xF0)}},
      {"stray continuation byte", "\xa9", {static_cast<signed char>(0xA9)}},
      {"broken character", "\xc3x", {static_cast<signed char>(0xC3), 'x'}},
      {"Alt+UTF-8", E + "\xc3\xa9", {static_cast<signed char>(0xC3)}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Decode(c.bytes, 1000), c.codes) << c.name;
}

TEST(TermDecoderTest, SequencesSplitAcrossReadsWaitForTheirRest) {
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 0);
  DecoderFeed(&d, '[', 10);
  DecoderTick(&d, 40);
  EXPECT_FALSE(DecoderHasCode(&d));
  DecoderFeed(&d, '1', 45);
  DecoderFeed(&d, ';', 45);
  EXPECT_FALSE(DecoderHasCode(&d));
  DecoderFeed(&d, '5', 48);
  DecoderFeed(&d, 'A', 49);
  ASSERT_TRUE(DecoderHasCode(&d));
  EXPECT_EQ(DecoderTake(&d), 0);
  EXPECT_TRUE(DecoderHasCode(&d));  // the second code of the pair is pending
  EXPECT_EQ(DecoderTake(&d), 0x8D);
  EXPECT_FALSE(DecoderHasCode(&d));
}

TEST(TermDecoderTest, LoneEscIsTheEscKeyOnceItsTimeHasPassed) {
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 1000);
  EXPECT_EQ(DecoderWaitMs(&d, 1000), static_cast<int>(kEscTimeoutMs));
  DecoderTick(&d, 1000 + kEscTimeoutMs - 1);
  EXPECT_FALSE(DecoderHasCode(&d));
  EXPECT_EQ(DecoderWaitMs(&d, 1000 + kEscTimeoutMs - 1), 1);
  DecoderTick(&d, 1000 + kEscTimeoutMs);
  ASSERT_TRUE(DecoderHasCode(&d));
  EXPECT_EQ(DecoderTake(&d), 27);
  EXPECT_EQ(DecoderWaitMs(&d, 2000), -1);
  // Across the wrap of the millisecond count.
  DecoderFeed(&d, 0x1b, 0xFFFFFFF0u);
  DecoderTick(&d, 0xFFFFFFF0u + kEscTimeoutMs - 1);
  EXPECT_FALSE(DecoderHasCode(&d));
  DecoderTick(&d, 0xFFFFFFF0u + kEscTimeoutMs);
  EXPECT_EQ(DecoderTake(&d), 27);
}

TEST(TermDecoderTest, TimedOutPrefixes) {
  EXPECT_EQ(Decode(E, 49), std::vector<int>{});
  EXPECT_EQ(Decode(E, 50), std::vector<int>{27});
  EXPECT_EQ(Decode(E + E, 50), std::vector<int>{27});  // Alt+Esc
  EXPECT_EQ(Decode(E + "[", 50), std::vector<int>{});  // unfinished: nothing
  EXPECT_EQ(Decode(E + "[1;5", 50), std::vector<int>{});
  EXPECT_EQ(Decode(E + "O", 50), std::vector<int>{});
  EXPECT_EQ(Decode("\xe2\x82", 50), std::vector<int>{static_cast<signed char>(0xE2)});
  // Esc then a key typed later than the time-out: two keys.
  TermDecoder d;
  DecoderReset(&d);
  DecoderFeed(&d, 0x1b, 0);
  DecoderTick(&d, 60);
  DecoderFeed(&d, 'a', 70);
  EXPECT_EQ(DecoderTake(&d), 27);
  EXPECT_EQ(DecoderTake(&d), 'a');
}

TEST(TermDecoderTest, EndlessSequenceIsDroppedNotHeldForever) {
  std::string junk = E + "[";
  junk += std::string(100, '1');
  junk += "xa";
  EXPECT_EQ(Decode(junk, 1000), std::vector<int>{'a'});
}

}  // namespace
