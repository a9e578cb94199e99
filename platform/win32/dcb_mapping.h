// Line settings in the Windows device control block (DCB): the fields a
// LineConfig sets, and how they read back. Written for any struct with the
// DCB's field names, so that the same code runs on Windows and, with a
// look-alike of the block, in the Linux unit tests; serial_win32.cpp checks
// the codes below against windows.h.
#pragma once

#include <cstdint>

#include "platform/port.h"

// The block's codes (winbase.h).
constexpr std::uint8_t kDcbNoParity = 0;
constexpr std::uint8_t kDcbOddParity = 1;
constexpr std::uint8_t kDcbEvenParity = 2;
constexpr std::uint8_t kDcbMarkParity = 3;
constexpr std::uint8_t kDcbSpaceParity = 4;

constexpr std::uint8_t kDcbOneStopBit = 0;
constexpr std::uint8_t kDcbOne5StopBits = 1;
constexpr std::uint8_t kDcbTwoStopBits = 2;

constexpr unsigned kDcbControlDisable = 0;    // DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE
constexpr unsigned kDcbControlEnable = 1;     // DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE
constexpr unsigned kDcbControlHandshake = 2;  // DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE
constexpr unsigned kDcbRtsControlToggle = 3;  // RTS_CONTROL_TOGGLE

// What a byte received with a parity error turns into.
constexpr char kDcbParityErrorChar = 0x20;

inline std::uint8_t DcbParityCode(Parity parity) {
  switch (parity) {
    case Parity::kOdd:
      return kDcbOddParity;
    case Parity::kEven:
      return kDcbEvenParity;
    case Parity::kMark:
      return kDcbMarkParity;
    case Parity::kSpace:
      return kDcbSpaceParity;
    case Parity::kNone:
      break;
  }
  return kDcbNoParity;
}

inline std::uint8_t DcbStopBitsCode(StopBits stop_bits) {
  switch (stop_bits) {
    case StopBits::kOneAndHalf:
      return kDcbOne5StopBits;
    case StopBits::kTwo:
      return kDcbTwoStopBits;
    case StopBits::kOne:
      break;
  }
  return kDcbOneStopBit;
}

inline unsigned DcbControlCode(LineControl control) {
  switch (control) {
    case LineControl::kOff:
      return kDcbControlDisable;
    case LineControl::kHandshake:
      return kDcbControlHandshake;
    case LineControl::kToggle:
      return kDcbRtsControlToggle;
    case LineControl::kOn:
      break;
  }
  return kDcbControlEnable;
}

// Sets the fields of *dcb that the settings decide and leaves every other
// field as it is. Parity other than none is checked, and a byte with a
// parity error arrives as a space; with no parity both are off and the
// error character stays as it was. Software flow control goes both ways and
// holds the input while the output waits for XON. False, with *dcb
// untouched, for what the block cannot express (DTR raised while sending).
template <typename Dcb>
bool ApplyLineConfigToDcb(const LineConfig& config, Dcb* dcb) {
  if (config.dtr == LineControl::kToggle) return false;
  dcb->BaudRate = config.baud;
  dcb->ByteSize = config.data_bits;
  dcb->Parity = DcbParityCode(config.parity);
  dcb->StopBits = DcbStopBitsCode(config.stop_bits);
  const bool parity = config.parity != Parity::kNone;
  dcb->fParity = parity ? 1 : 0;
  dcb->fErrorChar = parity ? 1 : 0;
  if (parity) dcb->ErrorChar = kDcbParityErrorChar;
  dcb->fDtrControl = DcbControlCode(config.dtr);
  dcb->fRtsControl = DcbControlCode(config.rts);
  dcb->fOutxCtsFlow = config.cts_flow ? 1 : 0;
  dcb->fOutxDsrFlow = config.dsr_flow ? 1 : 0;
  dcb->fTXContinueOnXoff = 0;
  dcb->fOutX = config.xon_xoff ? 1 : 0;
  dcb->fInX = config.xon_xoff ? 1 : 0;
  return true;
}

// The settings a block holds. Software flow control counts as on only when
// it goes both ways, so that a block with only one half on is set to off
// (XON and XOFF are never sent unasked) when its settings are written back.
// A code the block should not hold reads as the default of its field.
template <typename Dcb>
LineConfig LineConfigFromDcb(const Dcb& dcb) {
  constexpr Parity kParities[] = {Parity::kNone, Parity::kOdd, Parity::kEven, Parity::kMark,
                                  Parity::kSpace};
  constexpr StopBits kStopBits[] = {StopBits::kOne, StopBits::kOneAndHalf, StopBits::kTwo};
  constexpr LineControl kControls[] = {LineControl::kOff, LineControl::kOn, LineControl::kHandshake,
                                       LineControl::kToggle};
  LineConfig config;
  config.baud = static_cast<std::uint32_t>(dcb.BaudRate);
  config.data_bits = static_cast<std::uint8_t>(dcb.ByteSize);
  if (dcb.Parity <= kDcbSpaceParity) config.parity = kParities[dcb.Parity];
  if (dcb.StopBits <= kDcbTwoStopBits) config.stop_bits = kStopBits[dcb.StopBits];
  // DTR has no toggle: the code 3 is not one of its codes.
  if (dcb.fDtrControl <= kDcbControlHandshake) config.dtr = kControls[dcb.fDtrControl];
  if (dcb.fRtsControl <= kDcbRtsControlToggle) config.rts = kControls[dcb.fRtsControl];
  config.cts_flow = dcb.fOutxCtsFlow != 0;
  config.dsr_flow = dcb.fOutxDsrFlow != 0;
  config.xon_xoff = dcb.fOutX != 0 && dcb.fInX != 0;
  return config;
}
