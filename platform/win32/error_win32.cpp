// Windows error codes and their text from the system's message table.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

// The kinds the codes alone tell. Access denied is not among them: it is a
// port in use while the port opens, an adapter unplugged once it is open.
ErrorKind KindOf(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return ErrorKind::kBusy;
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return ErrorKind::kGone;
    case ERROR_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
      return ErrorKind::kTimedOut;
    default:
      return ErrorKind::kOther;
  }
}

}  // namespace

// The system's text, line end included, as the message table has it; a code
// the table does not know gets a text of the same shape.
SysError PlatformError(std::int32_t code) {
  SysError error{code, {}, KindOf(static_cast<DWORD>(code))};
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (n != 0 && text) {
    error.text.assign(text, n);
  } else {
    char unknown[32];
    std::snprintf(unknown, sizeof unknown, "Unknown error %lu\r\n",
                  static_cast<unsigned long>(static_cast<DWORD>(code)));
    error.text = unknown;
  }
  if (text) LocalFree(text);
  return error;
}

SysError PlatformNoSuchPortError() {
  return PlatformError(ERROR_FILE_NOT_FOUND);
}

SysError PlatformInvalidArgumentError() {
  return PlatformError(ERROR_INVALID_PARAMETER);
}
