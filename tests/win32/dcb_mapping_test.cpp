// Line settings in the Windows device control block: which fields a
// LineConfig sets, which it leaves alone, and how a block reads back. Runs
// with the real block on Windows (under Wine) and with a look-alike of it
// on Linux.
#include "platform/win32/dcb_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
using TestDcb = DCB;
#else
// The block's layout as winbase.h declares it.
struct TestDcb {
  std::uint32_t DCBlength;
  std::uint32_t BaudRate;
  std::uint32_t fBinary : 1;
  std::uint32_t fParity : 1;
  std::uint32_t fOutxCtsFlow : 1;
  std::uint32_t fOutxDsrFlow : 1;
  std::uint32_t fDtrControl : 2;
  std::uint32_t fDsrSensitivity : 1;
  std::uint32_t fTXContinueOnXoff : 1;
  std::uint32_t fOutX : 1;
  std::uint32_t fInX : 1;
  std::uint32_t fErrorChar : 1;
  std::uint32_t fNull : 1;
  std::uint32_t fRtsControl : 2;
  std::uint32_t fAbortOnError : 1;
  std::uint32_t fDummy2 : 17;
  std::uint16_t wReserved;
  std::uint16_t XonLim;
  std::uint16_t XoffLim;
  std::uint8_t ByteSize;
  std::uint8_t Parity;
  std::uint8_t StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  std::uint16_t wReserved1;
};
#endif

namespace {

// A block as a driver might hand it over: every flag the settings decide
// set the other way from the first case below, and the fields they do not
// decide holding values of their own.
TestDcb ReadBlock() {
  TestDcb dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 1200;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = 1;
  dcb.fOutxDsrFlow = 1;
  dcb.fDtrControl = 2;
  dcb.fDsrSensitivity = 1;
  dcb.fTXContinueOnXoff = 1;
  dcb.fOutX = 1;
  dcb.fInX = 1;
  dcb.fErrorChar = 1;
  dcb.fNull = 1;
  dcb.fRtsControl = 2;
  dcb.fAbortOnError = 1;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  dcb.ByteSize = 7;
  dcb.Parity = 3;
  dcb.StopBits = 2;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = '?';
  dcb.EofChar = 0x1A;
  dcb.EvtChar = 0x0D;
  return dcb;
}

// The fields the settings decide, as the block should hold them.
struct Fields {
  unsigned baud, byte_size, parity, stop_bits, dtr, rts, cts, dsr, out_x, in_x, f_parity,
      f_error_char;
  char error_char;
};

Fields FieldsOf(const TestDcb& d) {
  return Fields{d.BaudRate,    d.ByteSize,     d.Parity,       d.StopBits, d.fDtrControl,
                d.fRtsControl, d.fOutxCtsFlow, d.fOutxDsrFlow, d.fOutX,    d.fInX,
                d.fParity,     d.fErrorChar,   d.ErrorChar};
}

struct Case {
  const char* name;
  LineConfig config;
  Fields want;
};

LineConfig Config(std::uint32_t baud, std::uint8_t bits, Parity parity, StopBits stop,
                  LineControl dtr, LineControl rts, bool cts, bool dsr, bool xon) {
  return LineConfig{baud, bits, parity, stop, dtr, rts, cts, dsr, xon};
}

const Case kCases[] = {
    {"open settings: 9600 8N1, DTR and RTS on, no flow control",
     Config(9600, 8, Parity::kNone, StopBits::kOne, LineControl::kOn, LineControl::kOn, false,
            false, false),
     {9600, 8, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, '?'}},
    {"even parity, two stop bits, DTR off, RTS toggle, hardware flow",
     Config(115200, 7, Parity::kEven, StopBits::kTwo, LineControl::kOff, LineControl::kToggle, true,
            true, false),
     {115200, 7, 2, 2, 0, 3, 1, 1, 0, 0, 1, 1, 0x20}},
    {"odd parity, one and a half stop bits, handshakes, XON/XOFF",
     Config(300, 5, Parity::kOdd, StopBits::kOneAndHalf, LineControl::kHandshake,
            LineControl::kHandshake, false, false, true),
     {300, 5, 1, 1, 2, 2, 0, 0, 1, 1, 1, 1, 0x20}},
    {"mark parity, RTS off",
     Config(256000, 8, Parity::kMark, StopBits::kOne, LineControl::kOn, LineControl::kOff, false,
            true, false),
     {256000, 8, 3, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0x20}},
    {"space parity, cable mode lines",
     Config(56000, 6, Parity::kSpace, StopBits::kOne, LineControl::kOff, LineControl::kOff, true,
            false, true),
     {56000, 6, 4, 0, 0, 0, 1, 0, 1, 1, 1, 1, 0x20}},
};

TEST(DcbMapping, SettingsSetTheirFieldsAndTheRestStaysAsRead) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const TestDcb before = ReadBlock();
    TestDcb dcb = before;
    ASSERT_TRUE(ApplyLineConfigToDcb(c.config, &dcb));
    const Fields got = FieldsOf(dcb);
    EXPECT_EQ(got.baud, c.want.baud);
    EXPECT_EQ(got.byte_size, c.want.byte_size);
    EXPECT_EQ(got.parity, c.want.parity);
    EXPECT_EQ(got.stop_bits, c.want.stop_bits);
    EXPECT_EQ(got.dtr, c.want.dtr);
    EXPECT_EQ(got.rts, c.want.rts);
    EXPECT_EQ(got.cts, c.want.cts);
    EXPECT_EQ(got.dsr, c.want.dsr);
    EXPECT_EQ(got.out_x, c.want.out_x);
    EXPECT_EQ(got.in_x, c.want.in_x);
    EXPECT_EQ(got.f_parity, c.want.f_parity);
    EXPECT_EQ(got.f_error_char, c.want.f_error_char);
    EXPECT_EQ(got.error_char, c.want.error_char);
    // Flow control never lets the output run on while XOFF holds it.
    EXPECT_EQ(dcb.fTXContinueOnXoff, 0u);
    EXPECT_EQ(dcb.DCBlength, before.DCBlength);
    EXPECT_EQ(dcb.fBinary, before.fBinary);
    EXPECT_EQ(dcb.fDsrSensitivity, before.fDsrSensitivity);
    EXPECT_EQ(dcb.fNull, before.fNull);
    EXPECT_EQ(dcb.fAbortOnError, before.fAbortOnError);
    EXPECT_EQ(dcb.XonLim, before.XonLim);
    EXPECT_EQ(dcb.XoffLim, before.XoffLim);
    EXPECT_EQ(dcb.XonChar, before.XonChar);
    EXPECT_EQ(dcb.XoffChar, before.XoffChar);
    EXPECT_EQ(dcb.EofChar, before.EofChar);
    EXPECT_EQ(dcb.EvtChar, before.EvtChar);
    // And the block reads back as the settings written into it.
    EXPECT_EQ(LineConfigFromDcb(dcb), c.config);
  }
}

