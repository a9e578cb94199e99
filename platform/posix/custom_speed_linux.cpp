// Line speeds outside the termios constants (14400, 56000, 128000, 256000)
// through the Linux termios2 interface. Kept apart because its kernel header
// cannot share a translation unit with <termios.h>.
#include "platform/posix/posix_internal.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool PosixHasCustomSpeeds() {
  return true;
}

bool PosixSetCustomSpeed(int fd, std::uint32_t baud) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool PosixGetCustomSpeed(int fd, std::uint32_t* baud) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  *baud = t.c_ospeed;
  return true;
}

#else

bool PosixHasCustomSpeeds() {
  return false;
}
bool PosixSetCustomSpeed(int, std::uint32_t) {
  return false;
}
bool PosixGetCustomSpeed(int, std::uint32_t*) {
  return false;
}

#endif
