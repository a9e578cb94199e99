// The remote-port figures of the benchmark: the simulated robot served by
// the real ser2net on 127.0.0.1, with modem lines emulated in ser2net
// (tests/support/modem_lines_preload.cpp) so that its RTS changes can be
// timed where it applies them.
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "bench/bench_run.h"
#include "bench/measurements.h"
#include "bench/padlink_output.h"
#include "bench/stats.h"
#include "tests/support/pty.h"
#include "tests/support/ser2net.h"

namespace {

struct RemoteFigures {
  std::string error;                // why nothing was measured, or ""
  std::vector<double> rts_low_ms;   // RTS low time of each strobe, as ser2net applied it
  std::vector<double> net_low_ms;   // the same, as ser2net read the two commands
  std::vector<double> cli_low_ms;   // the same, as padlink sent them
  double remote_samples_per_s = 0;  // cable mode at -t 0, through ser2net
  double direct_samples_per_s = 0;  // the same run on the robot's own port
};

struct Robot {
  testpty::TempDir dir;
  testpty::Child child;
  std::string pty;

  bool Start() {
    testpty::ChildOptions o;
    o.argv = {ROBOT_BIN, "--port", "1", "--port-dir", dir.path(), "--quiet"};
    child = testpty::Spawn(o);
    char target[PATH_MAX] = {};
    for (int i = 0; i < 500; ++i) {
      const ssize_t n = readlink((dir.path() + "/com1").c_str(), target, sizeof target - 1);
      if (n > 0) {
        pty.assign(target, static_cast<std::size_t>(n));
        return true;
      }
      testpty::SleepMs(10);
    }
    return false;
  }
  ~Robot() {
    if (child.pid <= 0) return;
    kill(child.pid, SIGTERM);
    int st = 0;
    testpty::Wait(child, 5000, &st);
  }
};

// Runs padlink with the arguments for `ms`, typing `keys` 40 ms apart, and
// returns its standard output.
std::string RunPadlink(const std::vector<std::string>& args, const std::vector<std::string>& env,
                       int ms, int keys) {
  testpty::Pty console = testpty::OpenPty(/*raw=*/false);
  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN};
  o.argv.insert(o.argv.end(), args.begin(), args.end());
  o.env = env;
  o.stdin_path = console.slave_path;
  o.terminal = true;
  testpty::Child c = testpty::Spawn(o);
  WaitForSingleKeys(console.master, 5000);
  for (int i = 0; i < keys; ++i) {
    testpty::WriteAll(console.master, i % 2 ? "1" : "2");
    testpty::SleepMs(40);
  }
  testpty::SleepMs(ms);
  testpty::WriteAll(console.master, "S");
  int st = 0;
  testpty::Wait(c, 10000, &st);
  testpty::ClosePty(console);
  return c.out_text;
}

// The low times of RTS in the modem log, where ser2net applied the changes
// (RTS), read them (NET) and padlink sent them (CLI).
void ReadModemLog(const std::string& path, RemoteFigures* f) {
  std::ifstream in(path);
  std::string kind;
  unsigned long long ns = 0;
  int level = 0;
  double rts_low_since = -1;
  double net_low_since = -1;
  double cli_low_since = -1;
  while (in >> kind >> ns >> level) {
    const double ms = static_cast<double>(ns) / 1e6;
    if (kind != "RTS" && kind != "NET" && kind != "CLI") continue;
    double& since = kind == "RTS" ? rts_low_since : kind == "NET" ? net_low_since : cli_low_since;
    std::vector<double>& lows = kind == "RTS"   ? f->rts_low_ms
                                : kind == "NET" ? f->net_low_ms
                                                : f->cli_low_ms;
    if (level == 0) {
      since = ms;
    } else if (since >= 0) {
      lows.push_back(ms - since);
      since = -1;
    }
  }
}

RemoteFigures MeasureRemote() {
  RemoteFigures f;
  const std::vector<std::string> sampling = {"-c", "1", "-d", "-a", "3", "-t", "0"};
  {
    Robot robot;
    if (!robot.Start()) {
      f.error = "the simulated robot did not start";
      return f;
    }
    f.direct_samples_per_s = SampleRate(
        SampleTimes(RunPadlink(sampling, {"PADLINK_PORT_DIR=" + robot.dir.path()}, 5000, 0)));
  }
  Robot robot;
  if (!robot.Start()) {
    f.error = "the simulated robot did not start";
    return f;
  }
  testpty::TempDir logs;
  const std::string modem_log = logs.path() + "/modem.log";
  testnet::Ser2net ser2net;
  if (!ser2net.Start(robot.pty, MODEM_PRELOAD, modem_log)) {
    f.error = ser2net.error();
    return f;
  }
  const std::vector<std::string> env = {"PADLINK_PORT_1=" + ser2net.url()};
  f.remote_samples_per_s = SampleRate(SampleTimes(RunPadlink(sampling, env, 5000, 0)));
  // Strobe mode: commands and samples, each byte with its strobe.
  // The emulation preloaded into padlink too logs when it sends each change.
  std::vector<std::string> strobe_env = env;
  strobe_env.push_back(std::string("LD_PRELOAD=") + MODEM_PRELOAD);
  strobe_env.push_back("PADLINK_MODEM_LOG=" + modem_log);
  RunPadlink({"-c", "1", "-a", "3", "-t", "0"}, strobe_env, 0, 60);
  ser2net.Stop();
  ReadModemLog(modem_log, &f);
  return f;
}

// A row of low times: median, and p90 and p99 in one column.
Row LowTimeRow(const std::string& figure, const std::vector<double>& low, const std::string& goal,
               const std::string& verdict) {
  return {figure + " (" + std::to_string(low.size()) + ")", Fixed(Percentile(low, 0.5), 3) + " ms",
          Fixed(Percentile(low, 0.9), 3) + " ms at p90, " + Fixed(Percentile(low, 0.99), 3) +
              " ms at p99",
          goal, verdict};
}

}  // namespace

void BenchRemote(Report* report) {
  const RemoteFigures f = MeasureRemote();
  if (!f.error.empty()) {
    report->AddValue("remote port (ser2net on loopback)", "not measured: " + f.error, "", "");
    return;
  }
  const std::vector<double>& low = f.rts_low_ms;
  report->AddRow(LowTimeRow(
      "remote port: RTS low time at ser2net", low, "8.0-8.5 ms at p90",
      Verdict(!low.empty() && Percentile(low, 0.0) >= 8.0 && Percentile(low, 0.9) <= 8.5)));
  report->AddRow(LowTimeRow("  the same, as ser2net read the commands", f.net_low_ms, "", ""));
  report->AddRow(LowTimeRow("  the same, as padlink sent the commands", f.cli_low_ms, "", ""));
  report->AddValue("remote port: cable sampling at -t 0",
                   Fixed(f.remote_samples_per_s, 1) +
                       " /s = " + Fixed(f.remote_samples_per_s / f.direct_samples_per_s, 2) +
                       " of the direct run's " + Fixed(f.direct_samples_per_s, 1) + " /s",
                   "", "");
}
