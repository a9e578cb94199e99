// Milliseconds since the run started.
#pragma once

#include <cstdint>

#include "platform/platform.h"

class ElapsedClock {
 public:
  // Takes the tick count now; ElapsedMs counts from here.
  ElapsedClock() : start_tick_(PlatformTickMs()) {}

  // Milliseconds since the clock was made, as a signed 32-bit count that
  // wraps after 24.8 days.
  std::int32_t ElapsedMs() const { return static_cast<std::int32_t>(PlatformTickMs() - start_tick_); }

 private:
  std::uint32_t start_tick_;
};

// Milliseconds from `earlier` to `later`, two ElapsedMs readings, correct
// across the wrap for spans of up to 49.7 days.
inline std::uint32_t MsBetween(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier);
}
