#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "serial/com.h"
#include "tests/support/fake_fixture.h"

namespace {

using fake::Call;

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

class SettingsWordTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    ASSERT_EQ(ComOpen(1, 256, 256), 0);
    fake::Get().settings = Before();
    fake::Get().log.clear();
  }
};

struct WordCase {
  const char* name;
  PortSettingsWord word;
  std::function<void(LineSettings&)> change;  // from Before()
};

TEST_F(SettingsWordTest, EachFieldChangesOnlyWhatItSelects) {
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
    fake::Get().settings = Before();
    LineSettings expected = Before();
    c.change(expected);
    EXPECT_EQ(ComConfig(1, c.word), 0) << c.name;
    EXPECT_EQ(fake::Get().settings, expected) << c.name;
  }
}

TEST_F(SettingsWordTest, FlowSwitchesOnTurnTheFlagsOn) {
  LineSettings off = Before();
  off.fOutxCtsFlow = off.fOutxDsrFlow = 0;
  off.fTXContinueOnXoff = 1;
  off.fOutX = off.fInX = 0;
  fake::Get().settings = off;
  ASSERT_EQ(ComConfig(1, 0x15000000), 0);  // CTS on, DSR on, XON/XOFF on
  const LineSettings& s = fake::Get().settings;
  EXPECT_EQ(s.fOutxCtsFlow, 1);
  EXPECT_EQ(s.fOutxDsrFlow, 1);
  EXPECT_EQ(s.fTXContinueOnXoff, 0);
  EXPECT_EQ(s.fOutX, 1);
  EXPECT_EQ(s.fInX, 1);
}

TEST_F(SettingsWordTest, ReadsThenWritesTheRecordOnce) {
  ASSERT_EQ(ComConfig(1, kCableModeSettingsWord), 0);
  ASSERT_EQ(fake::Get().log.size(), 2u);
  EXPECT_EQ(fake::Get().log[0].call, Call::kGetSettings);
  EXPECT_EQ(fake::Get().log[1].call, Call::kSetSettings);
}

TEST_F(SettingsWordTest, RefusedWriteLeavesThePortAsItWas) {
  fake::Refuse(Call::kSetSettings, 87);
  EXPECT_EQ(ComConfig(1, kStrobeModeSettingsWord), 2);
  EXPECT_EQ(ComConfig(1, 0), 2);
  EXPECT_EQ(fake::Get().settings, Before());
  EXPECT_EQ(PlatformLastError(), 87);
  EXPECT_EQ(ComCheck(1), 0);
}

TEST_F(SettingsWordTest, FailedReadWritesNothing) {
  fake::Refuse(Call::kGetSettings, 6);
  EXPECT_EQ(ComConfig(1, kStrobeModeSettingsWord), 2);
  EXPECT_EQ(fake::Count(Call::kSetSettings), 0);
  EXPECT_EQ(PlatformLastError(), 6);
}

TEST_F(SettingsWordTest, SelectorsWithoutATableEntryAreRejectedBeforeTouchingThePort) {
  for (PortSettingsWord word :
       {0x600u, 0x700u, 0x6000u, 0x7000u, 0x500000u, 0x700000u, kOpenSettingsWord | 0x700u}) {
    EXPECT_EQ(ComConfig(1, word), 2) << std::hex << word;
    EXPECT_EQ(PlatformLastError(), 22);
  }
  EXPECT_TRUE(fake::Get().log.empty());
  EXPECT_EQ(fake::Get().settings, Before());
}

TEST_F(SettingsWordTest, PortNotOpenTouchesNothing) {
  EXPECT_EQ(ComConfig(2, kOpenSettingsWord), 1);
  EXPECT_TRUE(fake::Get().log.empty());
}

}  // namespace
