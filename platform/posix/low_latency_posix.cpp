// The driver's low-latency flag of a serial device (Linux): set at open when
// it was not, and cleared again when padlink lets the device go, so that an
// adapter is left in the mode it was found in.
#include <sys/ioctl.h>

#include <atomic>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "platform/posix/terminal_device.h"

namespace {

#if defined(__linux__) && defined(TIOCGSERIAL)
// The devices whose flag padlink set, for GiveBackAllLowLatency, which a
// fatal-signal handler calls: each slot holds a descriptor plus one, 0 when
// it is free. Lock-free atomics are safe to read in a signal handler.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_low_latency[terminal::kMaxLowLatency];

// Clears the flag; only system calls, so safe in a signal handler.
void ClearFlag(int fd) {
  serial_struct ss{};
  if (ioctl(fd, TIOCGSERIAL, &ss) == 0 && (ss.flags & ASYNC_LOW_LATENCY)) {
    ss.flags &= ~ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &ss);
  }
}
#endif

}  // namespace

namespace terminal {

#if defined(__linux__) && defined(TIOCGSERIAL)

bool RequestLowLatency(int fd) {
  serial_struct ss{};
  if (ioctl(fd, TIOCGSERIAL, &ss) != 0 || (ss.flags & ASYNC_LOW_LATENCY)) return false;
  // Recorded before it is set, so that a signal in between clears it too.
  std::atomic<int>* mine = nullptr;
  for (std::atomic<int>& slot : g_low_latency) {
    int free = 0;
    if (slot.compare_exchange_strong(free, fd + 1)) {
      mine = &slot;
      break;
    }
  }
  if (!mine) return false;  // no room to remember it: left as it is
  ss.flags |= ASYNC_LOW_LATENCY;
  if (ioctl(fd, TIOCSSERIAL, &ss) == 0) return true;
  mine->store(0);
  return false;
}

void GiveBackLowLatency(int fd) {
  ClearFlag(fd);
  for (std::atomic<int>& slot : g_low_latency) {
    int mine = fd + 1;
    if (slot.compare_exchange_strong(mine, 0)) return;
  }
}

void GiveBackAllLowLatency() {
  for (const std::atomic<int>& slot : g_low_latency) {
    const int fd = slot.load() - 1;
    if (fd >= 0) ClearFlag(fd);
  }
}

#else

bool RequestLowLatency(int) {
  return false;
}
void GiveBackLowLatency(int) {}
void GiveBackAllLowLatency() {}

#endif

}  // namespace terminal
