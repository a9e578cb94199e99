// The line speed of a terminal device, for programs beside padlink (the
// simulated robot) that pace their bytes at the speed padlink applied.
#pragma once

#include <cstdint>

// The line speed of a terminal device in baud, custom speeds included; 0
// when it cannot be read.
std::uint32_t PosixLineSpeed(int fd);
