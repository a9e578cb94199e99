// Idle padlink and the floor side by side over the same windows: the CPU
// time each used, from the scheduler's own accounts (no start-up, no exit).
// The floor is a process that does nothing but pause 5 ms at a time, as
// padlink's idle pass must, with the scheduling padlink asks for.
#include <signal.h>

#include "bench/bench_run.h"
#include "bench/machine.h"
#include "bench/measurements.h"
#include "bench/stats.h"
#include "platform/platform.h"

namespace {

// Per window: each one's share of a core (%), and padlink's CPU time over
// the floor's.
struct IdleShares {
  std::vector<double> ratios, padlink_pct, floor_pct;
};

// Other programs' work makes single windows vary by a third either way:
// several, for their median.
IdleShares MeasureWindows(pid_t padlink, pid_t floor) {
  IdleShares s;
  for (int w = 0; w < 8; ++w) {
    const std::uint64_t p0 = CpuNs(padlink), f0 = CpuNs(floor);
    const double t0 = NowMs();
    testpty::SleepMs(3000);
    const std::uint64_t p1 = CpuNs(padlink), f1 = CpuNs(floor);
    const double wall = NowMs() - t0;
    s.padlink_pct.push_back(static_cast<double>(p1 - p0) / 1e4 / wall);
    s.floor_pct.push_back(static_cast<double>(f1 - f0) / 1e4 / wall);
    s.ratios.push_back(static_cast<double>(p1 - p0) / static_cast<double>(f1 - f0));
  }
  return s;
}

}  // namespace

[[noreturn]] void SleepLoop() {
  PlatformRequestTiming();
  for (;;)
    PlatformPause(5);
}

long BenchIdleCpu(const Stage& stage, bool realtime, Report* report) {
  const std::vector<std::string> env = {std::string("PADLINK_REALTIME=") + (realtime ? "1" : "0")};
  Run run(stage);
  run.UsePty();
  testpty::Child c = run.Start({"-c", "1", "-d"}, true, false, env);
  run.WaitForKeyboard();
  testpty::ChildOptions o;
  o.argv = {stage.self(), "--sleep-loop"};
  o.env = env;
  testpty::Child floor = testpty::Spawn(o);
  testpty::SleepMs(500);
  const IdleShares s = MeasureWindows(c.pid, floor.pid);
  kill(floor.pid, SIGKILL);
  int st = 0;
  testpty::Wait(floor, 5000, &st);
  rusage u{};
  run.Quit(c, &u);
  const std::string sched = realtime ? "real-time" : "normal scheduling";
  const double ratio = Median(s.ratios);
  report->AddValue("CPU while idle, " + sched,
                   Fixed(Median(s.padlink_pct), 2) + " % of a core = " + Fixed(ratio, 2) +
                       " x the floor (ratios " + Fixed(Percentile(s.ratios, 0), 2) + "-" +
                       Fixed(Percentile(s.ratios, 1), 2) + ")",
                   "<= 1.15 x the floor", Verdict(ratio <= 1.15));
  report->AddValue("  floor: a bare 5 ms pause loop, " + sched,
                   Fixed(Median(s.floor_pct), 2) + " % of a core", "", "");
  return u.ru_maxrss;
}
