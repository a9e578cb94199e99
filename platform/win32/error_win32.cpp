// Error codes and their text on Windows: GetLastError and the system's
// message table.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"

namespace {

char g_no_memory_text[] = "Unknown error\r\n";

}  // namespace

std::int32_t PlatformLastError() {
  return static_cast<std::int32_t>(GetLastError());
}

void PlatformSetNoSuchPortError() {
  SetLastError(ERROR_FILE_NOT_FOUND);
}

void PlatformSetInvalidArgumentError() {
  SetLastError(ERROR_INVALID_PARAMETER);
}

// The system's text, line end included, from its message table.
char* PlatformErrorText(std::int32_t code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (n == 0 || !text) {
    text = static_cast<char*>(LocalAlloc(LMEM_FIXED, 32));
    if (text) std::snprintf(text, 32, "Unknown error %lu\r\n", static_cast<unsigned long>(code));
  }
  return text ? text : g_no_memory_text;
}

void PlatformFreeErrorText(char* text) {
  if (text != g_no_memory_text) LocalFree(text);
}
