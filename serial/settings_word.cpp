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
constexpr StopBits kStopBits[] = {StopBits::kOne, StopBits::kOneAndHalf, StopBits::kTwo};
constexpr Parity kParity[] = {Parity::kNone, Parity::kOdd, Parity::kEven, Parity::kMark,
                              Parity::kSpace};
constexpr LineControl kLineControl[] = {LineControl::kOff, LineControl::kOn,
                                        LineControl::kHandshake, LineControl::kToggle};

std::uint32_t Field(PortSettingsWord word, int shift, std::uint32_t mask) {
  return (word >> shift) & mask;
}

}  // namespace

// Selectors that fit their field but have no table entry: parity 6 and 7,
// data bits 6 and 7, RTS 5 to 7.
bool SettingsWordValid(PortSettingsWord word) {
  return Field(word, 8, 7) <= 5 && Field(word, 12, 7) <= 5 && Field(word, 20, 7) <= 4;
}

void ApplySettingsWord(PortSettingsWord word, LineConfig* config) {
  if (const auto baud = Field(word, 0, 0xF)) config->baud = kBaudTable[baud];
  if (const auto stop = Field(word, 4, 3)) config->stop_bits = kStopBits[stop - 1];
  if (const auto parity = Field(word, 8, 7)) config->parity = kParity[parity - 1];
  if (const auto bits = Field(word, 12, 7)) config->data_bits = static_cast<std::uint8_t>(3 + bits);
  // DTR has no toggle: its selector stops at handshake.
  if (const auto dtr = Field(word, 16, 3)) config->dtr = kLineControl[dtr - 1];
  if (const auto rts = Field(word, 20, 7)) config->rts = kLineControl[rts - 1];

  if (Field(word, 24, 1)) config->cts_flow = true;
  if (Field(word, 25, 1)) config->cts_flow = false;
  if (Field(word, 26, 1)) config->dsr_flow = true;
  if (Field(word, 27, 1)) config->dsr_flow = false;

  switch (Field(word, 28, 3)) {
    case 1:
      config->xon_xoff = true;
      break;
    case 2:
      config->xon_xoff = false;
      break;
    default:
      break;
  }
}
