// Serial devices on POSIX: terminal devices opened raw and exclusive, line
// settings mapped onto termios and the modem-control lines, and read/write
// time-outs that behave as those of a Windows COM port.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/sysmacros.h>
#endif

#include "platform/platform.h"
#include "platform/posix/net_posix.h"
#include "platform/posix/posix_internal.h"

namespace {

// What termios does not keep of a port: the time-outs, and the fields of the
// line-settings record that have no termios counterpart.
struct Device {
  int fd;  // -1 for a free slot
  PortTimeouts timeouts;
  LineSettings settings;
  bool marked;  // we marked it for exclusive use
};

constexpr int kMaxDevices = 16;
Device g_devices[kMaxDevices] = {
    {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false},
    {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false},
    {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false},
    {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false}, {-1, {}, {}, false}};

Device* Find(PlatformHandle h) {
  for (Device& d : g_devices) {
    if (d.fd >= 0 && d.fd == h) return &d;
  }
  return nullptr;
}

bool Fail(int code) {
  PosixSetLastError(code);
  return false;
}

struct SpeedCode {
  std::uint32_t baud;
  speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool StandardSpeed(std::uint32_t baud, speed_t* code) {
  for (const SpeedCode& s : kSpeeds) {
    if (s.baud == baud) {
      *code = s.code;
      return true;
    }
  }
  return false;
}

std::uint32_t SpeedOf(int fd, const termios& t) {
  const speed_t code = cfgetospeed(&t);
  for (const SpeedCode& s : kSpeeds) {
    if (s.code == code) return s.baud;
  }
  std::uint32_t baud = 0;
  return PosixGetCustomSpeed(fd, &baud) ? baud : 0;
}

// The modem-control lines. A device without them (a pseudo-terminal) answers
// ENOTTY or EINVAL.
bool NoModemLines(int err) {
  return err == ENOTTY || err == EINVAL;
}

bool SetModemLine(int fd, int line, bool on) {
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

// Whether the device can do what the record asks for; the reason goes to the
// last error when it cannot.
bool Supported(const LineSettings& s) {
  speed_t code;
  const bool speed_ok =
      StandardSpeed(s.BaudRate, &code) || (s.BaudRate > 0 && PosixHasCustomSpeeds());
  const bool size_ok = s.ByteSize >= 5 && s.ByteSize <= 8;
  // One and a half stop bits exist only with 5 data bits, where the UART
  // makes them from its "two stop bits" setting; so 5 data bits cannot have
  // two.
  const bool stop_ok = s.StopBits == kOneStopBit ||
                       (s.StopBits == kOne5StopBits && s.ByteSize == 5) ||
                       (s.StopBits == kTwoStopBits && s.ByteSize != 5);
  bool parity_ok = s.Parity <= kSpaceParity;
#if !defined(CMSPAR)
  parity_ok = parity_ok && s.Parity != kMarkParity && s.Parity != kSpaceParity;
#endif
  // No DTR handshake and no RTS toggling on POSIX.
  const bool lines_ok = s.fDtrControl <= kDtrControlEnable && s.fRtsControl <= kRtsControlHandshake;
  const bool flow_ok = !s.fOutxDsrFlow;
  return speed_ok && size_ok && stop_ok && parity_ok && lines_ok && flow_ok;
}

void ApplyToTermios(const LineSettings& s, termios* t) {
  t->c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#if defined(CMSPAR)
  t->c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t->c_cflag |= kSizes[s.ByteSize - 5];
  switch (s.Parity) {
    case kOddParity:
      t->c_cflag |= PARENB | PARODD;
      break;
    case kEvenParity:
      t->c_cflag |= PARENB;
      break;
#if defined(CMSPAR)
    case kMarkParity:
      t->c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case kSpaceParity:
      t->c_cflag |= PARENB | CMSPAR;
      break;
#endif
    default:
      break;
  }
  if (s.StopBits != kOneStopBit) t->c_cflag |= CSTOPB;
  if (s.fOutxCtsFlow || s.fRtsControl == kRtsControlHandshake) t->c_cflag |= CRTSCTS;
  t->c_cflag |= CLOCAL | CREAD;

  t->c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
  if (s.fParity) t->c_iflag |= INPCK;
  if (s.fOutX) t->c_iflag |= IXON;
  if (s.fInX) t->c_iflag |= IXOFF;
}

// Raw from the moment it opens: every byte passes unchanged both ways.
bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  t.c_cflag |= CLOCAL | CREAD;
  // With VMIN 0 an empty read would return 0, like end of file; with VMIN 1
  // and O_NONBLOCK it reports EAGAIN, and 0 then means a hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

void RequestLowLatency(int fd) {
#if defined(__linux__) && defined(TIOCGSERIAL)
  serial_struct ss{};
  if (ioctl(fd, TIOCGSERIAL, &ss) == 0 && !(ss.flags & ASYNC_LOW_LATENCY)) {
    ss.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &ss);  // a refusal only costs latency
  }
#else
  (void)fd;
#endif
}

LineSettings InitialSettings() {
  LineSettings s{};
  s.DCBlength = sizeof(LineSettings);
  s.fBinary = 1;
  s.fDtrControl = kDtrControlEnable;  // opening a port raises DTR and RTS
  s.fRtsControl = kRtsControlEnable;
  s.XonLim = 2048;
  s.XoffLim = 512;
  s.XonChar = 0x11;
  s.XoffChar = 0x13;
  return s;
}

// Milliseconds left until deadline, rounded up; 0 once it has passed.
int Remaining(std::uint64_t deadline) {
  const std::uint64_t now = PosixMonotonicMs();
  if (now >= deadline) return 0;
  return static_cast<int>(std::min<std::uint64_t>(deadline - now, 1u << 30));
}

constexpr std::uint64_t kNoDeadline = ~std::uint64_t{0};

enum class Wait { kReady, kTimedOut, kFailed };

// Waits for the device to become readable or writable until the deadline.
// kFailed on a hang-up or error of the device (with the last error set), so
// that a vanished device never makes a caller spin. kTimedOut when the
// deadline has passed, also when it passed while the process was not running
// (stopped, or waiting for the processor): the caller then takes one last
// look before it reports a short transfer.
Wait WaitFor(int fd, short events, std::uint64_t deadline) {
  for (;;) {
    const int timeout = deadline == kNoDeadline ? -1 : Remaining(deadline);
    if (timeout == 0) return Wait::kTimedOut;
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, timeout);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      Fail(errno);
      return Wait::kFailed;
    }
    if (r == 0) return Wait::kTimedOut;
    if (p.revents & events) return Wait::kReady;
    Fail(EIO);  // POLLHUP, POLLERR or POLLNVAL alone
    return Wait::kFailed;
  }
}

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

