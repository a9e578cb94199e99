// The robot's read requests, each one echoed exchange.
#pragma once

#include <cstdint>

// One of the eight A/D ports: 0xE2, channel, 0x00.
std::int32_t PeekAD(std::int32_t port, std::int32_t channel);
// One SRAM byte selected by p1 and p2: 0xF7, p1, p2, 0x00.
std::int32_t PeekSRAM(std::int32_t port, std::int32_t p1, std::int32_t p2);
