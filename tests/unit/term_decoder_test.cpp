#include "keys/term_decoder.h"

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

// Ctrl+Space sends a NUL byte: no code at all, so that a 0 from the decoder
// is always the first half of a whole pair.
TEST(TermDecoderTest, NulYieldsNoCode) {
  EXPECT_EQ(Decode(std::string(1, '\0'), 1000), std::vector<int>{});
  EXPECT_EQ(Decode(std::string("\0"
                               "5",
                               2),
                   1000),
            std::vector<int>{'5'});
  EXPECT_EQ(Decode(E + std::string(1, '\0'), 1000), std::vector<int>{});  // Ctrl+Alt+Space
  EXPECT_EQ(Decode(std::string("\0\0", 2) + E + "[A", 1000), (std::vector<int>{0, 0x48}));
}

// What a terminal answers to a query, or reports on its own, is no key.
TEST(TermDecoderTest, TerminalReportsYieldNothing) {
  const Case cases[] = {
      {"cursor position report", E + "[12;40R", {}},
      {"cursor position report, column 5", E + "[7;5R", {}},
      {"report shaped like Ctrl+Up", E + "[7;5A", {}},
      {"modifier beyond Meta", E + "[1;40A", {}},
      {"OSC colour reply, BEL", E + "]11;rgb:0000/0000/0000\x07", {}},
      {"OSC colour reply, ST", E + "]10;rgb:ffff/ffff/ffff" + E + "\\", {}},
      {"DCS status string reply", E + "P1$r0m" + E + "\\", {}},
      {"DCS terminal version", E + "P>|XTerm(379)" + E + "\\", {}},
      {"APC string", E + "_Gi=1;OK" + E + "\\", {}},
      {"PM string", E + "^private" + E + "\\", {}},
      {"X10 mouse report", E + "[M !!", {}},
      {"X10 mouse report, high coordinates", E + "[M \xff\xfe", {}},
      {"SGR mouse press", E + "[<0;12;5M", {}},
      {"SGR mouse release", E + "[<0;12;5m", {}},
      {"urxvt mouse report", E + "[32;12;5M", {}},
      {"primary device attributes", E + "[?64;1;2;6;9;15;18;21;22c", {}},
      {"secondary device attributes", E + "[>41;379;0c", {}},
      {"mode report", E + "[?1;2$y", {}},
      {"ANSI mode report", E + "[4;2$y", {}},
      {"focus out", E + "[O", {}},
      {"bracketed paste start", E + "[200~", {}},
      // The key after a report is the key.
      {"report then key", E + "[12;40R5", {'5'}},
      {"OSC then key", E + "]11;rgb:0000/0000/0000\x07" + "5", {'5'}},
      {"DCS then key", E + "P1$r0m" + E + "\\" + E + "[A", {0, 0x48}},
      {"mouse then key", E + "[M !!s", {'s'}},
      // An escape sequence ends an unterminated string and is read.
      {"string cut by a key", E + "]11;rgb:00" + E + "[1;5A", {0, 0x8D}},
      // CAN and SUB cancel a sequence.
      {"cancelled CSI", E + "[1;5\x18" + "a", {'a'}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Decode(c.bytes, 1000), c.codes) << c.name;
}

// rxvt sends Ctrl+Shift+F1..F10 as its Ctrl form of the F-key numbers that
// Shift gives (F11..F20 = 23..34), Alt+Shift+F1..F10 as their Alt form;
// Ctrl+Shift gives the Ctrl form, Alt+Shift the Alt form.
TEST(TermDecoderTest, RxvtCtrlShiftFunctionKeys) {
  const Case cases[] = {
      {"Ctrl+Shift+F3", E + "[25^", {0, 0x60}},
      {"Ctrl+Shift+F4", E + "[26^", {0, 0x61}},
      {"Ctrl+Shift+F5", E + "[28^", {0, 0x62}},
      {"Ctrl+Shift+F6", E + "[29^", {0, 0x63}},
      {"Ctrl+Shift+F7", E + "[31^", {0, 0x64}},
      {"Ctrl+Shift+F8", E + "[32^", {0, 0x65}},
      {"Ctrl+Shift+F9", E + "[33^", {0, 0x66}},
      {"Ctrl+Shift+F10", E + "[34^", {0, 0x67}},
      {"with Alt", E + E + "[26^", {0, 0x6B}},
      {"Alt+Shift+F4", E + E + "[26~", {0, 0x6B}},
      {"Alt+Shift+F10", E + E + "[34~", {0, 0x71}},
      // Shift+F3..F10 (or Ctrl+F3..F10 in xterm's VT220 mode): ambiguous.
      {"26~ stays unmapped", E + "[26~", {}},
      {"34~ stays unmapped", E + "[34~", {}},
      {"no such key", E + "[27^", {}},
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
  // ESC and an introducer alone: Alt with that character, which yields it.
  EXPECT_EQ(Decode(E + "[", 50), std::vector<int>{'['});
  EXPECT_EQ(Decode(E + "O", 50), std::vector<int>{'O'});
  EXPECT_EQ(Decode(E + "P", 50), std::vector<int>{'P'});  // Alt+Shift+P: command 12
  EXPECT_EQ(Decode(E + "]", 50), std::vector<int>{']'});
  // Unfinished sequences, strings and reports: nothing.
  EXPECT_EQ(Decode(E + "[1;5", 50), std::vector<int>{});
  EXPECT_EQ(Decode(E + "O5", 50), std::vector<int>{});
  EXPECT_EQ(Decode(E + "]11;rgb:00", 50), std::vector<int>{});
  EXPECT_EQ(Decode(E + "P1$r0m" + E, 50), std::vector<int>{});
  EXPECT_EQ(Decode(E + "[M !", 50), std::vector<int>{});
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

// A keyboard that reads no more than DecoderRoom bytes at a time, as the
// POSIX keyboard does, and takes one key per pass of the loop, loses nothing
// however much is typed ahead.
TEST(TermDecoderTest, BytesFedAsRoomAllowsLoseNoKey) {
  std::string input;
  std::vector<int> expected;
  for (int i = 0; i < 10; ++i) {
    for (char c : std::string("1234567890")) {
      input += c;
      expected.push_back(c);
    }
    input += E + "[1;5A" + E + "]11;rgb:0000/0000/0000\x07" + E + "[3~";
    expected.insert(expected.end(), {0, 0x8D, 0, 0x53});
  }
  input += "S";
  expected.push_back('S');

  TermDecoder d;
  DecoderReset(&d);
  std::vector<int> codes;
  std::size_t fed = 0;
  std::uint32_t now = 0;
  for (int pass = 0; pass < 10000 && codes.size() < expected.size(); ++pass, now += 13) {
    const int room = DecoderRoom(&d);
    ASSERT_GE(room, 0);
    for (int i = 0; i < room && fed < input.size(); ++i)
      DecoderFeed(&d, static_cast<unsigned char>(input[fed++]), now);
    if (fed == input.size()) DecoderTick(&d, now);
    if (!DecoderHasCode(&d)) continue;
    const int code = DecoderTake(&d);
    codes.push_back(code);
    if (code == 0) {
      ASSERT_TRUE(DecoderHasCode(&d)) << "half a pair";
      codes.push_back(DecoderTake(&d));
    }
  }
  EXPECT_EQ(codes, expected);
}

TEST(TermDecoderTest, EndlessSequenceIsDroppedNotHeldForever) {
  std::string junk = E + "[";
  junk += std::string(100, '1');
  junk += "xa";
  EXPECT_EQ(Decode(junk, 1000), std::vector<int>{'a'});
}

}  // namespace
