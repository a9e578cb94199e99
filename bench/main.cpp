// Measures how close the real padlink comes to the figures it is built
// around (8 ms strobes, 1 ms polls, the 5 ms pass, the line's speed) and
// what it costs, on an idle machine and on one kept busy by other programs,
// with the real-time privilege and without it. Prints two tables and writes
// them to RESULTS_FILE. Measures only: no figure fails anything.
//
// The programs run unchanged. Strobes, bytes and pauses are time-stamped by
// libptymodem (LD_PRELOAD), which also gives the pseudo-terminals the modem
// lines that strobe mode needs.
//
//   padlink_bench              everything
//   padlink_bench --remote     the remote-port rows alone
//   padlink_bench --exec ...   (internal) starts padlink: stage.h
//   padlink_bench --sleep-loop (internal) the floor under idle CPU
#include <sched.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/machine.h"
#include "bench/measurements.h"
#include "bench/report.h"
#include "bench/stage.h"
#include "bench/stats.h"

namespace {

// The benchmark's own time stamps must not wait for the processor; what it
// starts begins with normal scheduling and asks for its own.
void RaiseOwnPriority(Report* report) {
  sched_param own{};
  own.sched_priority = 30;
  if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &own) != 0)
    report->AddNote("The benchmark itself ran at normal priority.");
}

// The first table: the machine as found.
void RunFirstTable(const Stage& stage, Report* report) {
  std::fprintf(stderr, "pauses...\n");
  BenchPauses(report);
  std::fprintf(stderr, "strobes...\n");
  BenchCommandStrobes(stage, report);
  std::fprintf(stderr, "key to wire...\n");
  BenchKeyToWire(stage, report);
  std::fprintf(stderr, "sampling...\n");
  const SamplingCost sampling = BenchSampling(stage, report);
  std::fprintf(stderr, "cost...\n");
  const long idle_rss = BenchIdleCpu(stage, true, report);
  BenchIdleCpu(stage, false, report);
  BenchMonitoringCpu(sampling, report);
  BenchMemory(idle_rss, report);
  BenchStartup(stage, report);
  std::fprintf(stderr, "remote port...\n");
  BenchRemote(report);
}

int RunAll() {
  Report report;
  const Stage stage;
  RaiseOwnPriority(&report);
  const std::string load_before = LoadAverage();
  const CpuTimes t0 = ReadCpuTimes();
  RunFirstTable(stage, &report);
  const double background = BusyShare(t0, ReadCpuTimes());
  std::fprintf(stderr, "idle and busy...\n");
  BenchBusyMachine(stage, &report);
  report.AddNoteFirst("Other programs on the machine: load average " + load_before +
                      " at the start; the processors were " + Fixed(100 * background, 0) +
                      " % busy during the first table (padlink's own share is under 2 %).");
  const std::string table = report.Table();
  std::fputs(table.c_str(), stdout);
  std::ofstream(RESULTS_FILE) << table;
  std::fprintf(stderr, "written to %s\n", RESULTS_FILE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--sleep-loop") SleepLoop();
  if (mode == "--exec") return ExecMode(argc, argv);
  signal(SIGPIPE, SIG_IGN);
  if (mode == "--remote") {  // the remote-port rows alone
    Report report;
    BenchRemote(&report);
    std::fputs(report.Table().c_str(), stdout);
    return 0;
  }
  return RunAll();
}
