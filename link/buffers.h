// The transmit and receive buffers shared by the robot link and the control
// loop. Byte 0 of TxBuffer doubles as the loop's last command: a request
// leaves its request code there.
#pragma once

#include <cstdint>

constexpr int kBufferSize = 256;

extern std::uint8_t TxBuffer[kBufferSize];
extern std::uint8_t RxBuffer[kBufferSize];
