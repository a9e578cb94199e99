// The console keyboard on Windows: input records, turned into keys. A poll
// peeks at the waiting records; a read takes them with the console mode set
// to 0 for its duration, so the console's own mode stays as it was between
// reads and nothing is left to restore. Ctrl+C and Ctrl+Break keep the
// system's default until the run takes them as requests to end it.
// Records are read in their wide form and each character is converted into
// the console's code page without best fit: the narrow records would hand
// over a look-alike (c for č), which is another command.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "keys/console_keys.h"
#include "platform/platform.h"

namespace {

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

std::optional<Key> KeyOf(const INPUT_RECORD& r) {
  if (r.EventType != KEY_EVENT) return std::nullopt;
  const KEY_EVENT_RECORD& k = r.Event.KeyEvent;
  const int character = CodePageCharacter(k.uChar.UnicodeChar, ToConsoleCodePage);
  return ConsoleKey({k.bKeyDown != 0, k.wVirtualKeyCode,
                     character > 0 ? static_cast<char>(character) : '\0', k.dwControlKeyState,
                     character < 0});
}

class Win32Keyboard : public Keyboard {
 public:
  Win32Keyboard();
  SysResult<std::optional<Key>> Poll() override;
  SysResult<Key> Read() override;

 private:
  bool KeyWaiting();

  HANDLE input_;
};

Win32Keyboard::Win32Keyboard() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
  // Some consoles begin to collect input only at the first peek.
  INPUT_RECORD r;
  DWORD n = 0;
  PeekConsoleInputW(input_, &r, 1, &n);
}

// True when a waiting record gives a key.
bool Win32Keyboard::KeyWaiting() {
  DWORD count = 0;
  if (!GetNumberOfConsoleInputEvents(input_, &count) || count == 0) return false;
  INPUT_RECORD records[64];
  DWORD n = 0;
  if (!PeekConsoleInputW(input_, records, 64, &n)) return false;
  for (DWORD i = 0; i < n; ++i) {
    if (KeyOf(records[i])) return true;
  }
  // Only records without a key: drop them, so they are not peeked again.
  if (n > 0) {
    DWORD dropped = 0;
    ReadConsoleInputW(input_, records, n, &dropped);
  }
  return false;
}

SysResult<std::optional<Key>> Win32Keyboard::Poll() {
  if (!KeyWaiting()) return std::optional<Key>();
  SysResult<Key> key = Read();
  if (!key) return Fail(key.error());
  return std::optional<Key>(*key);
}

SysResult<Key> Win32Keyboard::Read() {
  DWORD mode = 0;
  const bool have_mode = GetConsoleMode(input_, &mode) != 0;
  if (have_mode) SetConsoleMode(input_, 0);
  std::optional<Key> key;
  std::int32_t error = 0;
  while (!key) {
    INPUT_RECORD r;
    DWORD n = 0;
    if (!ReadConsoleInputW(input_, &r, 1, &n) || n == 0) {
      error = static_cast<std::int32_t>(GetLastError());
      break;
    }
    key = KeyOf(r);
  }
  if (have_mode) SetConsoleMode(input_, mode);
  if (!key) return Fail(PlatformError(error));
  return *key;
}

// The console events taken as requests to end the run: the event plus one,
// 0 for none. The system calls the handler on a thread of its own.
std::atomic<bool> g_take_requests{false};
std::atomic<DWORD> g_end_event{0};

// The longest wait for the run to finish once the console closes: the
// system ends the process about 5 s after the event.
constexpr int kCloseWaitMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  if (!g_take_requests.load()) return FALSE;  // the system's default
  DWORD none = 0;
  g_end_event.compare_exchange_strong(none, type + 1);
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
  // The console closes (or the user logs off, the system shuts down): the
  // process ends as soon as this returns, so it waits while the run sends
  // its stop command and closes the port; PlatformExit ends the process.
  for (int waited = 0; waited < kCloseWaitMs; waited += 10)
    Sleep(10);
  return FALSE;
}

}  // namespace

void PlatformTakeRequests() {
  if (g_take_requests.exchange(true)) return;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

OutsideRequest PlatformRequest() {
  return g_end_event.load() != 0 ? OutsideRequest::kEnd : OutsideRequest::kNone;
}

bool PlatformEndRequested() {
  return g_end_event.load() != 0;
}

// Windows has no suspend request.
void PlatformSuspend() {}

std::unique_ptr<Keyboard> PlatformOpenKeyboard() {
  return std::make_unique<Win32Keyboard>();
}

// The console's mode is saved and restored around each read; a device
// cannot change it, and there is nothing to release on the way out that the
// system does not release itself.
void PlatformStartUp() {}

// A console program that Ctrl+C or Ctrl+Break ended (by the system's
// default) ends with STATUS_CONTROL_C_EXIT; so does a run that ended on one.
void PlatformExit(int status) {
  if (g_end_event.load() != 0) {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
  }
  std::exit(status);
}
