// Last error and the system's text for it.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "platform/rfc2217/net_errors.h"

namespace {

int g_last_error = 0;
char g_no_memory_text[] = "Unknown error (no memory for its text)";

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

}  // namespace

void PosixSetLastError(int code) {
  g_last_error = code;
}

std::int32_t PlatformLastError() {
  return g_last_error;
}

void PlatformSetNoSuchPortError() {
  g_last_error = ENOENT;
}

void PlatformSetInvalidArgumentError() {
  g_last_error = EINVAL;
}

char* PlatformErrorText(std::int32_t code) {
  char remote[512];
  const char* own = rfc2217::ErrorText(code, remote, sizeof remote) ? remote : OwnText(code);
  const char* text = own ? own : std::strerror(code);
  char* copy = static_cast<char*>(std::malloc(std::strlen(text) + 1));
  if (!copy) return g_no_memory_text;
  std::strcpy(copy, text);
  return copy;
}

void PlatformFreeErrorText(char* text) {
  if (text != g_no_memory_text) std::free(text);
}
