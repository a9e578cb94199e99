// Milliseconds since the run started, on the run's clock.
#pragma once

#include <cstdint>

#include "platform/clock.h"

class ElapsedClock {
 public:
  // ElapsedMs counts from now.
  explicit ElapsedClock(const Clock& clock) : clock_(clock), start_(clock.NowMs()) {}

  std::int64_t ElapsedMs() const { return MsSince(start_, clock_.NowMs()); }
  const Clock& clock() const { return clock_; }

 private:
  const Clock& clock_;
  std::uint64_t start_;
};
