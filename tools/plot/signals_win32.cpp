// What ends or interrupts padlink-plot on Windows, and its standard input.
// Ctrl+C, Ctrl+Break and closing the console arrive as console control
// events, on a thread of the system's; standard input (a pipe from
// padlink.exe, a saved log, the console) is read by a thread of our own,
// which blocks in ReadFile, so that a wait can end on input, an event or a
// time-out alike.
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/plot/signals.h"
#include "tools/plot/terminal.h"

namespace plot {

namespace {

// Bytes read ahead at most; the reader waits for room beyond that.
constexpr std::size_t kReadAhead = 1 << 20;
// How often a live chart looks at the window's size.
constexpr int kSizeCheckMs = 250;

// Shared by the reader thread, the control handler and the watch (one at a
// time). The lock guards the input's fields; `wake` (auto-reset) is set
// when input arrives or ends and when an event comes.
struct Shared {
  CRITICAL_SECTION lock;
  CONDITION_VARIABLE room;
  std::string data;  // read and not taken yet
  bool ended = false;
  int error = 0;  // errno of a read that failed
  HANDLE wake = nullptr;
  HANDLE finished = nullptr;  // set when the summary is out
  volatile LONG event = 0;    // the first control event plus one
};
Shared g;

DWORD WINAPI ReadInput(LPVOID) {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::vector<char> buf(64 * 1024);
  for (;;) {
    DWORD n = 0;
    const BOOL ok = ReadFile(in, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr);
    const DWORD why = ok ? 0 : GetLastError();
    EnterCriticalSection(&g.lock);
    if (ok && n > 0) {
      g.data.append(buf.data(), n);
      SetEvent(g.wake);
      while (g.data.size() >= kReadAhead)
        SleepConditionVariableCS(&g.room, &g.lock, INFINITE);
      LeaveCriticalSection(&g.lock);
      continue;
    }
    // The end of a file or of a pipe whose writer is gone (a read of
    // nothing, or ERROR_BROKEN_PIPE), or a failure.
    g.ended = true;
    if (!ok && why != ERROR_BROKEN_PIPE && why != ERROR_HANDLE_EOF)
      g.error = why == ERROR_INVALID_HANDLE ? EBADF : EIO;
    SetEvent(g.wake);
    LeaveCriticalSection(&g.lock);
    return 0;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  InterlockedCompareExchange(&g.event, static_cast<LONG>(type) + 1, 0);
  SetEvent(g.wake);
  // The system ends the process when this returns from a close: the
  // summary and the files are written first, for a few seconds at most.
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) WaitForSingleObject(g.finished, 4000);
  return TRUE;
}

bool InputWaits() {
  EnterCriticalSection(&g.lock);
  const bool waits = !g.data.empty() || g.ended;
  LeaveCriticalSection(&g.lock);
  return waits;
}

}  // namespace

SignalWatch::SignalWatch(bool live) : live_(live) {
  InitializeCriticalSection(&g.lock);
  InitializeConditionVariable(&g.room);
  g.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  g.finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  if (live_) TerminalSize(&width_, &height_);
  reader_ = CreateThread(nullptr, 0, ReadInput, nullptr, 0, nullptr);
  if (!reader_) {
    g.ended = true;
    g.error = EIO;
  }
}

// The reader may still wait for input: it ends with the process.
SignalWatch::~SignalWatch() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

int SignalWatch::Wait(int timeout_ms) {
  int limit = timeout_ms;
  if (live_ && (limit < 0 || limit > kSizeCheckMs)) limit = kSizeCheckMs;
  if (!InputWaits() && !quit_)
    WaitForSingleObject(g.wake, limit < 0 ? INFINITE : static_cast<DWORD>(limit));
  TakeCaught();
  return InputWaits() ? 1 : 0;
}

long SignalWatch::Read(char* bytes, std::size_t n) {
  EnterCriticalSection(&g.lock);
  long r = 0;
  if (!g.data.empty()) {
    const std::size_t take = g.data.size() < n ? g.data.size() : n;
    g.data.copy(bytes, take);
    g.data.erase(0, take);
    WakeConditionVariable(&g.room);
    r = static_cast<long>(take);
  } else if (!g.ended) {
    errno = EAGAIN;
    r = -1;
  } else if (g.error != 0) {
    errno = g.error;
    r = -1;
  }
  LeaveCriticalSection(&g.lock);
  return r;
}

void SignalWatch::TakeCaught() {
  const LONG event = InterlockedCompareExchange(&g.event, 0, 0);
  if (quit_ == 0 && event != 0) quit_ = static_cast<int>(event);
  if (live_) {
    int w = 0, h = 0;
    TerminalSize(&w, &h);
    if (w != width_ || h != height_) resized_ = true;
    width_ = w;
    height_ = h;
  }
}

// No job control in the console.
bool SignalWatch::TakeSuspend() {
  return false;
}

bool SignalWatch::TakeRedraw() {
  const bool redraw = resized_;
  resized_ = false;
  return redraw;
}

void SignalWatch::Stop() {}

// Ended by a control event: the exit status of a program that Ctrl+C
// ended, as the system's own handler gives it.
void SignalWatch::EndAsCaught() {
  TakeCaught();
  std::fflush(stdout);
  SetEvent(g.finished);
  if (quit_ != 0) ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace plot
