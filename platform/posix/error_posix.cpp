// Errors with the system's text for them, and the texts of our own codes.
#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

const char* OwnText(int code) {
  switch (code) {
    case kErrNotATerminal:
      return "Not a serial device (the path is not a terminal device)";
    case kErrPortBusy:
      return "Port is in use by another program";
    case kErrUnsupportedSetting:
      return "The serial device does not support the requested line settings";
    case kErrOwnTerminal:
      return "The device is the terminal padlink runs in (standard input, output, error or the "
             "controlling terminal), not a serial line";
    case kErrPtyMaster:
      return "Not a serial device (the path is the master side of a pseudo-terminal)";
    case kErrPortMarkedUnlocked:
      return "Port is marked for exclusive use, but no process holds its lock (a program that "
             "used it ended without releasing it, or has it open without locking it)";
    case kErrPortMarked:
      return "Port is marked for exclusive use (by a program that has it open, or one that "
             "ended without releasing it)";
    default:
      return nullptr;
  }
}

// The kind a code stands for. An unplugged USB adapter fails with EIO (or
// ENXIO, ENODEV, depending on the driver and the moment); a terminal device
// whose other side hung up (a pseudo-terminal whose master closed) with EIO.
ErrorKind KindOf(int code) {
  switch (code) {
    case EIO:
    case ENXIO:
    case ENODEV:
      return ErrorKind::kGone;
    case EBUSY:
    case kErrPortBusy:
    case kErrPortMarkedUnlocked:
    case kErrPortMarked:
      return ErrorKind::kBusy;
    case EACCES:
    case EPERM:
    case kErrUnsupportedSetting:
      return ErrorKind::kRefused;
    case ETIMEDOUT:
      return ErrorKind::kTimedOut;
    default:
      return ErrorKind::kOther;
  }
}

}  // namespace

SysError PlatformError(std::int32_t code) {
  const char* own = OwnText(code);
  return SysError{code, own ? own : std::strerror(code), KindOf(code)};
}

SysError PlatformNoSuchPortError() {
  return PlatformError(ENOENT);
}

SysError PlatformInvalidArgumentError() {
  return PlatformError(EINVAL);
}
