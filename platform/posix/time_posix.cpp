// Millisecond clock and pauses on the monotonic clock.
#include <cerrno>
#include <ctime>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

std::uint64_t PosixMonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

namespace {

class MonotonicClock final : public Clock {
 public:
  constexpr MonotonicClock() = default;
  std::uint64_t NowMs() const override { return PosixMonotonicMs(); }
  void Pause(std::int32_t ms) const override { PlatformPause(ms); }
};

// Constant-initialized: no guard, and no writable data.
const MonotonicClock kClock;

}  // namespace

const Clock& PlatformClock() {
  return kClock;
}

std::uint32_t PlatformTickMs() {
  return static_cast<std::uint32_t>(PosixMonotonicMs());
}

// Sleeps to an absolute deadline, so a signal that interrupts the pause does
// not shorten it and repeated wake-ups do not add up.
void PlatformPause(std::int32_t ms) {
  if (ms <= 0) return;
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += ms / 1000;
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}
