// The second table: padlink's timing on the machine as found and kept busy
// by busy loops (2 per core), with the real-time privilege and without it.
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "bench/busy_machine.h"
#include "bench/machine.h"
#include "bench/measurements.h"
#include "bench/stats.h"
#include "tests/support/pty.h"

namespace {

// The columns of the table, in its order.
std::vector<Condition> Conditions() {
  return {
      {"as found, real-time", false, true},
      {"as found, unprivileged", false, false},
      {"busy, real-time", true, true},
      {"busy, unprivileged", true, false},
  };
}

// Busy loops, 2 per core, from the first busy condition to the end.
class BusyLoops {
 public:
  BusyLoops() = default;
  BusyLoops(const BusyLoops&) = delete;
  BusyLoops& operator=(const BusyLoops&) = delete;
  ~BusyLoops() {
    for (pid_t pid : pids_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  void StartOnce() {
    if (!pids_.empty()) return;
    for (unsigned i = 0; i < 2 * std::thread::hardware_concurrency(); ++i)
      pids_.push_back(StartBusyLoop());
    testpty::SleepMs(1000);
  }

 private:
  std::vector<pid_t> pids_;
};

std::vector<Figures> MeasureConditions(const Stage& stage, const std::vector<Condition>& conditions,
                                       Report* report) {
  std::vector<Figures> all;
  BusyLoops busy;
  for (const Condition& cond : conditions) {
    std::fprintf(stderr, "  %s...\n", cond.name.c_str());
    if (cond.loaded) busy.StartOnce();
    Figures f;
    f.load = LoadAverage();
    const CpuTimes t0 = ReadCpuTimes();
    const double w0 = NowMs();
    PassAndKeyRun(stage, cond, &f);
    StrobeRun(stage, cond, &f, report);
    f.seconds = (NowMs() - w0) / 1e3;
    f.busy = BusyShare(t0, ReadCpuTimes());
    all.push_back(f);
  }
  return all;
}

using Cell = std::function<std::string(const Figures&)>;

void AddRow(const std::vector<Figures>& all, const std::string& figure, const Cell& cell,
            const std::string& goal, const std::string& verdict, Report* report) {
  LoadRow r{figure, {}, goal, verdict};
  for (const Figures& f : all)
    r.cells.push_back(cell(f));
  report->AddLoadRow(r);
}

// Conditions as padlink found them, and its strobes.
void AddStrobeRows(const std::vector<Figures>& all, Report* report) {
  auto rts = [](double p) {
    return [p](const Figures& f) { return Fixed(Percentile(f.rts_low, p), 3); };
  };
  AddRow(
      all, "padlink's scheduling", [](const Figures& f) { return f.scheduling; }, "", "", report);
  AddRow(
      all, "load average at the start; processors busy",
      [](const Figures& f) { return f.load + "; " + Fixed(100 * f.busy, 0) + " %"; }, "", "",
      report);
  AddRow(all, "RTS low time p50 (ms)", rts(0.5), "", "", report);
  const bool p90_met = Percentile(all[2].rts_low, 0.9) <= 8.3;  // busy, real-time
  AddRow(all, "RTS low time p90 (ms)", rts(0.9), "busy, real-time: <= 8.3 ms", Verdict(p90_met),
         report);
  AddRow(all, "RTS low time p99 (ms)", rts(0.99), "", "", report);
  AddRow(
      all, "RTS low over 8.5 ms",
      [](const Figures& f) {
        return Fixed(100 * ShareAbove(f.rts_low, 8.5), 1) + " % of " +
               std::to_string(f.rts_low.size());
      },
      "", "", report);
}

// Passes and keys.
void AddPassAndKeyRows(const std::vector<Figures>& all, Report* report) {
  AddRow(
      all, "pass period p50 / p99 (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.pass, 0.5), 2) + " / " + Fixed(Percentile(f.pass, 0.99), 2);
      },
      "", "", report);
  AddRow(
      all, "key to wire p50 / p99 (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.key_to_wire, 0.5), 2) + " / " +
               Fixed(Percentile(f.key_to_wire, 0.99), 2);
      },
      "", "", report);
  AddRow(
      all, "  keys the terminal delivered late; p99 of the others (ms)",
      [](const Figures& f) {
        return std::to_string(f.keys_late) + " of " + std::to_string(f.key_to_wire.size()) + "; " +
               Fixed(Percentile(f.key_to_wire_own, 0.99), 2);
      },
      "", "", report);
}

// Failed samples and the delivery to the robot.
void AddFailureRows(const std::vector<Figures>& all, Report* report) {
  AddRow(
      all, "failed samples in " + Fixed(kStrobeRunS, 0) + " s at -a 3 -t 0",
      [](const Figures& f) {
        return std::to_string(f.failed) + " of " + std::to_string(f.samples + f.failed);
      },
      "", "", report);
  const bool failed_met = all[2].failed_own == 0 && all[3].failed_own == 0;  // busy
  AddRow(
      all, "  of them padlink's own (the others: below)",
      [](const Figures& f) { return std::to_string(f.failed_own); }, "busy: 0", Verdict(failed_met),
      report);
  AddRow(
      all, "pty delivery to the robot p99 / max (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.to_robot, 0.99), 2) + " / " + Fixed(Percentile(f.to_robot, 1), 1);
      },
      "", "", report);
}

}  // namespace

void BenchBusyMachine(const Stage& stage, Report* report) {
  const bool privilege_here = CanRealtime();
  const std::vector<Condition> conditions = Conditions();
  const std::vector<Figures> all = MeasureConditions(stage, conditions, report);
  AddStrobeRows(all, report);
  AddPassAndKeyRows(all, report);
  AddFailureRows(all, report);
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (const std::string& why : all[i].failures)
      report->AddNote("Failed sample (" + conditions[i].name + "): " + why);
  }
  if (!privilege_here)
    report->AddNote(
        "This user may not use real-time scheduling: the real-time columns ran without it.");
}
