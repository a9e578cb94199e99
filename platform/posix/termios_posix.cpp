// Line settings of a serial device on POSIX: the neutral settings mapped
// onto termios (speeds with and without a termios constant), and the DTR and
// RTS levels on the modem-control lines.
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/terminal_device.h"

namespace {

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

// The framing bits of c_cflag, which a driver may silently refuse to take.
constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CSTOPB
#if defined(CMSPAR)
                              | CMSPAR
#endif
    ;

}  // namespace

namespace terminal {

void ToTermios(const LineConfig& c, termios* t) {
  t->c_cflag &= ~static_cast<tcflag_t>(kFraming | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t->c_cflag |= kSizes[c.data_bits - 5];
  switch (c.parity) {
    case Parity::kOdd:
      t->c_cflag |= PARENB | PARODD;
      break;
    case Parity::kEven:
      t->c_cflag |= PARENB;
      break;
#if defined(CMSPAR)
    case Parity::kMark:
      t->c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case Parity::kSpace:
      t->c_cflag |= PARENB | CMSPAR;
      break;
#endif
    default:
      break;
  }
  if (c.stop_bits != StopBits::kOne) t->c_cflag |= CSTOPB;
  if (c.cts_flow || c.rts == LineControl::kHandshake) t->c_cflag |= CRTSCTS;
  t->c_cflag |= CLOCAL | CREAD;

  t->c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
  if (c.parity != Parity::kNone) t->c_iflag |= INPCK;
  if (c.xon_xoff) t->c_iflag |= IXON | IXOFF;
}

void FromTermios(const termios& t, LineConfig* c) {
  static constexpr std::uint8_t kBits[] = {5, 6, 7, 8};
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  for (int i = 0; i < 4; ++i) {
    if ((t.c_cflag & CSIZE) == kSizes[i]) c->data_bits = kBits[i];
  }
  if (!(t.c_cflag & PARENB)) {
    c->parity = Parity::kNone;
#if defined(CMSPAR)
  } else if (t.c_cflag & CMSPAR) {
    c->parity = (t.c_cflag & PARODD) ? Parity::kMark : Parity::kSpace;
#endif
  } else {
    c->parity = (t.c_cflag & PARODD) ? Parity::kOdd : Parity::kEven;
  }
  if (!(t.c_cflag & CSTOPB)) {
    c->stop_bits = StopBits::kOne;
  } else {
    c->stop_bits = c->data_bits == 5 ? StopBits::kOneAndHalf : StopBits::kTwo;
  }
  c->xon_xoff = (t.c_iflag & IXON) && (t.c_iflag & IXOFF);
  // With RTS as the handshake, CRTSCTS says nothing of CTS output flow alone.
  if (c->rts != LineControl::kHandshake) c->cts_flow = (t.c_cflag & CRTSCTS) != 0;
}

bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  // HUPCL: the last close drops DTR and RTS, also when padlink is killed
  // and cannot drop them itself.
  t.c_cflag |= CLOCAL | CREAD | HUPCL;
  // With VMIN 0 an empty read would return 0, like end of file; with VMIN 1
  // and O_NONBLOCK it reports EAGAIN, and 0 then means a hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool Supported(const LineConfig& c) {
  speed_t code;
  const bool speed_ok = StandardSpeed(c.baud, &code) || (c.baud > 0 && PosixHasCustomSpeeds());
  const bool size_ok = c.data_bits >= 5 && c.data_bits <= 8;
  // One and a half stop bits exist only with 5 data bits, where the UART
  // makes them from its "two stop bits" setting; so 5 data bits cannot have
  // two.
  const bool stop_ok = c.stop_bits == StopBits::kOne ||
                       (c.stop_bits == StopBits::kOneAndHalf && c.data_bits == 5) ||
                       (c.stop_bits == StopBits::kTwo && c.data_bits != 5);
  bool parity_ok = c.parity <= Parity::kSpace;
#if !defined(CMSPAR)
  parity_ok = parity_ok && c.parity != Parity::kMark && c.parity != Parity::kSpace;
#endif
  // No DTR handshake and no RTS toggling on POSIX.
  const bool lines_ok =
      (c.dtr == LineControl::kOff || c.dtr == LineControl::kOn) && c.rts <= LineControl::kHandshake;
  const bool flow_ok = !c.dsr_flow;
  return speed_ok && size_ok && stop_ok && parity_ok && lines_ok && flow_ok;
}

bool SetModemLine(int fd, int line, bool on) {
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

}  // namespace terminal

namespace {

// Sets the termios part of the settings; kept unchanged on failure.
SysResult<void> ApplyTermios(int fd, const LineConfig& c, const termios& before) {
  termios t = before;
  terminal::ToTermios(c, &t);
  speed_t code;
  const bool standard = StandardSpeed(c.baud, &code);
  if (standard) cfsetspeed(&t, code);
  if (tcsetattr(fd, TCSANOW, &t) != 0)
    return Fail(PlatformError(errno == EINVAL ? kErrUnsupportedSetting : errno));
  if (!standard && !PosixSetCustomSpeed(fd, c.baud)) {
    const int err = errno;
    tcsetattr(fd, TCSANOW, &before);
    return Fail(PlatformError(err));
  }
  // A driver takes what it can and drops the rest silently (a
  // pseudo-terminal keeps 8 data bits and no parity whatever it is told):
  // what did not take is refused.
  termios now{};
  if (tcgetattr(fd, &now) != 0 || (now.c_cflag & kFraming) != (t.c_cflag & kFraming) ||
      SpeedOf(fd, now) != c.baud) {
    tcsetattr(fd, TCSANOW, &before);
    return Fail(PlatformError(kErrUnsupportedSetting));
  }
  return {};
}

// The modem-control line levels; a device without modem lines (a
// pseudo-terminal answers ENOTTY or EINVAL) takes them as done.
SysResult<void> ApplyLineLevels(int fd, const LineConfig& c, const termios& before) {
  struct Line {
    int bit;
    bool set;
    bool on;
  };
  const Line lines[] = {
      {TIOCM_DTR, true, c.dtr == LineControl::kOn},
      {TIOCM_RTS, c.rts != LineControl::kHandshake, c.rts == LineControl::kOn},
  };
  for (const Line& line : lines) {
    if (!line.set || terminal::SetModemLine(fd, line.bit, line.on)) continue;
    const int err = errno;
    if (err == ENOTTY || err == EINVAL) break;
    tcsetattr(fd, TCSANOW, &before);
    return Fail(PlatformError(err));
  }
  return {};
}

}  // namespace

namespace terminal {

SysResult<LineConfig> ReadConfig(int fd, const LineConfig& kept) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return Fail(PlatformError(errno));
  LineConfig c = kept;
  c.baud = SpeedOf(fd, t);
  FromTermios(t, &c);
  return c;
}

SysResult<void> ApplyConfig(int fd, const LineConfig& config) {
  if (!Supported(config)) return Fail(PlatformError(kErrUnsupportedSetting));
  termios before{};
  if (tcgetattr(fd, &before) != 0) return Fail(PlatformError(errno));
  if (auto r = ApplyTermios(fd, config, before); !r) return r;
  return ApplyLineLevels(fd, config, before);
}

}  // namespace terminal

std::uint32_t PosixLineSpeed(int fd) {
  termios t{};
  return tcgetattr(fd, &t) == 0 ? SpeedOf(fd, t) : 0;
}