enum class Holder { kNone, kSome, kUnknown };

#if defined(__linux__)
// Whether the lock-table line names a lock on the file (device, inode). The
// file appears as "MAJ:MIN:INODE", the first two in hex.
bool LockLineNames(const char* line, dev_t dev, ino_t ino) {
  for (const char* p = line; *p;) {
    while (*p == ' ')
      ++p;
    const char* end = p;
    while (*end && *end != ' ')
      ++end;
    unsigned int maj = 0, min = 0;
    unsigned long long inode = 0;
    int used = 0;
    if (std::sscanf(p, "%x:%x:%llu%n", &maj, &min, &inode, &used) == 3 && p + used == end) {
      return maj == major(dev) && min == minor(dev) &&
             inode == static_cast<unsigned long long>(ino);
    }
    p = end;
  }
  return false;
}
#endif

// Whether any process holds a lock (whole-file or record) on the file. Linux
// lists the locks of the system in /proc/locks; elsewhere it is unknown.
Holder LockHolder(const struct stat& file) {
#if defined(__linux__)
  const int fd = open("/proc/locks", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Holder::kUnknown;
  char buf[4096];
  std::size_t have = 0;
  bool found = false;
  for (;;) {
    const ssize_t n = read(fd, buf + have, sizeof buf - 1 - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return Holder::kUnknown;
    }
    have += static_cast<std::size_t>(n);
    buf[have] = '\0';
    char* start = buf;
    for (char* nl; (nl = std::strchr(start, '\n')) != nullptr; start = nl + 1) {
      *nl = '\0';
      found = found || LockLineNames(start, file.st_dev, file.st_ino);
    }
    if (n == 0) {
      found = found || LockLineNames(start, file.st_dev, file.st_ino);
      break;
    }
    have = static_cast<std::size_t>(buf + have - start);
    std::memmove(buf, start, have);
    if (have == sizeof buf - 1) have = 0;  // no lock line is that long
  }
  close(fd);
  return found ? Holder::kSome : Holder::kNone;
#else
  (void)file;
  return Holder::kUnknown;
#endif
}

// Why the device refused to open with EBUSY: it is marked for exclusive use
// (TIOCEXCL). That mark outlives a program that dies without clearing it
// while something else keeps the device alive (the other end of a
// pseudo-terminal), so only a lock held by a live process shows that
// another program is using the port.
int BusyReason(const char* name) {
  struct stat st {};
  if (stat(name, &st) != 0) return kErrPortMarked;
  switch (LockHolder(st)) {
    case Holder::kSome:
      return kErrPortBusy;
    case Holder::kNone:
      return kErrPortMarkedUnlocked;
    default:
      return kErrPortMarked;
  }
}

}  // namespace

