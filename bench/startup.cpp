// Start-up: from starting padlink to its first pass, when it reads single
// keys from its console.
#include "bench/bench_run.h"
#include "bench/measurements.h"
#include "bench/stats.h"

void BenchStartup(const Stage& stage, Report* report) {
  std::vector<double> startup;
  for (int i = 0; i < 20; ++i) {
    Run run(stage);
    run.UsePty();
    const double t0 = NowMs();
    testpty::Child c = run.Start({"-c", "1", "-d"}, true, false);
    if (run.WaitForKeyboard()) startup.push_back(NowMs() - t0);
    run.Quit(c);
  }
  report->AddStats("start-up to the first pass", startup, 2, "ms", "", true);
}
