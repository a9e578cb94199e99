#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "serial/settings_word.h"

namespace {

// A device whose settings are all unusual values, so that any field a word
// does not select is seen to stay as it was.
LineConfig Before() {
  LineConfig c;
  c.baud = 1234;
  c.data_bits = 6;
  c.parity = Parity::kMark;
  c.stop_bits = StopBits::kTwo;
  c.dtr = LineControl::kHandshake;
  c.rts = LineControl::kToggle;
  c.cts_flow = true;
  c.dsr_flow = true;
  c.xon_xoff = true;
  return c;
}

struct WordCase {
  const char* name;
  PortSettingsWord word;
  std::function<void(LineConfig&)> change;  // from Before()
};

// The settings of the three words in use, from Before().
void LinkSettings(LineConfig& c, LineControl dtr, LineControl rts) {
  c.baud = 9600;
  c.stop_bits = StopBits::kOne;
  c.parity = Parity::kNone;
  c.data_bits = 8;
  c.dtr = dtr;
  c.rts = rts;
  c.xon_xoff = false;
}

TEST(SettingsWordTest, EachFieldChangesOnlyWhatItSelects) {
  using enum LineControl;
  const WordCase cases[] = {
      {"word 0", 0, [](LineConfig&) {}},
      {"baud 1", 0x1, [](LineConfig& c) { c.baud = 110; }},
      {"baud 8", 0x8, [](LineConfig& c) { c.baud = 14400; }},
      {"baud 11", 0xB, [](LineConfig& c) { c.baud = 56000; }},
      {"baud 15", 0xF, [](LineConfig& c) { c.baud = 256000; }},
      {"one stop bit", 0x10, [](LineConfig& c) { c.stop_bits = StopBits::kOne; }},
      {"1.5 stop bits", 0x20, [](LineConfig& c) { c.stop_bits = StopBits::kOneAndHalf; }},
      {"two stop bits", 0x30, [](LineConfig& c) { c.stop_bits = StopBits::kTwo; }},
      {"parity none", 0x100, [](LineConfig& c) { c.parity = Parity::kNone; }},
      {"parity odd", 0x200, [](LineConfig& c) { c.parity = Parity::kOdd; }},
      {"parity even", 0x300, [](LineConfig& c) { c.parity = Parity::kEven; }},
      {"parity space", 0x500, [](LineConfig& c) { c.parity = Parity::kSpace; }},
      {"4 data bits", 0x1000, [](LineConfig& c) { c.data_bits = 4; }},
      {"8 data bits", 0x5000, [](LineConfig& c) { c.data_bits = 8; }},
      {"DTR disable", 0x10000, [](LineConfig& c) { c.dtr = kOff; }},
      {"DTR enable", 0x20000, [](LineConfig& c) { c.dtr = kOn; }},
      {"RTS disable", 0x100000, [](LineConfig& c) { c.rts = kOff; }},
      {"RTS handshake", 0x300000, [](LineConfig& c) { c.rts = kHandshake; }},
      {"RTS toggle", 0x400000, [](LineConfig& c) { c.rts = kToggle; }},
      {"CTS off", 0x2000000, [](LineConfig& c) { c.cts_flow = false; }},
      {"CTS on and off", 0x3000000, [](LineConfig& c) { c.cts_flow = false; }},
      {"DSR off", 0x8000000, [](LineConfig& c) { c.dsr_flow = false; }},
      {"DSR on and off", 0xC000000, [](LineConfig& c) { c.dsr_flow = false; }},
      {"XON/XOFF off", 0x20000000, [](LineConfig& c) { c.xon_xoff = false; }},
      {"XON/XOFF keep", 0x30000000, [](LineConfig&) {}},
      {"open word", kOpenSettingsWord,
       [](LineConfig& c) {
         LinkSettings(c, kOn, kOn);
         c.cts_flow = c.dsr_flow = false;
       }},
      // The link modes' words leave CTS and DSR flow control as they are.
      {"strobe mode word", kStrobeModeSettingsWord,
       [](LineConfig& c) { LinkSettings(c, kOff, kOn); }},
      {"cable mode word", kCableModeSettingsWord,
       [](LineConfig& c) { LinkSettings(c, kOff, kOff); }},
  };
  for (const WordCase& c : cases) {
    LineConfig expected = Before();
    c.change(expected);
    LineConfig config = Before();
    ASSERT_TRUE(SettingsWordValid(c.word)) << c.name;
    ApplySettingsWord(c.word, &config);
    EXPECT_EQ(config, expected) << c.name;
  }
}

TEST(SettingsWordTest, FlowSwitchesOnTurnTheFlagsOn) {
  LineConfig c = Before();
  c.cts_flow = c.dsr_flow = c.xon_xoff = false;
  ApplySettingsWord(0x15000000, &c);  // CTS on, DSR on, XON/XOFF on
  EXPECT_TRUE(c.cts_flow);
  EXPECT_TRUE(c.dsr_flow);
  EXPECT_TRUE(c.xon_xoff);
}

TEST(SettingsWordTest, SelectorsWithoutATableEntryAreInvalid) {
  for (PortSettingsWord word :
       {0x600u, 0x700u, 0x6000u, 0x7000u, 0x500000u, 0x700000u, kOpenSettingsWord | 0x700u}) {
    EXPECT_FALSE(SettingsWordValid(word)) << std::hex << word;
  }
  for (PortSettingsWord word : {0u, 0x500u, 0x5000u, 0x400000u, kOpenSettingsWord}) {
    EXPECT_TRUE(SettingsWordValid(word)) << std::hex << word;
  }
}

}  // namespace
