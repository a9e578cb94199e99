// The one clock of a run: monotonic milliseconds, and pauses measured on
// them. The run and the robot link are given one; the platform's is the
// system's monotonic clock, the unit tests' a virtual one that moves only
// when the code pauses or waits.
#pragma once

#include <cstdint>

// Clocks are never owned through this interface: its destructor is not
// virtual, so that the system's clock is constant data.
class Clock {
 public:
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;

  // Milliseconds on a monotonic count; a run never sees it wrap.
  virtual std::uint64_t NowMs() const = 0;
  // Suspends the thread for at least ms milliseconds (none for ms <= 0).
  virtual void Pause(std::int32_t ms) const = 0;

 protected:
  constexpr Clock() = default;
  ~Clock() = default;
};

// Milliseconds from `earlier` to `later`, two NowMs readings.
inline std::int64_t MsSince(std::uint64_t earlier, std::uint64_t later) {
  return static_cast<std::int64_t>(later - earlier);
}
