// The Port object of a serial device on POSIX, over the pieces in
// terminal_device.h.
#include "platform/posix/terminal_port.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/terminal_device.h"

TerminalPort::TerminalPort(int fd, bool marked, bool low_latency)
    : fd_(fd), marked_(marked), low_latency_(low_latency) {
  kept_.dtr = LineControl::kOn;
  kept_.rts = LineControl::kOn;
}

TerminalPort::~TerminalPort() {
  if (fd_ >= 0) (void)Close();
}

SysResult<LineConfig> TerminalPort::GetConfig() {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  return terminal::ReadConfig(fd_, kept_);
}

SysResult<void> TerminalPort::Configure(const LineConfig& config) {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  if (auto r = terminal::ApplyConfig(fd_, config); !r) return r;
  kept_ = config;
  return {};
}

SysResult<std::int32_t> TerminalPort::Write(const std::uint8_t* bytes, std::int32_t n,
                                            std::int32_t timeout_ms) {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  return terminal::WriteWithin(fd_, bytes, n, timeout_ms);
}

SysResult<std::int32_t> TerminalPort::Read(std::uint8_t* bytes, std::int32_t n,
                                           std::int32_t timeout_ms) {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  return terminal::ReadWithin(fd_, bytes, n, timeout_ms);
}

SysResult<std::int32_t> TerminalPort::Waiting() {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  return terminal::InputWaiting(fd_);
}

SysResult<std::int32_t> TerminalPort::WaitFor(std::int32_t n, std::int32_t timeout_ms) {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  return terminal::WaitForInput(fd_, n, timeout_ms);
}

// A device without modem lines (a pseudo-terminal) refuses: the caller
// learns that the line did not move.
SysResult<void> TerminalPort::SetLine(int line, bool on) {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  if (!terminal::SetModemLine(fd_, line, on)) return Fail(PlatformError(errno));
  return {};
}

SysResult<void> TerminalPort::SetRts(bool on) {
  return SetLine(TIOCM_RTS, on);
}

SysResult<void> TerminalPort::SetDtr(bool on) {
  return SetLine(TIOCM_DTR, on);
}

// The lock goes with the descriptor; the mark is cleared first, since the
// kernel keeps it while anything else has the device open, and so is the
// low-latency flag, which the driver keeps for the next program.
SysResult<void> TerminalPort::Close() {
  if (fd_ < 0) return Fail(PlatformError(EBADF));
  if (low_latency_) terminal::GiveBackLowLatency(fd_);
  if (marked_) terminal::Unmark(fd_);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0 && errno != EINTR) return Fail(PlatformError(errno));
  return {};
}
