// padlink's peak resident memory (from an idle run) against an empty C++
// program built the same way.
#include "bench/measurements.h"
#include "bench/stats.h"
#include "tests/support/pty.h"

void BenchMemory(long padlink_rss_kib, Report* report) {
  testpty::ChildOptions o;
  o.argv = {EMPTY_BIN};
  testpty::Child e = testpty::Spawn(o);
  rusage eu{};
  int st = 0;
  testpty::Wait(e, 5000, &st, &eu);
  const double ratio = static_cast<double>(padlink_rss_kib) / static_cast<double>(eu.ru_maxrss);
  report->AddValue("peak resident memory",
                   std::to_string(padlink_rss_kib) + " KiB = " + Fixed(ratio, 2) +
                       " x an empty C++ program (" + std::to_string(eu.ru_maxrss) + " KiB)",
                   "<= 1.5 x", Verdict(ratio <= 1.5));
}
