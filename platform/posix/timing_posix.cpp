// The run's scheduling on POSIX. On Linux the one thread asks for real-time
// scheduling (first in, first out, at a modest priority, not inherited by
// child processes) and 1 us timer slack, so that an 8 ms strobe ends on time
// while other programs keep the processor busy. Real-time scheduling needs
// CAP_SYS_NICE or a real-time priority limit (RLIMIT_RTPRIO) above 0; without
// either the thread keeps its normal scheduling.
#include <sched.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "platform/platform.h"
#include "platform/timing_request.h"

namespace {

// Above the normal threads and below the system's own real-time threads
// (interrupt threads run at 50, watchdogs at 99).
constexpr int kRealtimePriority = 10;

#if defined(SCHED_RESET_ON_FORK)
constexpr int kPolicy = SCHED_FIFO | SCHED_RESET_ON_FORK;
#else
constexpr int kPolicy = SCHED_FIFO;
#endif

bool SetRealtime(int priority) {
  sched_param p{};
  p.sched_priority = priority;
  return sched_setscheduler(0, kPolicy, &p) == 0;
}

}  // namespace

void PlatformRequestTiming() {
  if (!TimingRequestWanted(std::getenv("PADLINK_REALTIME"))) return;
  const int saved_errno = errno;
#if defined(__linux__) && defined(PR_SET_TIMERSLACK)
  // Pauses end within 1 us of their time instead of the default 50 us.
  prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
#endif
  if (!SetRealtime(kRealtimePriority)) {
    // Without CAP_SYS_NICE a user may still have a real-time priority limit
    // (limits.conf "rtprio"): take what it allows.
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0 &&
        limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < kRealtimePriority) {
      SetRealtime(static_cast<int>(limit.rlim_cur));
    }
  }
  errno = saved_errno;
}
