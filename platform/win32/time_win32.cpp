// Milliseconds and pauses on Windows. The system rounds Sleep to its 15.6 ms
// timer tick unless the process asks for 1 ms: that would stretch the 8 ms
// strobe, the 5 ms pass and the 1 ms reply polls. The run asks for 1 ms and
// gives it back at exit; ElapsedMs comes from the performance counter, not
// from GetTickCount's 16 ms steps.
#include <windows.h>

#include "platform/platform.h"

namespace {

struct TimerResolution {
  TimerResolution() { timeBeginPeriod(1); }
  ~TimerResolution() { timeEndPeriod(1); }
};
TimerResolution g_resolution;

}  // namespace

std::uint32_t PlatformTickMs() {
  static LARGE_INTEGER frequency = [] {
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
  return static_cast<std::uint32_t>(ms);
}

void PlatformPause(std::int32_t ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}
