#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "serial/settings_word.h"

namespace {

// A device whose settings are all unusual values, so that any field a word
// does not select is seen to stay as it was.
LineSettings Before() {
  LineSettings s{};
  s.DCBlength = 12345;
  s.BaudRate = 1234;
  s.fBinary = 1;
  s.fParity = 1;
  s.fOutxCtsFlow = 1;
  s.fOutxDsrFlow = 1;
  s.fDtrControl = kDtrControlHandshake;
  s.fDsrSensitivity = 1;
  s.fTXContinueOnXoff = 1;
  s.fOutX = 1;
  s.fInX = 1;
  s.fErrorChar = 1;
  s.fNull = 1;
  s.fRtsControl = kRtsControlToggle;
  s.fAbortOnError = 1;
  s.XonLim = 111;
  s.XoffLim = 222;
  s.ByteSize = 6;
  s.Parity = kMarkParity;
  s.StopBits = kTwoStopBits;
  s.XonChar = 'a';
  s.XoffChar = 'b';
  s.ErrorChar = 'c';
  s.EofChar = 'd';
  s.EvtChar = 'e';
  return s;
}

struct WordCase {
  const char* name;
  PortSettingsWord word;
  std::function<void(LineSettings&)> change;  // from Before()
};

TEST(SettingsWordTest, EachFieldChangesOnlyWhatItSelects) {
  const WordCase cases[] = {
      {"word 0", 0, [](LineSettings&) {}},
      {"baud 1", 0x1, [](LineSettings& s) { s.BaudRate = 110; }},
      {"baud 8", 0x8, [](LineSettings& s) { s.BaudRate = 14400; }},
      {"baud 11", 0xB, [](LineSettings& s) { s.BaudRate = 56000; }},
      {"baud 15", 0xF, [](LineSettings& s) { s.BaudRate = 256000; }},
      {"one stop bit", 0x10, [](LineSettings& s) { s.StopBits = kOneStopBit; }},
      {"1.5 stop bits", 0x20, [](LineSettings& s) { s.StopBits = kOne5StopBits; }},
      {"two stop bits", 0x30, [](LineSettings& s) { s.StopBits = kTwoStopBits; }},
      // No parity turns checking and replacement off, the error character stays.
      {"parity none", 0x100,
       [](LineSettings& s) {
         s.Parity = kNoParity;
         s.fParity = 0;
         s.fErrorChar = 0;
       }},
      {"parity odd", 0x200,
       [](LineSettings& s) {
         s.Parity = kOddParity;
         s.ErrorChar = ' ';
       }},
      {"parity even", 0x300,
       [](LineSettings& s) {
         s.Parity = kEvenParity;
         s.ErrorChar = ' ';
       }},
      {"parity space", 0x500,
       [](LineSettings& s) {
         s.Parity = kSpaceParity;
         s.ErrorChar = ' ';
       }},
      {"4 data bits", 0x1000, [](LineSettings& s) { s.ByteSize = 4; }},
      {"8 data bits", 0x5000, [](LineSettings& s) { s.ByteSize = 8; }},
      {"DTR disable", 0x10000, [](LineSettings& s) { s.fDtrControl = kDtrControlDisable; }},
      {"DTR enable", 0x20000, [](LineSettings& s) { s.fDtrControl = kDtrControlEnable; }},
      {"RTS disable", 0x100000, [](LineSettings& s) { s.fRtsControl = kRtsControlDisable; }},
      {"RTS handshake", 0x300000, [](LineSettings& s) { s.fRtsControl = kRtsControlHandshake; }},
      {"RTS toggle", 0x400000, [](LineSettings& s) { s.fRtsControl = kRtsControlToggle; }},
      {"CTS off", 0x2000000, [](LineSettings& s) { s.fOutxCtsFlow = 0; }},
      {"CTS on and off", 0x3000000, [](LineSettings& s) { s.fOutxCtsFlow = 0; }},
      {"DSR off", 0x8000000, [](LineSettings& s) { s.fOutxDsrFlow = 0; }},
      {"DSR on and off", 0xC000000, [](LineSettings& s) { s.fOutxDsrFlow = 0; }},
      {"XON/XOFF off", 0x20000000,
       [](LineSettings& s) { s.fTXContinueOnXoff = s.fOutX = s.fInX = 0; }},
      {"XON/XOFF keep", 0x30000000, [](LineSettings&) {}},
      {"open word", kOpenSettingsWord,
       [](LineSettings& s) {
         s.BaudRate = 9600;
         s.StopBits = kOneStopBit;
         s.Parity = kNoParity;
         s.fParity = s.fErrorChar = 0;
         s.ByteSize = 8;
         s.fDtrControl = kDtrControlEnable;
         s.fRtsControl = kRtsControlEnable;
         s.fOutxCtsFlow = s.fOutxDsrFlow = 0;
         s.fTXContinueOnXoff = s.fOutX = s.fInX = 0;
       }},
      {"strobe mode word", kStrobeModeSettingsWord,
       [](LineSettings& s) {
         s.BaudRate = 9600;
         s.StopBits = kOneStopBit;
         s.Parity = kNoParity;
         s.fParity = s.fErrorChar = 0;
         s.ByteSize = 8;
         s.fDtrControl = kDtrControlDisable;
         s.fRtsControl = kRtsControlEnable;
         s.fTXContinueOnXoff = s.fOutX = s.fInX = 0;
       }},
      {"cable mode word", kCableModeSettingsWord,
       [](LineSettings& s) {
         s.BaudRate = 9600;
         s.StopBits = kOneStopBit;
         s.Parity = kNoParity;
         s.fParity = s.fErrorChar = 0;
         s.ByteSize = 8;
         s.fDtrControl = kDtrControlDisable;
         s.fRtsControl = kRtsControlDisable;
         s.fTXContinueOnXoff = s.fOutX = s.fInX = 0;
       }},
  };
  for (const WordCase& c : cases) {
    LineSettings expected = Before();
    c.change(expected);
    LineSettings settings = Before();
    ASSERT_TRUE(SettingsWordValid(c.word)) << c.name;
    ApplySettingsWord(c.word, &settings);
    EXPECT_EQ(settings, expected) << c.name;
  }
}

TEST(SettingsWordTest, FlowSwitchesOnTurnTheFlagsOn) {
  LineSettings s = Before();
  s.fOutxCtsFlow = s.fOutxDsrFlow = 0;
  s.fTXContinueOnXoff = 1;
  s.fOutX = s.fInX = 0;
  ApplySettingsWord(0x15000000, &s);  // CTS on, DSR on, XON/XOFF on
  EXPECT_EQ(s.fOutxCtsFlow, 1);
  EXPECT_EQ(s.fOutxDsrFlow, 1);
  EXPECT_EQ(s.fTXContinueOnXoff, 0);
  EXPECT_EQ(s.fOutX, 1);
  EXPECT_EQ(s.fInX, 1);
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
