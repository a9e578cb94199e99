// Pauses as padlink makes them, with the scheduling padlink asks for (in a
// child process, so that the benchmark keeps its own).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench/measurements.h"
#include "bench/stats.h"
#include "platform/platform.h"

namespace {

// In the child: "<ms> <p50> <p99>" of the overshoot of each pause length.
[[noreturn]] void TimePauses(int out) {
  dup2(out, 1);
  PlatformRequestTiming();
  for (int ms : {1, 5, 8}) {
    std::vector<double> over;
    for (int i = 0; i < 1000; ++i) {
      const double t0 = NowMs();
      PlatformPause(ms);
      over.push_back(NowMs() - t0 - ms);
    }
    std::printf("%d %.4f %.4f\n", ms, Percentile(over, 0.5), Percentile(over, 0.99));
  }
  std::fflush(stdout);
  _exit(0);
}

}  // namespace

void BenchPauses(Report* report) {
  int out[2];
  if (pipe(out) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    TimePauses(out[1]);
  }
  close(out[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  close(out[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  std::istringstream in(text);
  int ms;
  double p50, p99;
  while (in >> ms >> p50 >> p99) {
    report->AddRow({"pause " + std::to_string(ms) + " ms: overshoot (1000)", Fixed(p50, 3) + " ms",
                    Fixed(p99, 3) + " ms", "p99 <= 0.3 ms", Verdict(p99 <= 0.3)});
  }
}
