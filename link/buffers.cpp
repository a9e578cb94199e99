#include "link/buffers.h"

std::uint8_t TxBuffer[kBufferSize];
std::uint8_t RxBuffer[kBufferSize];