TEST(DcbMapping, DtrRaisedWhileSendingIsRefusedWithTheBlockUntouched) {
  const TestDcb before = ReadBlock();
  TestDcb dcb = before;
  LineConfig config;
  config.dtr = LineControl::kToggle;
  EXPECT_FALSE(ApplyLineConfigToDcb(config, &dcb));
  EXPECT_EQ(std::memcmp(&dcb, &before, sizeof dcb), 0);
}

struct ReadCase {
  const char* name;
  void (*change)(TestDcb*);
  LineConfig want;
};

TEST(DcbMapping, HalfAFlowControlOrACodeOutOfRangeReadsAsTheSafeDefault) {
  const ReadCase cases[] = {
      {"XON/XOFF on output only", [](TestDcb* d) { d->fOutX = 1; }, LineConfig{}},
      {"XON/XOFF on input only", [](TestDcb* d) { d->fInX = 1; }, LineConfig{}},
      {"XON/XOFF both ways",
       [](TestDcb* d) {
         d->fOutX = 1;
         d->fInX = 1;
       },
       [] {
         LineConfig c;
         c.xon_xoff = true;
         return c;
       }()},
      {"parity and stop bit codes out of range",
       [](TestDcb* d) {
         d->Parity = 9;
         d->StopBits = 7;
       },
       LineConfig{}},
      {"a DTR code that is not one", [](TestDcb* d) { d->fDtrControl = 3; }, LineConfig{}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestDcb dcb = ReadBlock();
    ASSERT_TRUE(ApplyLineConfigToDcb(LineConfig{}, &dcb));
    c.change(&dcb);
    EXPECT_EQ(LineConfigFromDcb(dcb), c.want);
  }
}

}  // namespace