// Port n is $PADLINK_PORT_DIR/comN when that directory is given (a directory
// of links such as com3 -> /dev/ttyUSB0), else /dev/ttyS(n-1). A remote port
// is named by a URL: in $PADLINK_PORT_<n>, or as the target of the link.
bool SerialDeviceName(std::int32_t port, char* buf, std::int32_t size) {
  if (const int r = rfc2217::PortUrlFromEnvironment(port, buf, size)) return PosixNet(r > 0);
  const char* dir = std::getenv("PADLINK_PORT_DIR");
  const int n = (dir && *dir) ? std::snprintf(buf, static_cast<std::size_t>(size), "%s/com%d", dir,
                                              static_cast<int>(port))
                              : std::snprintf(buf, static_cast<std::size_t>(size), "/dev/ttyS%d",
                                              static_cast<int>(port - 1));
  if (n < 0 || n >= size) return Fail(ENAMETOOLONG);
  if (dir && *dir) PosixRemoteLinkTarget(buf, size);
  return true;
}

PlatformHandle SerialOpen(const char* name) {
  if (rfc2217::LooksLikeUrl(name)) return PosixNet(rfc2217::NetOpen(name, PosixConnect));
  Device* slot = nullptr;
  for (Device& d : g_devices) {
    if (d.fd < 0) {
      slot = &d;
      break;
    }
  }
  if (!slot) {
    PosixSetLastError(EMFILE);
    return kInvalidPlatformHandle;
  }
  // Non-blocking, so that the open does not wait for a carrier; the time-outs
  // below do all the waiting.
  const int fd = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    PosixSetLastError(errno == EBUSY ? BusyReason(name) : errno);
    return kInvalidPlatformHandle;
  }
  // Nothing is changed on the device before it is known to be a serial line
  // that is not padlink's own terminal.
  int err = 0;
  if (!isatty(fd)) {
    err = kErrNotATerminal;
  } else if (IsPseudoTerminalMaster(fd)) {
    err = kErrPtyMaster;
  } else if (IsOwnTerminal(fd)) {
    err = kErrOwnTerminal;
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    err = (errno == EWOULDBLOCK) ? kErrPortBusy : errno;
  } else if (!MakeRaw(fd)) {
    err = errno;
  }
  if (err) {
    close(fd);
    PosixSetLastError(err);
    return kInvalidPlatformHandle;
  }
  // The lock keeps out every program that locks, and the kernel drops it
  // when padlink dies, however it dies. The exclusive-use mark keeps out
  // programs that do not lock too, but the kernel clears it only when the
  // device is last closed: a pseudo-terminal lives on while its other end is
  // open, so a mark left there by a killed run would shut out every later
  // one (except root's). Such devices get the lock alone.
  const bool mark = !IsPseudoTerminalSlave(fd);
  if (mark) ioctl(fd, TIOCEXCL);
  tcflush(fd, TCIOFLUSH);
  RequestLowLatency(fd);
  slot->fd = fd;
  slot->marked = mark;
  slot->timeouts = PortTimeouts{};
  slot->settings = InitialSettings();
  termios t{};
  if (tcgetattr(fd, &t) == 0) slot->settings.BaudRate = SpeedOf(fd, t);
  return fd;
}

bool SerialSetQueues(PlatformHandle h, std::int32_t, std::int32_t) {
  if (rfc2217::IsNetHandle(h)) return true;
  // The driver's queues have fixed sizes on POSIX.
  return Find(h) ? true : Fail(EBADF);
}

