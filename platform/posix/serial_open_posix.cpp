// Finding and opening a serial device on POSIX: the device name of a port
// number, links read without following them, and the open with its guards
// (a serial line, not padlink's own terminal, not in use), exclusive and raw.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__linux__)
#include <sys/sysmacros.h>
#endif

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/terminal_device.h"
#include "platform/posix/terminal_port.h"

namespace {

// The master side of a pseudo-terminal (opening /dev/ptmx makes a new one):
// a terminal, but no line to anything.
bool IsPseudoTerminalMaster(int fd) {
#if defined(TIOCGPTN)
  unsigned int number = 0;
  return ioctl(fd, TIOCGPTN, &number) == 0;  // answered by masters only
#else
  (void)fd;
  return false;
#endif
}

// The slave side of a pseudo-terminal.
bool IsPseudoTerminalSlave(int fd) {
#if defined(__linux__)
  struct stat st {};
  // The kernel's numbers of pseudo-terminal slaves: majors 136 to 143.
  if (fstat(fd, &st) == 0 && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143) return true;
#endif
  const char* name = ttyname(fd);
  return name && std::strncmp(name, "/dev/pts/", 9) == 0;
}

// The terminal padlink itself runs in: the one on standard input, output or
// error, or the controlling terminal (which /dev/tty stands for).
bool IsOwnTerminal(int fd) {
  struct stat device {};
  if (fstat(fd, &device) != 0) return false;
  for (int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    struct stat st {};
    if (isatty(standard) && fstat(standard, &st) == 0 && S_ISCHR(st.st_mode) &&
        st.st_rdev == device.st_rdev)
      return true;
  }
  // Answers only for the caller's own controlling terminal.
  return tcgetsid(fd) != -1;
}

// Why the open device may not be used, 0 when it may: nothing is changed on
// it before it is known to be a serial line that is not padlink's own
// terminal, and is locked; then it is made raw.
int Refusal(int fd) {
  if (!isatty(fd)) return kErrNotATerminal;
  if (IsPseudoTerminalMaster(fd)) return kErrPtyMaster;
  if (IsOwnTerminal(fd)) return kErrOwnTerminal;
  if (const int err = terminal::Lock(fd)) return err;
  return terminal::MakeRaw(fd) ? 0 : errno;
}

}  // namespace

// Port n is $PADLINK_PORT_DIR/comN when that directory is given (a directory
// of links such as com3 -> /dev/ttyUSB0), else /dev/ttyS(n-1).
std::string PlatformSerialDeviceName(std::int32_t port) {
  const char* dir = std::getenv("PADLINK_PORT_DIR");
  if (dir && *dir) return std::string(dir) + "/com" + std::to_string(port);
  return "/dev/ttyS" + std::to_string(port - 1);
}

std::optional<std::string> PlatformReadLink(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
  // The size lstat reports can be 0 (links the kernel makes up) or stale.
  std::vector<char> buf(static_cast<std::size_t>(st.st_size) + 64);
  for (;;) {
    const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < buf.size())
      return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

SysResult<std::unique_ptr<Port>> PlatformOpenSerialDevice(const std::string& path) {
  // Non-blocking, so that the open does not wait for a carrier; the
  // transfers do all the waiting.
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return Fail(PlatformError(errno == EBUSY ? terminal::BusyReason(path.c_str()) : errno));
  if (const int err = Refusal(fd)) {
    close(fd);
    return Fail(PlatformError(err));
  }
  // The lock keeps out every program that locks, and the kernel drops it
  // when padlink dies, however it dies. The exclusive-use mark keeps out
  // programs that do not lock too, but the kernel clears it only when the
  // device is last closed: a pseudo-terminal lives on while its other end is
  // open, so a mark left there by a killed run would shut out every later
  // one (except root's). Such devices get the lock alone.
  const bool mark = !IsPseudoTerminalSlave(fd);
  if (mark && !terminal::Mark(fd)) {
    close(fd);
    return Fail(PlatformError(EMFILE));
  }
  tcflush(fd, TCIOFLUSH);
  const bool low_latency = terminal::RequestLowLatency(fd);
  return std::unique_ptr<Port>(std::make_unique<TerminalPort>(fd, mark, low_latency));
}
