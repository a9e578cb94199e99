// The console keyboard on Windows: input records, turned into key codes.
// The test peeks at the waiting records; the read takes them with the
// console mode set to 0 for its duration. Ctrl+C keeps the system's default.
// Records are read in their wide form and each character is converted into
// the console's code page without best fit: the narrow records would hand
// over a look-alike (c for č), which is another command.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "keys/console_keys.h"
#include "platform/platform.h"

namespace {

HANDLE g_input = INVALID_HANDLE_VALUE;
int g_pending = -1;  // the second code of a special key

int ToConsoleCodePage(std::uint16_t unit, char* out, int size, bool* defaulted) {
  const UINT code_page = GetConsoleCP();
  const wchar_t wide = static_cast<wchar_t>(unit);
  // UTF-8 and UTF-7 take neither flags nor the report of a default.
  const bool utf = code_page == CP_UTF8 || code_page == CP_UTF7;
  BOOL used_default = FALSE;
  const int n = WideCharToMultiByte(code_page, utf ? 0 : WC_NO_BEST_FIT_CHARS, &wide, 1, out, size,
                                    nullptr, utf ? nullptr : &used_default);
  *defaulted = used_default != FALSE;
  return n;
}

int Codes(const INPUT_RECORD& r, int codes[2]) {
  if (r.EventType != KEY_EVENT) return 0;
  const KEY_EVENT_RECORD& k = r.Event.KeyEvent;
  const int character = CodePageCharacter(k.uChar.UnicodeChar, ToConsoleCodePage);
  return ConsoleKeyCodes(
      {k.bKeyDown != 0, k.wVirtualKeyCode, character > 0 ? static_cast<char>(character) : '\0',
       k.dwControlKeyState, character < 0},
      codes);
}

}  // namespace

void KeyboardOpen() {
  g_input = GetStdHandle(STD_INPUT_HANDLE);
  // Some consoles begin to collect input only at the first peek.
  INPUT_RECORD r;
  DWORD n = 0;
  PeekConsoleInputW(g_input, &r, 1, &n);
}

bool KeyboardKeyWaiting() {
  if (g_pending >= 0) return true;
  DWORD count = 0;
  if (!GetNumberOfConsoleInputEvents(g_input, &count) || count == 0) return false;
  INPUT_RECORD records[64];
  DWORD n = 0;
  if (!PeekConsoleInputW(g_input, records, 64, &n)) return false;
  int codes[2];
  for (DWORD i = 0; i < n; ++i) {
    if (Codes(records[i], codes) > 0) return true;
  }
  // Only records without a code: drop them, so they are not peeked again.
  if (n > 0) {
    DWORD dropped = 0;
    ReadConsoleInputW(g_input, records, n, &dropped);
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
    if (!ReadConsoleInputW(g_input, &r, 1, &n) || n == 0) break;
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

// The console's mode is saved and restored around each read; a device
// cannot change it, and there is nothing to release on the way out that the
// system does not release itself.
void PlatformStartUp() {}

void PlatformExit(int status) {
  std::exit(status);
}
