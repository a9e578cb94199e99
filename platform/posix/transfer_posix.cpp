// Reads, writes and waits on a non-blocking serial device, each within the
// time its caller gives. Once the time has passed, one last look takes what
// arrived meanwhile: bytes that came while the process waited for the
// processor, or was stopped, are part of the transfer, not a time-out. A
// device that hangs up or fails ends the wait at once, so that a vanished
// device never makes a caller spin.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/terminal_device.h"

namespace {

std::uint64_t DeadlineAfter(std::int32_t timeout_ms) {
  return PosixMonotonicMs() + static_cast<std::uint64_t>(std::max(timeout_ms, 0));
}

// Milliseconds left until the deadline, rounded up; 0 once it has passed.
int Remaining(std::uint64_t deadline) {
  const std::uint64_t now = PosixMonotonicMs();
  return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

enum class Wait { kReady, kTimedOut, kFailed };

// Waits until the device has one of `events` or the deadline has passed,
// also when it passed while the process was not running. With no events,
// waits out at most `most` milliseconds of the time left, ended early only by
// a hang-up or an error. kFailed on a hang-up or error of the device without
// the events, with its code in *error.
Wait WaitUntil(int fd, short events, std::uint64_t deadline, int most, int* error) {
  for (;;) {
    const int timeout = std::min(Remaining(deadline), most);
    if (timeout == 0) return Wait::kTimedOut;
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, timeout);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      *error = errno;
      return Wait::kFailed;
    }
    if (r == 0) return Wait::kTimedOut;
    if (p.revents & events) return Wait::kReady;
    *error = EIO;  // POLLHUP, POLLERR or POLLNVAL alone
    return Wait::kFailed;
  }
}

// What a transfer that failed reports: the bytes that moved, if any (the
// next call meets the failure), else the failure.
SysResult<std::int32_t> Broken(std::int32_t moved, int error) {
  if (moved > 0) return moved;
  return Fail(PlatformError(error));
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

constexpr int kWholeTime = 1 << 30;

}  // namespace

namespace terminal {

SysResult<std::int32_t> ReadWithin(int fd, std::uint8_t* bytes, std::int32_t n,
                                   std::int32_t timeout_ms) {
  if (n < 0) return Fail(PlatformInvalidArgumentError());
  const std::uint64_t deadline = DeadlineAfter(timeout_ms);
  std::int32_t got = 0;
  bool last_look = false;
  while (got < n) {
    const ssize_t r = read(fd, bytes + got, static_cast<std::size_t>(n - got));
    if (r > 0) {
      got += static_cast<std::int32_t>(r);
      continue;
    }
    if (r == 0) return Broken(got, EIO);  // end of file: the device hung up
    if (errno == EINTR) continue;
    if (!WouldBlock(errno)) return Broken(got, errno);
    if (last_look) break;
    int error = 0;
    const Wait w = WaitUntil(fd, POLLIN, deadline, kWholeTime, &error);
    if (w == Wait::kFailed) return Broken(got, error);
    last_look = w == Wait::kTimedOut;
  }
  return got;
}

SysResult<std::int32_t> WriteWithin(int fd, const std::uint8_t* bytes, std::int32_t n,
                                    std::int32_t timeout_ms) {
  if (n < 0) return Fail(PlatformInvalidArgumentError());
  const std::uint64_t deadline = DeadlineAfter(timeout_ms);
  std::int32_t done = 0;
  bool last_try = false;  // as the last look of a read
  while (done < n) {
    const ssize_t r = write(fd, bytes + done, static_cast<std::size_t>(n - done));
    if (r > 0) {
      done += static_cast<std::int32_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && !WouldBlock(errno)) return Broken(done, errno);
    if (last_try) break;
    int error = 0;
    const Wait w = WaitUntil(fd, POLLOUT, deadline, kWholeTime, &error);
    if (w == Wait::kFailed) return Broken(done, error);
    last_try = w == Wait::kTimedOut;
  }
  return done;
}

// A device that has hung up fails the count once nothing is left to read.
SysResult<std::int32_t> InputWaiting(int fd) {
  int count = 0;
  if (ioctl(fd, FIONREAD, &count) != 0) return Fail(PlatformError(errno));
  if (count > 0) return count;
  pollfd p{fd, 0, 0};
  if (poll(&p, 1, 0) == 1 && p.revents) return Fail(PlatformError(EIO));
  return 0;
}

// With nothing waiting, the wait ends with the first byte. With some bytes
// waiting the device stays readable, and poll cannot wait for a count: the
// count is looked at again every millisecond.
SysResult<std::int32_t> WaitForInput(int fd, std::int32_t n, std::int32_t timeout_ms) {
  const std::uint64_t deadline = DeadlineAfter(timeout_ms);
  for (bool last_look = false;;) {
    const SysResult<std::int32_t> count = InputWaiting(fd);
    if (!count || *count >= n || last_look) return count;
    int error = 0;
    const Wait w = *count == 0 ? WaitUntil(fd, POLLIN, deadline, kWholeTime, &error)
                               : WaitUntil(fd, 0, deadline, 1, &error);
    if (w == Wait::kFailed) return Broken(*count, error);
    last_look = w == Wait::kTimedOut && Remaining(deadline) == 0;
  }
}

}  // namespace terminal
