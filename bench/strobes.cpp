// RTS low time of strobes: keys in strobe mode while monitoring, timed by
// libptymodem in padlink.
#include "bench/bench_run.h"
#include "bench/failed_sample.h"
#include "bench/measurements.h"
#include "bench/ptymodem_log.h"
#include "bench/stats.h"

void BenchCommandStrobes(const Stage& stage, Report* report) {
  Run run(stage);
  run.StartRobot();
  testpty::Child c = run.Start({"-c", "1", "-a", "3", "-t", "0"}, true);
  run.WaitForKeyboard();
  for (int i = 0; i < 60; ++i) {
    testpty::WriteAll(run.console.master, i % 2 ? "1" : "2");
    testpty::SleepMs(40);
  }
  const int code = run.Quit(c);
  std::vector<double> commands, requests;
  const auto log = ReadLog(run.LogOf(c));
  StrobeTimes(log, &commands, &requests);
  if (code == 1) {
    report->AddNote("Failed sample (first table, strobes): " +
                    ExplainFailure(log, ReadLog(run.RobotLog()), c.err_text));
  }
  auto within = [](const std::vector<double>& v) {
    return !v.empty() && Percentile(v, 0.0) >= 8.0 && Percentile(v, 0.99) <= 8.3;
  };
  report->AddStats("strobe low time, commands", commands, 3, "ms", "8.0-8.3 ms at p99",
                   within(commands));
  report->AddStats("strobe low time, request bytes", requests, 3, "ms", "8.0-8.3 ms at p99",
                   within(requests));
}
