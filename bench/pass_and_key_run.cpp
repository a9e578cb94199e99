// An idle padlink's passes, then keys to its port: pass period from its
// pauses, key to wire from the bench's write to padlink's write.
#include <cstdlib>

#include "bench/bench_run.h"
#include "bench/busy_machine.h"
#include "bench/machine.h"
#include "bench/ptymodem_log.h"
#include "bench/stats.h"

namespace {

// The time between the starts of successive passes' pauses before `until`.
std::vector<double> PassPeriods(const std::vector<Event>& log, std::uint64_t until) {
  std::vector<double> periods;
  std::uint64_t last_pass = 0;
  for (const Event& e : log) {
    if (e.kind == 'S' && e.ns < until && IsPassPause(std::atoll(e.data.c_str()))) {
      if (last_pass) periods.push_back(static_cast<double>(e.ns - last_pass) / 1e6);
      last_pass = e.ns;
    }
  }
  return periods;
}

// What padlink did from `from` on: its writes to the port, its reads from
// its terminal, and its key tests (a pass begins, with its key test, when a
// 5 ms pause ends).
struct KeyEvents {
  std::vector<std::uint64_t> wrote, reads, tests;
};

KeyEvents KeyEventsFrom(const std::vector<Event>& log, std::uint64_t from) {
  const std::string port = PortDevice(log);
  KeyEvents k;
  long long asked = 0;
  for (const Event& e : log) {
    if (e.kind == 'S') asked = std::atoll(e.data.c_str());
    if (e.ns < from) continue;
    if (e.kind == 'W' && e.dev == port) k.wrote.push_back(e.ns);
    if (e.kind == 'R' && e.dev != port) k.reads.push_back(e.ns);
    if (e.kind == 'Z' && IsPassPause(asked)) k.tests.push_back(e.ns);
  }
  return k;
}

// Each key: typed, read by padlink from its terminal, written to the port.
// A key test that ran well after the key was typed and found nothing means
// the terminal had not delivered it yet: that key's delay is the pseudo-
// terminal's, not padlink's.
void KeyDelays(const std::vector<std::uint64_t>& typed, const KeyEvents& k, Figures* f) {
  std::size_t r = 0, w = 0, t = 0;
  for (std::uint64_t key : typed) {
    while (r < k.reads.size() && k.reads[r] < key)
      ++r;
    if (r == k.reads.size()) break;
    while (w < k.wrote.size() && k.wrote[w] < k.reads[r])
      ++w;
    if (w == k.wrote.size()) break;
    const double ms = static_cast<double>(k.wrote[w] - key) / 1e6;
    f->key_to_wire.push_back(ms);
    while (t < k.tests.size() && k.tests[t] < key + 1000000)
      ++t;
    const bool delivered_late = t < k.tests.size() && k.tests[t] < k.reads[r];
    if (delivered_late) {
      ++f->keys_late;
    } else {
      f->key_to_wire_own.push_back(ms);
    }
    ++r;
    ++w;
  }
}

}  // namespace

void PassAndKeyRun(const Stage& stage, const Condition& cond, Figures* f) {
  Run run(stage);
  run.UsePty();
  testpty::Child c = run.Start({"-c", "1", "-d"}, cond.privileged);
  run.WaitForKeyboard();
  if (f->scheduling.empty()) f->scheduling = SchedulingOf(c.pid);
  testpty::SleepMs(3000);
  const std::uint64_t keys_from = NowNs();
  const std::vector<std::uint64_t> typed = run.TypeKeysToPort(nullptr);
  run.Quit(c);
  const auto log = ReadLog(run.LogOf(c));
  f->pass = PassPeriods(log, keys_from);
  KeyDelays(typed, KeyEventsFrom(log, keys_from), f);
}
