// Error codes and their text on Windows: GetLastError and the system's
// message table.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/rfc2217/net_errors.h"

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

// The system's text, line end included, from its message table; a remote
// port's error has a text of its own, ended the same way.
char* PlatformErrorText(std::int32_t code) {
  char remote[512];
  if (rfc2217::ErrorText(code, remote, sizeof remote - 2)) {
    std::strcat(remote, "\r\n");
    const std::size_t n = std::strlen(remote) + 1;
    char* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, n));
    if (!copy) return g_no_memory_text;
    std::memcpy(copy, remote, n);
    return copy;
  }
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
