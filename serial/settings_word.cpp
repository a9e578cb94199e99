// The packed PortSettingsWord and its translation into line settings. A
// field value of 0 keeps the setting.
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
#include "serial/settings_word.h"

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

}  // namespace

// Selectors that fit their field but have no table entry: parity 6 and 7,
// data bits 6 and 7, RTS 5 to 7.
bool SettingsWordValid(PortSettingsWord word) {
  return Field(word, 8, 7) <= 5 && Field(word, 12, 7) <= 5 && Field(word, 20, 7) <= 4;
}

void ApplySettingsWord(PortSettingsWord word, LineSettings* settings) {
  if (const auto baud = Field(word, 0, 0xF)) settings->BaudRate = kBaudTable[baud];
  if (const auto stop = Field(word, 4, 3)) settings->StopBits = kStopBitsCode[stop - 1];
  if (const auto parity = Field(word, 8, 7)) {
    settings->Parity = kParityCode[parity - 1];
    if (parity == 1) {
      settings->fParity = 0;
      settings->fErrorChar = 0;
    } else {
      // Received bytes with parity errors arrive as spaces.
      settings->fParity = 1;
      settings->fErrorChar = 1;
      settings->ErrorChar = 0x20;
    }
  }
  if (const auto bits = Field(word, 12, 7))
    settings->ByteSize = static_cast<std::uint8_t>(3 + bits);
  if (const auto dtr = Field(word, 16, 3)) settings->fDtrControl = kDtrCode[dtr - 1];
  if (const auto rts = Field(word, 20, 7)) settings->fRtsControl = kRtsCode[rts - 1];

  if (Field(word, 24, 1)) settings->fOutxCtsFlow = 1;
  if (Field(word, 25, 1)) settings->fOutxCtsFlow = 0;
  if (Field(word, 26, 1)) settings->fOutxDsrFlow = 1;
  if (Field(word, 27, 1)) settings->fOutxDsrFlow = 0;

  switch (Field(word, 28, 3)) {
    case 1:
      settings->fTXContinueOnXoff = 0;
      settings->fOutX = 1;
      settings->fInX = 1;
      break;
    case 2:
      settings->fTXContinueOnXoff = 0;
      settings->fOutX = 0;
      settings->fInX = 0;
      break;
    default:
      break;
  }
}