bool SerialGetSettings(PlatformHandle h, LineSettings* settings) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetGetSettings(h, settings));
  Device* d = Find(h);
  if (!d) return Fail(EBADF);
  termios t{};
  if (tcgetattr(d->fd, &t) != 0) return Fail(errno);
  LineSettings s = d->settings;
  s.BaudRate = SpeedOf(d->fd, t);
  switch (t.c_cflag & CSIZE) {
    case CS5:
      s.ByteSize = 5;
      break;
    case CS6:
      s.ByteSize = 6;
      break;
    case CS7:
      s.ByteSize = 7;
      break;
    default:
      s.ByteSize = 8;
      break;
  }
  if (!(t.c_cflag & PARENB)) {
    s.Parity = kNoParity;
#if defined(CMSPAR)
  } else if (t.c_cflag & CMSPAR) {
    s.Parity = (t.c_cflag & PARODD) ? kMarkParity : kSpaceParity;
#endif
  } else {
    s.Parity = (t.c_cflag & PARODD) ? kOddParity : kEvenParity;
  }
  if (!(t.c_cflag & CSTOPB)) {
    s.StopBits = kOneStopBit;
  } else {
    s.StopBits = s.ByteSize == 5 ? kOne5StopBits : kTwoStopBits;
  }
  s.fParity = (t.c_iflag & INPCK) ? 1 : 0;
  s.fOutX = (t.c_iflag & IXON) ? 1 : 0;
  s.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
  if (s.fRtsControl != kRtsControlHandshake) s.fOutxCtsFlow = (t.c_cflag & CRTSCTS) ? 1 : 0;
  *settings = s;
  return true;
}

bool SerialSetSettings(PlatformHandle h, const LineSettings* settings) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetSetSettings(h, settings));
  Device* d = Find(h);
  if (!d) return Fail(EBADF);
  const LineSettings& s = *settings;
  if (!Supported(s)) return Fail(kErrUnsupportedSetting);

  termios before{};
  if (tcgetattr(d->fd, &before) != 0) return Fail(errno);
  termios t = before;
  ApplyToTermios(s, &t);
  speed_t code;
  const bool standard = StandardSpeed(s.BaudRate, &code);
  if (standard) cfsetspeed(&t, code);
  if (tcsetattr(d->fd, TCSANOW, &t) != 0)
    return Fail(errno == EINVAL ? kErrUnsupportedSetting : errno);
  if (!standard && !PosixSetCustomSpeed(d->fd, s.BaudRate)) {
    const int err = errno;
    tcsetattr(d->fd, TCSANOW, &before);
    return Fail(err);
  }
  // A driver takes what it can and drops the rest silently (a
  // pseudo-terminal keeps 8 data bits and no parity whatever it is told):
  // what did not take is refused.
  termios now{};
  constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CSTOPB
#if defined(CMSPAR)
                                | CMSPAR
#endif
      ;
  if (tcgetattr(d->fd, &now) != 0 || (now.c_cflag & kFraming) != (t.c_cflag & kFraming) ||
      SpeedOf(d->fd, now) != s.BaudRate) {
    tcsetattr(d->fd, TCSANOW, &before);
    return Fail(kErrUnsupportedSetting);
  }

  // DTR and RTS levels; a device without modem lines takes everything else.
  struct Line {
    int bit;
    bool set;
    bool on;
  };
  const Line lines[] = {
      {TIOCM_DTR, true, s.fDtrControl == kDtrControlEnable},
      {TIOCM_RTS, s.fRtsControl != kRtsControlHandshake, s.fRtsControl == kRtsControlEnable},
  };
  for (const Line& line : lines) {
    if (!line.set || SetModemLine(d->fd, line.bit, line.on)) continue;
    const int err = errno;
    if (NoModemLines(err)) break;
    tcsetattr(d->fd, TCSANOW, &before);
    return Fail(err);
  }
  d->settings = s;
  return true;
}

bool SerialGetTimeouts(PlatformHandle h, PortTimeouts* timeouts) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetGetTimeouts(h, timeouts));
  Device* d = Find(h);
  if (!d) return Fail(EBADF);
  *timeouts = d->timeouts;
  return true;
}

bool SerialSetTimeouts(PlatformHandle h, const PortTimeouts* timeouts) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetSetTimeouts(h, timeouts));
  Device* d = Find(h);
  if (!d) return Fail(EBADF);
  d->timeouts = *timeouts;
  return true;
}

bool SerialInputCount(PlatformHandle h, std::int32_t* count) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetInputCount(h, count));
  int n = 0;
  if (ioctl(static_cast<int>(h), FIONREAD, &n) != 0) return Fail(errno);
  *count = n;
  return true;
}

