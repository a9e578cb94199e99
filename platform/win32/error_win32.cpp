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
