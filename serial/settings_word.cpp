// ComConfig: applies a packed PortSettingsWord to an open port by reading the
// port's line settings, changing only the fields the word selects, and
// writing them back. A field value of 0 keeps the setting.
//
//   bits  0-3   baud rate     0 keep, 1..15 index into kBaudTable
//   bits  4-5   stop bits     0 keep, 1 one, 2 one and a half, 3 two
//   bits  8-10  parity        0 keep, 1 none, 2 odd, 3 even, 4 mark, 5 space
//   bits 12-14  data bits     0 keep, 1..5 give 4..8
//   bits 16-17  DTR           0 keep, 1 disable, 2 enable, 3 handshake
//   bits 20-22  RTS           0 keep, 1 disable, 2 enable, 3 handshake, 4 toggle
//   bit  24/25  CTS output flow control on / off (off wins)
//   bit  26/27  DSR output flow control on / off (off wins)
//   bits 28-29  XON/XOFF      0 keep, 1 on, 2 off, 3 keep
#include "serial/com.h"

namespace {

constexpr std::uint32_t kBaudTable[16] = {0,     110,    300,    600,   1200,  2400,
                                          4800,  9600,   14400,  19200, 38400, 56000,
                                          57600, 115200, 128000, 256000};
constexpr std::uint8_t kStopBitsCode[] = {kOneStopBit, kOne5StopBits, kTwoStopBits};
constexpr std::uint8_t kParityCode[] = {kNoParity, kOddParity, kEvenParity, kMarkParity,
                                        kSpaceParity};
constexpr std::uint8_t kDtrCode[] = {kDtrControlDisable, kDtrControlEnable, kDtrControlHandshake};
constexpr std::uint8_t kRtsCode[] = {kRtsControlDisable, kRtsControlEnable, kRtsControlHandshake,
                                     kRtsControlToggle};

std::uint32_t Field(PortSettingsWord word, int shift, std::uint32_t mask) {
  return (word >> shift) & mask;
}

// Selectors that fit their field but have no table entry: parity 6 and 7,
// data bits 6 and 7, RTS 5 to 7.
bool HasUndefinedSelector(PortSettingsWord word) {
  return Field(word, 8, 7) > 5 || Field(word, 12, 7) > 5 || Field(word, 20, 7) > 4;
}

}  // namespace

std::int32_t ComConfig(std::int32_t port, PortSettingsWord word) {
  if (ComCheck(port)) return kComNotUsable;
  if (HasUndefinedSelector(word)) {
    PlatformSetInvalidArgumentError();
    return kComRefused;
  }
  const PlatformHandle h = g_port_table.handle[port - 1];
  LineSettings dcb{};
  if (!SerialGetSettings(h, &dcb)) return kComRefused;

  if (const auto baud = Field(word, 0, 0xF)) dcb.BaudRate = kBaudTable[baud];
  if (const auto stop = Field(word, 4, 3)) dcb.StopBits = kStopBitsCode[stop - 1];
  if (const auto parity = Field(word, 8, 7)) {
    dcb.Parity = kParityCode[parity - 1];
    if (parity == 1) {
      dcb.fParity = 0;
      dcb.fErrorChar = 0;
    } else {
      // Received bytes with parity errors arrive as spaces.
      dcb.fParity = 1;
      dcb.fErrorChar = 1;
      dcb.ErrorChar = 0x20;
    }
  }
  if (const auto bits = Field(word, 12, 7)) dcb.ByteSize = static_cast<std::uint8_t>(3 + bits);
  if (const auto dtr = Field(word, 16, 3)) dcb.fDtrControl = kDtrCode[dtr - 1];
  if (const auto rts = Field(word, 20, 7)) dcb.fRtsControl = kRtsCode[rts - 1];

  if (Field(word, 24, 1)) dcb.fOutxCtsFlow = 1;
  if (Field(word, 25, 1)) dcb.fOutxCtsFlow = 0;
  if (Field(word, 26, 1)) dcb.fOutxDsrFlow = 1;
  if (Field(word, 27, 1)) dcb.fOutxDsrFlow = 0;

  switch (Field(word, 28, 3)) {
    case 1:
      dcb.fTXContinueOnXoff = 0;
      dcb.fOutX = 1;
      dcb.fInX = 1;
      break;
    case 2:
      dcb.fTXContinueOnXoff = 0;
      dcb.fOutX = 0;
      dcb.fInX = 0;
      break;
    default:
      break;
  }

  return SerialSetSettings(h, &dcb) ? kComOk : kComRefused;
}