std::int32_t SerialRead(PlatformHandle h, void* buf, std::int32_t n) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetRead(h, buf, n));
  Device* d = Find(h);
  if (!d) {
    Fail(EBADF);
    return 0;
  }
  if (n <= 0) return 0;
  const PortTimeouts& to = d->timeouts;
  const std::uint64_t start = PosixMonotonicMs();
  const std::uint64_t total =
      std::uint64_t{to.ReadTotalTimeoutMultiplier} * static_cast<std::uint64_t>(n) +
      to.ReadTotalTimeoutConstant;
  // An interval of MAXDWORD with no total returns at once with what is there.
  const bool immediate = to.ReadIntervalTimeout == 0xFFFFFFFFu && total == 0;
  const std::uint64_t total_deadline = total ? start + total : kNoDeadline;
  auto* out = static_cast<unsigned char*>(buf);
  std::int32_t got = 0;
  std::uint64_t interval_deadline = kNoDeadline;
  // Once a deadline has passed, one more read takes what arrived meanwhile:
  // bytes that came while the process waited for the processor, or was
  // stopped, are part of the transfer, not a time-out.
  bool last_look = false;
  while (got < n) {
    const ssize_t r = read(d->fd, out + got, static_cast<std::size_t>(n - got));
    if (r > 0) {
      got += static_cast<std::int32_t>(r);
      if (to.ReadIntervalTimeout && !immediate)
        interval_deadline = PosixMonotonicMs() + to.ReadIntervalTimeout;
      continue;
    }
    if (r == 0) {  // end of file: the device hung up
      PosixSetLastError(EIO);
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      PosixSetLastError(errno);
      break;
    }
    if (immediate || last_look) break;
    const Wait w = WaitFor(d->fd, POLLIN, std::min(total_deadline, interval_deadline));
    if (w == Wait::kFailed) break;
    last_look = w == Wait::kTimedOut;
  }
  return got;
}

std::int32_t SerialWrite(PlatformHandle h, const void* buf, std::int32_t n) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetWrite(h, buf, n));
  Device* d = Find(h);
  if (!d) {
    Fail(EBADF);
    return 0;
  }
  if (n <= 0) return 0;
  const PortTimeouts& to = d->timeouts;
  const std::uint64_t total =
      std::uint64_t{to.WriteTotalTimeoutMultiplier} * static_cast<std::uint64_t>(n) +
      to.WriteTotalTimeoutConstant;
  const std::uint64_t deadline = total ? PosixMonotonicMs() + total : kNoDeadline;
  const auto* in = static_cast<const unsigned char*>(buf);
  std::int32_t done = 0;
  bool last_try = false;  // as in SerialRead, once the deadline has passed
  while (done < n) {
    const ssize_t r = write(d->fd, in + done, static_cast<std::size_t>(n - done));
    if (r > 0) {
      done += static_cast<std::int32_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      PosixSetLastError(errno);
      break;
    }
    if (last_try) break;
    const Wait w = WaitFor(d->fd, POLLOUT, deadline);
    if (w == Wait::kFailed) break;
    last_try = w == Wait::kTimedOut;
  }
  return done;
}

bool SerialEscape(PlatformHandle h, RtsEscape function) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetEscape(h, function));
  int line = TIOCM_RTS;
  const unsigned long request = function == RtsEscape::kSet ? TIOCMBIS : TIOCMBIC;
  const bool ok = ioctl(static_cast<int>(h), request, &line) == 0;
  if (!ok) return Fail(errno);
  return true;
}

bool SerialClose(PlatformHandle h) {
  if (rfc2217::IsNetHandle(h)) return PosixNet(rfc2217::NetClose(h));
  Device* d = Find(h);
  if (!d) return Fail(EBADF);
  if (d->marked) ioctl(d->fd, TIOCNXCL);
  const int fd = d->fd;
  d->fd = -1;
  if (close(fd) != 0 && errno != EINTR) return Fail(errno);
  return true;
}

std::uint32_t PosixLineSpeed(int fd) {
  termios t{};
  return tcgetattr(fd, &t) == 0 ? SpeedOf(fd, t) : 0;
}

void PosixSerialReleaseAll() {
  for (const Device& d : g_devices) {
    if (d.fd >= 0 && d.marked) ioctl(d.fd, TIOCNXCL);
  }
}
