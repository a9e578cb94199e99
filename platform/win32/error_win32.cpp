// Windows error codes and their text from the system's message table.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

// The system's text, line end included, as the message table has it; a code
// the table does not know gets a text of the same shape.
SysError PlatformError(std::int32_t code) {
  SysError error{code, {}};
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

// What a USB serial adapter's driver answers once the adapter is unplugged:
// most fail every call with "the device does not recognize the command" or
// "a device attached to the system is not functioning", others with access
// denied, "the device is not ready" (also Wine's answer for a line that hung
// up) or one of the codes that say the device is gone.
bool PlatformDeviceGone(std::int32_t code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case 433:  // ERROR_NO_SUCH_DEVICE, which not every SDK names
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}
