// Milliseconds, pauses and the run's priority on Windows. The system rounds
// Sleep to its 15.6 ms timer tick unless the process asks for 1 ms: that would
// stretch the 8 ms strobe, the 5 ms pass and the 1 ms reply polls. The run
// asks for 1 ms and gives it back at exit; ElapsedMs comes from the
// performance counter, not from GetTickCount's 16 ms steps.
#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"
#include "platform/timing_request.h"

namespace {

struct TimerResolution {
  TimerResolution() { timeBeginPeriod(1); }
  ~TimerResolution() { timeEndPeriod(1); }
};
TimerResolution g_resolution;

// The priority class and thread priority before the run raised them.
DWORD g_saved_class = 0;
int g_saved_thread_priority = THREAD_PRIORITY_ERROR_RETURN;

void GiveBackPriority() {
  if (g_saved_thread_priority != THREAD_PRIORITY_ERROR_RETURN)
    SetThreadPriority(GetCurrentThread(), g_saved_thread_priority);
  if (g_saved_class != 0) SetPriorityClass(GetCurrentProcess(), g_saved_class);
}

}  // namespace

// A high priority class for the process and the highest priority within it
// for the one thread, for the length of the run; given back at exit. A
// refusal leaves the run at normal priority.
void PlatformRequestTiming() {
  if (!TimingRequestWanted(std::getenv("PADLINK_REALTIME"))) return;
  const DWORD saved_error = GetLastError();
  const DWORD old_class = GetPriorityClass(GetCurrentProcess());
  const int old_thread = GetThreadPriority(GetCurrentThread());
  if (old_class != 0 && SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS))
    g_saved_class = old_class;
  if (old_thread != THREAD_PRIORITY_ERROR_RETURN &&
      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST))
    g_saved_thread_priority = old_thread;
  if (g_saved_class != 0 || g_saved_thread_priority != THREAD_PRIORITY_ERROR_RETURN)
    std::atexit(GiveBackPriority);
  SetLastError(saved_error);
}

namespace {

// Milliseconds of the performance counter.
std::uint64_t CounterMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const unsigned long long ms = static_cast<unsigned long long>(now.QuadPart) /
                                    static_cast<unsigned long long>(frequency.QuadPart) * 1000ull +
                                static_cast<unsigned long long>(now.QuadPart) %
                                    static_cast<unsigned long long>(frequency.QuadPart) * 1000ull /
                                    static_cast<unsigned long long>(frequency.QuadPart);
  return ms;
}

class CounterClock final : public Clock {
 public:
  constexpr CounterClock() = default;
  std::uint64_t NowMs() const override { return CounterMs(); }
  void Pause(std::int32_t ms) const override { PlatformPause(ms); }
};

// Constant-initialized: no guard, and no writable data.
const CounterClock kClock;

}  // namespace

const Clock& PlatformClock() {
  return kClock;
}

std::uint32_t PlatformTickMs() {
  return static_cast<std::uint32_t>(CounterMs());
}

void PlatformPause(std::int32_t ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}
