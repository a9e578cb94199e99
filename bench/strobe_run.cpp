// Strobe-mode sampling at -t 0 for a fixed time; a failed sample ends
// padlink, which is started again after a pause the robot takes as the end
// of a cut-off request.
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "bench/bench_run.h"
#include "bench/busy_machine.h"
#include "bench/failed_sample.h"
#include "bench/machine.h"
#include "bench/padlink_output.h"
#include "bench/ptymodem_log.h"
#include "bench/stats.h"

namespace {

// Waits until the time is up or padlink ends by itself (a failed sample),
// and ends it in the first case; its exit code.
int RunUntil(const Run& run, testpty::Child& c, double end_ms) {
  bool ended = false;
  while (!ended && NowMs() < end_ms) {
    siginfo_t info{};
    ended = waitid(P_PID, static_cast<id_t>(c.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == c.pid;
    if (!ended) testpty::SleepMs(20);
  }
  if (!ended) return run.Quit(c);
  int status = 0;
  testpty::Wait(c, 5000, &status);
  return testpty::ExitCode(status);
}

// Explained once the robot's log holds what came after the failures.
// `failed_runs`: padlink's log and standard error of each.
void ExplainFailures(const Run& run,
                     const std::vector<std::pair<std::string, std::string>>& failed_runs,
                     Figures* f) {
  const auto robot_after = ReadLog(run.RobotLog());
  for (const auto& [path, err] : failed_runs) {
    const std::string why = ExplainFailure(ReadLog(path), robot_after, err);
    const bool elsewhere = why.find("reached the robot") != std::string::npos ||
                           why.find("the robot replied") != std::string::npos;
    if (!elsewhere) ++f->failed_own;
    f->failures.push_back(why);
  }
}

// Delivery from padlink to the robot: each byte padlink wrote, to the
// robot's read that took it (both logs are in one clock), in ms.
std::vector<double> DeliveryToRobot(const Run& run) {
  std::vector<Event> written;
  for (const auto& entry : std::filesystem::directory_iterator(run.logs)) {
    const std::string name = entry.path().filename();
    if (name.rfind("padlink-", 0) != 0) continue;
    const auto log = ReadLog(entry.path());
    const std::string port = PortDevice(log);
    for (const Event& e : log) {
      if (e.dev == port && e.kind == 'W') written.push_back(e);
    }
  }
  std::sort(written.begin(), written.end(),
            [](const Event& a, const Event& b) { return a.ns < b.ns; });
  const auto robot_log = ReadLog(run.RobotLog());
  std::vector<double> delays;
  std::size_t r = 0;
  for (const Event& w : written) {
    while (r < robot_log.size() && (robot_log[r].kind != 'R' || robot_log[r].ns < w.ns))
      ++r;
    if (r < robot_log.size()) delays.push_back(static_cast<double>(robot_log[r].ns - w.ns) / 1e6);
  }
  return delays;
}

}  // namespace

void StrobeRun(const Stage& stage, const Condition& cond, Figures* f, Report* report) {
  Run run(stage);
  run.StartRobot();
  if (!run.robot_realtime) report->AddNote("The robot ran at normal priority (no privilege).");
  const double end = NowMs() + kStrobeRunS * 1000;
  bool first = true;
  std::vector<std::pair<std::string, std::string>> failed_runs;  // log, stderr
  while (NowMs() < end) {
    testpty::Child c = run.Start({"-c", "1", "-a", "3", "-t", "0"}, cond.privileged);
    run.WaitForKeyboard();
    if (first) f->scheduling = SchedulingOf(c.pid);
    first = false;
    const int code = RunUntil(run, c, end);
    f->samples += static_cast<int>(SampleTimes(c.out_text).size());
    StrobeTimes(ReadLog(run.LogOf(c)), nullptr, &f->rts_low);
    if (code == 1) {
      ++f->failed;
      failed_runs.emplace_back(run.LogOf(c), c.err_text);
      testpty::SleepMs(600);
    }
  }
  ExplainFailures(run, failed_runs, f);
  f->to_robot = DeliveryToRobot(run);
}
