// Cable-mode samples per second at 9600 baud, against the line's limit, and
// the CPU padlink used for them.
#include "bench/bench_run.h"
#include "bench/measurements.h"
#include "bench/padlink_output.h"
#include "bench/stats.h"

SamplingCost BenchSampling(const Stage& stage, Report* report) {
  SamplingCost cost;
  Run run(stage);
  run.StartRobot();
  testpty::Child c = run.Start({"-c", "1", "-d", "-a", "3", "-t", "0"}, true, false);
  run.WaitForKeyboard();
  const double t0 = NowMs();
  testpty::SleepMs(5000);
  run.Quit(c, &cost.usage);
  cost.wall_s = (NowMs() - t0) / 1e3;
  const double rate = SampleRate(SampleTimes(c.out_text));
  const double limit = 9600.0 / (14 * 10);
  report->AddValue("cable sampling at -t 0, 9600 baud",
                   Fixed(rate, 1) + " /s = " + Fixed(rate / limit, 2) + " of the line's " +
                       Fixed(limit, 1) + " /s",
                   ">= 0.75 of the line's limit", Verdict(rate / limit >= 0.75));
  return cost;
}

void BenchMonitoringCpu(const SamplingCost& sampling, Report* report) {
  const rusage& u = sampling.usage;
  const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                     static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  const double percent = 100.0 * cpu / sampling.wall_s;
  report->AddValue("CPU while monitoring at -t 0", Fixed(percent, 2) + " % of a core", "", "");
}
