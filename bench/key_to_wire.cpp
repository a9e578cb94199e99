// A key typed on padlink's terminal to its byte at the port's far end, as
// the benchmark sees it (no log: padlink runs as a user would run it).
#include "bench/bench_run.h"
#include "bench/measurements.h"
#include "bench/stats.h"

void BenchKeyToWire(const Stage& stage, Report* report) {
  Run run(stage);
  run.UsePty();
  testpty::Child c = run.Start({"-c", "1", "-d"}, true, false);
  run.WaitForKeyboard();
  std::vector<double> latency;
  run.TypeKeysToPort(&latency);
  run.Quit(c);
  report->AddStats("key to wire, at the port's far end", latency, 2, "ms", "p99 <= 5.5 ms",
                   Percentile(latency, 0.99) <= 5.5);
}
