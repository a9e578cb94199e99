// The console keyboard on Windows: input records, turned into key codes.
// The test peeks at the waiting records; the read takes them with the
// console mode set to 0 for its duration. Ctrl+C keeps the system's default.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/keys/console_keys.h"
#include "platform/platform.h"

namespace {

HANDLE g_input = INVALID_HANDLE_VALUE;
int g_pending = -1;  // the second code of a special key

int Codes(const INPUT_RECORD& r, int codes[2]) {
  if (r.EventType != KEY_EVENT) return 0;
  const KEY_EVENT_RECORD& k = r.Event.KeyEvent;
  return ConsoleKeyCodes(
      {k.bKeyDown != 0, k.wVirtualKeyCode, k.uChar.AsciiChar, k.dwControlKeyState}, codes);
}

}  // namespace

void KeyboardOpen() {
  g_input = GetStdHandle(STD_INPUT_HANDLE);
  // Some consoles begin to collect input only at the first peek.
  INPUT_RECORD r;
  DWORD n = 0;
  PeekConsoleInputA(g_input, &r, 1, &n);
}

bool KeyboardKeyWaiting() {
  if (g_pending >= 0) return true;
  DWORD count = 0;
  if (!GetNumberOfConsoleInputEvents(g_input, &count) || count == 0) return false;
  INPUT_RECORD records[64];
  DWORD n = 0;
  if (!PeekConsoleInputA(g_input, records, 64, &n)) return false;
  int codes[2];
  for (DWORD i = 0; i < n; ++i) {
    if (Codes(records[i], codes) > 0) return true;
  }
  // Only records without a code: drop them, so they are not peeked again.
  if (n > 0) {
    DWORD dropped = 0;
    ReadConsoleInputA(g_input, records, n, &dropped);
  }
  return false;
}

int KeyboardReadKey() {
  if (g_pending >= 0) {
    const int code = g_pending;
    g_pending = -1;
    return code;
  }
  DWORD mode = 0;
  const bool have_mode = GetConsoleMode(g_input, &mode) != 0;
  if (have_mode) SetConsoleMode(g_input, 0);
  int result = -1;
  for (;;) {
    INPUT_RECORD r;
    DWORD n = 0;
    if (!ReadConsoleInputA(g_input, &r, 1, &n) || n == 0) break;
    int codes[2];
    const int count = Codes(r, codes);
    if (count == 0) continue;
    if (count == 2) g_pending = codes[1];
    result = codes[0];
    break;
  }
  if (have_mode) SetConsoleMode(g_input, mode);
  return result;
}

void PlatformExit(int status) {
  std::exit(status);
}
