// Milliseconds since the program started.
#pragma once

#include <cstdint>

// Takes the tick count at start; ElapsedMs counts from here.
void ElapsedStart();
// Milliseconds since ElapsedStart, as a signed 32-bit count that wraps after
// 24.8 days.
std::int32_t ElapsedMs();
// Milliseconds from `earlier` to `later`, two ElapsedMs readings, correct
// across the wrap for spans of up to 49.7 days.
inline std::uint32_t MsBetween(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier);
}
