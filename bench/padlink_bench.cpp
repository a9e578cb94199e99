// Measures how close the real padlink comes to the figures it is built
// around (8 ms strobes, 1 ms polls, the 5 ms pass, the line's speed) and
// what it costs, on an idle machine and on one kept busy by other programs,
// with the real-time privilege and without it. Prints two tables and writes
// them to RESULTS_FILE. Measures only: no figure fails anything.
//
// The programs run unchanged. Strobes, bytes and pauses are time-stamped by
// libptymodem (LD_PRELOAD), which also gives the pseudo-terminals the modem
// lines that strobe mode needs.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_run.h"
#include "bench/failed_sample.h"
#include "bench/machine.h"
#include "bench/ptymodem_log.h"
#include "bench/remote_bench.h"
#include "bench/report.h"
#include "bench/stage.h"
#include "bench/stats.h"
#include "platform/platform.h"
#include "tests/support/pty.h"

namespace {

// ---------------------------------------------------------------------------
// 1. The idle machine

// Pauses as padlink makes them, with the scheduling padlink asks for (in a
// child process, so that the benchmark keeps its own).
void BenchPauses(Report* report) {
  int out[2];
  if (pipe(out) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
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

// RTS low time of command strobes: keys in strobe mode while monitoring.
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

// A key typed on padlink's terminal to its byte at the robot's end.
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

// Cable-mode samples per second at 9600 baud, against the line's limit.
void BenchSampling(const Stage& stage, rusage* usage, double* wall_s, Report* report) {
  Run run(stage);
  run.StartRobot();
  testpty::Child c = run.Start({"-c", "1", "-d", "-a", "3", "-t", "0"}, true, false);
  run.WaitForKeyboard();
  const double t0 = NowMs();
  testpty::SleepMs(5000);
  run.Quit(c, usage);
  *wall_s = (NowMs() - t0) / 1e3;
  std::istringstream out(c.out_text);
  std::vector<double> times;
  for (std::string line; std::getline(out, line);) {
    int v1, v2;
    double s1, s2;
    if (std::sscanf(line.c_str(), "%d, %lf, %d, %lf", &v1, &s1, &v2, &s2) == 4) times.push_back(s2);
  }
  const double rate =
      times.size() > 1 ? static_cast<double>(times.size() - 1) / (times.back() - times.front()) : 0;
  const double limit = 9600.0 / (14 * 10);
  report->AddValue("cable sampling at -t 0, 9600 baud",
                   Fixed(rate, 1) + " /s = " + Fixed(rate / limit, 2) + " of the line's " +
                       Fixed(limit, 1) + " /s",
                   ">= 0.75 of the line's limit", Verdict(rate / limit >= 0.75));
}

double CpuPercent(const rusage& u, double wall_s) {
  const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                     static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  return 100.0 * cpu / wall_s;
}

// The floor under idle CPU: a process that does nothing but pause 5 ms at a
// time, as padlink's idle pass must, with the scheduling padlink asks for.
[[noreturn]] void SleepLoop() {
  PlatformRequestTiming();
  for (;;)
    PlatformPause(5);
}

// Idle padlink and the floor side by side over the same windows: the CPU
// time each used, from the scheduler's own accounts (no start-up, no exit).
void BenchIdleCpu(const Stage& stage, bool realtime, long* idle_rss, Report* report) {
  const std::vector<std::string> env = {std::string("PADLINK_REALTIME=") + (realtime ? "1" : "0")};
  Run run(stage);
  run.UsePty();
  testpty::Child c = run.Start({"-c", "1", "-d"}, true, false, env);
  run.WaitForKeyboard();
  testpty::ChildOptions o;
  o.argv = {stage.self(), "--sleep-loop"};
  o.env = env;
  testpty::Child floor = testpty::Spawn(o);
  testpty::SleepMs(500);
  // Other programs' work makes single windows vary by a third either way:
  // the median of several.
  std::vector<double> ratios, padlink_pct, floor_pct;
  for (int w = 0; w < 8; ++w) {
    const std::uint64_t p0 = CpuNs(c.pid), f0 = CpuNs(floor.pid);
    const double t0 = NowMs();
    testpty::SleepMs(3000);
    const std::uint64_t p1 = CpuNs(c.pid), f1 = CpuNs(floor.pid);
    const double wall = NowMs() - t0;
    padlink_pct.push_back(static_cast<double>(p1 - p0) / 1e4 / wall);
    floor_pct.push_back(static_cast<double>(f1 - f0) / 1e4 / wall);
    ratios.push_back(static_cast<double>(p1 - p0) / static_cast<double>(f1 - f0));
  }
  kill(floor.pid, SIGKILL);
  int st = 0;
  testpty::Wait(floor, 5000, &st);
  rusage u{};
  run.Quit(c, &u);
  if (idle_rss) *idle_rss = u.ru_maxrss;
  const std::string sched = realtime ? "real-time" : "normal scheduling";
  const double ratio = Median(ratios);
  report->AddValue("CPU while idle, " + sched,
                   Fixed(Median(padlink_pct), 2) + " % of a core = " + Fixed(ratio, 2) +
                       " x the floor (ratios " + Fixed(Percentile(ratios, 0), 2) + "-" +
                       Fixed(Percentile(ratios, 1), 2) + ")",
                   "<= 1.15 x the floor", Verdict(ratio <= 1.15));
  report->AddValue("  floor: a bare 5 ms pause loop, " + sched,
                   Fixed(Median(floor_pct), 2) + " % of a core", "", "");
}

// Cost: CPU idle and monitoring, memory, start-up.
void BenchCost(const Stage& stage, const rusage& sampling_usage, double sampling_wall_s,
               Report* report) {
  long idle_rss = 0;
  BenchIdleCpu(stage, true, &idle_rss, report);
  BenchIdleCpu(stage, false, nullptr, report);
  const double mon = CpuPercent(sampling_usage, sampling_wall_s);
  report->AddValue("CPU while monitoring at -t 0", Fixed(mon, 2) + " % of a core", "", "");

  testpty::ChildOptions o;
  o.argv = {EMPTY_BIN};
  testpty::Child e = testpty::Spawn(o);
  rusage eu{};
  int st = 0;
  testpty::Wait(e, 5000, &st, &eu);
  const double ratio = static_cast<double>(idle_rss) / static_cast<double>(eu.ru_maxrss);
  report->AddValue("peak resident memory",
                   std::to_string(idle_rss) + " KiB = " + Fixed(ratio, 2) +
                       " x an empty C++ program (" + std::to_string(eu.ru_maxrss) + " KiB)",
                   "<= 1.5 x", Verdict(ratio <= 1.5));

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

// ---------------------------------------------------------------------------
// 2. Idle and busy, with the privilege and without it

struct Condition {
  std::string name;
  bool loaded;
  bool privileged;
};

struct Figures {
  std::string scheduling;  // as the running padlink had it
  std::vector<double> rts_low;
  std::vector<double> pass;
  std::vector<double> key_to_wire;
  std::vector<double> key_to_wire_own;  // keys the terminal delivered at once
  int keys_late = 0;                    // keys the terminal delivered late
  std::vector<double> to_robot;         // padlink's write to the robot's read, ms
  int samples = 0;
  int failed = 0;
  int failed_own = 0;                 // those the logs put down to padlink itself
  std::vector<std::string> failures;  // what each failed sample came from
  double seconds = 0;
  double busy = 0;   // share of the processors busy meanwhile
  std::string load;  // load average at the start
};

constexpr double kStrobeRunS = 20;

// Strobe-mode sampling at -t 0 for a fixed time; a failed sample ends
// padlink, which is started again after a pause the robot takes as the end
// of a cut-off request.
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
    // Until the time is up or padlink ends by itself (a failed sample).
    bool ended = false;
    while (!ended && NowMs() < end) {
      siginfo_t info{};
      ended = waitid(P_PID, static_cast<id_t>(c.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
              info.si_pid == c.pid;
      if (!ended) testpty::SleepMs(20);
    }
    int code = 0;
    if (ended) {
      int status = 0;
      testpty::Wait(c, 5000, &status);
      code = testpty::ExitCode(status);
    } else {
      code = run.Quit(c);
    }
    std::istringstream out(c.out_text);
    for (std::string line; std::getline(out, line);) {
      int v1, v2;
      double s1, s2;
      if (std::sscanf(line.c_str(), "%d, %lf, %d, %lf", &v1, &s1, &v2, &s2) == 4) ++f->samples;
    }
    const auto log = ReadLog(run.LogOf(c));
    StrobeTimes(log, nullptr, &f->rts_low);
    if (code == 1) {
      ++f->failed;
      failed_runs.emplace_back(run.LogOf(c), c.err_text);
      testpty::SleepMs(600);
    }
  }
  // Explained once the robot's log holds what came after the failures.
  const auto robot_after = ReadLog(run.RobotLog());
  for (const auto& [path, err] : failed_runs) {
    const std::string why = ExplainFailure(ReadLog(path), robot_after, err);
    const bool elsewhere = why.find("reached the robot") != std::string::npos ||
                           why.find("the robot replied") != std::string::npos;
    if (!elsewhere) ++f->failed_own;
    f->failures.push_back(why);
  }
  // Delivery from padlink to the robot: each byte padlink wrote, to the
  // robot's read that took it (both logs are in one clock).
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
  std::size_t r = 0;
  for (const Event& w : written) {
    while (r < robot_log.size() && (robot_log[r].kind != 'R' || robot_log[r].ns < w.ns))
      ++r;
    if (r < robot_log.size())
      f->to_robot.push_back(static_cast<double>(robot_log[r].ns - w.ns) / 1e6);
  }
}

// An idle padlink's passes, then keys to its port: pass period from its
// pauses, key to wire from the bench's write to padlink's write.
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
  const std::string port = PortDevice(log);
  std::uint64_t last_pass = 0;
  std::vector<std::uint64_t> wrote;
  for (const Event& e : log) {
    if (e.kind == 'S' && e.ns < keys_from) {
      const long long asked = std::atoll(e.data.c_str());
      if (IsPassPause(asked)) {
        if (last_pass) f->pass.push_back(static_cast<double>(e.ns - last_pass) / 1e6);
        last_pass = e.ns;
      }
    }
    if (e.kind == 'W' && e.dev == port && e.ns >= keys_from) wrote.push_back(e.ns);
  }
  // Each key: typed, read by padlink from its terminal, written to the port.
  // A key test that ran well after the key was typed and found nothing means
  // the terminal had not delivered it yet: that key's delay is the pseudo-
  // terminal's, not padlink's.
  // A pass begins (with its key test) when a 5 ms pause ends.
  std::vector<std::uint64_t> reads, tests;
  long long asked = 0;
  for (const Event& e : log) {
    if (e.kind == 'R' && e.dev != port && e.ns >= keys_from) reads.push_back(e.ns);
    if (e.kind == 'S') asked = std::atoll(e.data.c_str());
    if (e.kind == 'Z' && e.ns >= keys_from && IsPassPause(asked)) tests.push_back(e.ns);
  }
  std::size_t r = 0, w = 0, t = 0;
  for (std::uint64_t key : typed) {
    while (r < reads.size() && reads[r] < key)
      ++r;
    if (r == reads.size()) break;
    while (w < wrote.size() && wrote[w] < reads[r])
      ++w;
    if (w == wrote.size()) break;
    const double ms = static_cast<double>(wrote[w] - key) / 1e6;
    f->key_to_wire.push_back(ms);
    while (t < tests.size() && tests[t] < key + 1000000)
      ++t;
    const bool delivered_late = t < tests.size() && tests[t] < reads[r];
    if (delivered_late) {
      ++f->keys_late;
    } else {
      f->key_to_wire_own.push_back(ms);
    }
    ++r;
    ++w;
  }
}

void BenchLoad(const Stage& stage, Report* report) {
  const bool privilege_here = CanRealtime();
  const std::vector<Condition> conditions = {
      {"as found, real-time", false, true},
      {"as found, unprivileged", false, false},
      {"busy, real-time", true, true},
      {"busy, unprivileged", true, false},
  };
  std::vector<Figures> all;
  std::vector<pid_t> busy;
  for (const Condition& cond : conditions) {
    std::fprintf(stderr, "  %s...\n", cond.name.c_str());
    if (cond.loaded && busy.empty()) {
      for (unsigned i = 0; i < 2 * std::thread::hardware_concurrency(); ++i)
        busy.push_back(StartBusyLoop());
      testpty::SleepMs(1000);
    }
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
  for (pid_t pid : busy) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }

  auto row = [&](const std::string& figure, auto cell, const std::string& goal,
                 const std::string& verdict) {
    LoadRow r{figure, {}, goal, verdict};
    for (const Figures& f : all)
      r.cells.push_back(cell(f));
    report->AddLoadRow(r);
  };
  auto ms3 = [](double v) { return Fixed(v, 3); };
  row(
      "padlink's scheduling", [](const Figures& f) { return f.scheduling; }, "", "");
  row(
      "load average at the start; processors busy",
      [](const Figures& f) { return f.load + "; " + Fixed(100 * f.busy, 0) + " %"; }, "", "");
  row(
      "RTS low time p50 (ms)", [&](const Figures& f) { return ms3(Percentile(f.rts_low, 0.5)); },
      "", "");
  const Figures& busy_rt = all[2];
  const Figures& busy_user = all[3];
  const bool p90_met = Percentile(busy_rt.rts_low, 0.9) <= 8.3;
  row(
      "RTS low time p90 (ms)", [&](const Figures& f) { return ms3(Percentile(f.rts_low, 0.9)); },
      "busy, real-time: <= 8.3 ms", Verdict(p90_met));
  row(
      "RTS low time p99 (ms)", [&](const Figures& f) { return ms3(Percentile(f.rts_low, 0.99)); },
      "", "");
  row(
      "RTS low over 8.5 ms",
      [](const Figures& f) {
        return Fixed(100 * ShareAbove(f.rts_low, 8.5), 1) + " % of " +
               std::to_string(f.rts_low.size());
      },
      "", "");
  row(
      "pass period p50 / p99 (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.pass, 0.5), 2) + " / " + Fixed(Percentile(f.pass, 0.99), 2);
      },
      "", "");
  row(
      "key to wire p50 / p99 (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.key_to_wire, 0.5), 2) + " / " +
               Fixed(Percentile(f.key_to_wire, 0.99), 2);
      },
      "", "");
  row(
      "  keys the terminal delivered late; p99 of the others (ms)",
      [](const Figures& f) {
        return std::to_string(f.keys_late) + " of " + std::to_string(f.key_to_wire.size()) + "; " +
               Fixed(Percentile(f.key_to_wire_own, 0.99), 2);
      },
      "", "");
  row(
      "failed samples in " + Fixed(kStrobeRunS, 0) + " s at -a 3 -t 0",
      [](const Figures& f) {
        return std::to_string(f.failed) + " of " + std::to_string(f.samples + f.failed);
      },
      "", "");
  const bool failed_met = busy_rt.failed_own == 0 && busy_user.failed_own == 0;
  row(
      "  of them padlink's own (the others: below)",
      [](const Figures& f) { return std::to_string(f.failed_own); }, "busy: 0",
      Verdict(failed_met));
  row(
      "pty delivery to the robot p99 / max (ms)",
      [](const Figures& f) {
        return Fixed(Percentile(f.to_robot, 0.99), 2) + " / " + Fixed(Percentile(f.to_robot, 1), 1);
      },
      "", "");
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (const std::string& why : all[i].failures)
      report->AddNote("Failed sample (" + conditions[i].name + "): " + why);
  }
  if (!privilege_here)
    report->AddNote(
        "This user may not use real-time scheduling: the real-time columns ran without it.");
}

// 6. A remote port: ser2net on 127.0.0.1 serving the robot's port.
void BenchRemote(Report* report) {
  const RemoteFigures f = MeasureRemote();
  if (!f.error.empty()) {
    report->AddValue("remote port (ser2net on loopback)", "not measured: " + f.error, "", "");
    return;
  }
  const std::vector<double>& low = f.rts_low_ms;
  report->AddRow(
      {"remote port: RTS low time at ser2net (" + std::to_string(low.size()) + ")",
       Fixed(Percentile(low, 0.5), 3) + " ms",
       Fixed(Percentile(low, 0.9), 3) + " ms at p90, " + Fixed(Percentile(low, 0.99), 3) +
           " ms at p99",
       "8.0-8.5 ms at p90",
       Verdict(!low.empty() && Percentile(low, 0.0) >= 8.0 && Percentile(low, 0.9) <= 8.5)});
  const std::vector<double>& net = f.net_low_ms;
  report->AddRow({"  the same, as ser2net read the commands (" + std::to_string(net.size()) + ")",
                  Fixed(Percentile(net, 0.5), 3) + " ms",
                  Fixed(Percentile(net, 0.9), 3) + " ms at p90, " +
                      Fixed(Percentile(net, 0.99), 3) + " ms at p99",
                  "", ""});
  const std::vector<double>& cli = f.cli_low_ms;
  report->AddRow({"  the same, as padlink sent the commands (" + std::to_string(cli.size()) + ")",
                  Fixed(Percentile(cli, 0.5), 3) + " ms",
                  Fixed(Percentile(cli, 0.9), 3) + " ms at p90, " +
                      Fixed(Percentile(cli, 0.99), 3) + " ms at p99",
                  "", ""});
  report->AddValue("remote port: cable sampling at -t 0",
                   Fixed(f.remote_samples_per_s, 1) +
                       " /s = " + Fixed(f.remote_samples_per_s / f.direct_samples_per_s, 2) +
                       " of the direct run's " + Fixed(f.direct_samples_per_s, 1) + " /s",
                   "", "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--sleep-loop") SleepLoop();
  if (argc > 1 && std::string(argv[1]) == "--exec") return ExecMode(argc, argv);
  signal(SIGPIPE, SIG_IGN);
  Report report;
  if (argc > 1 && std::string(argv[1]) == "--remote") {  // the remote-port rows alone
    BenchRemote(&report);
    std::fputs(report.Table().c_str(), stdout);
    return 0;
  }
  const Stage stage;
  // The benchmark's own time stamps must not wait for the processor; what
  // it starts begins with normal scheduling and asks for its own.
  sched_param own{};
  own.sched_priority = 30;
  if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &own) != 0)
    report.AddNote("The benchmark itself ran at normal priority.");
  const std::string load_before = LoadAverage();
  const CpuTimes t0 = ReadCpuTimes();
  std::fprintf(stderr, "pauses...\n");
  BenchPauses(&report);
  std::fprintf(stderr, "strobes...\n");
  BenchCommandStrobes(stage, &report);
  std::fprintf(stderr, "key to wire...\n");
  BenchKeyToWire(stage, &report);
  std::fprintf(stderr, "sampling...\n");
  rusage sampling{};
  double sampling_wall = 1;
  BenchSampling(stage, &sampling, &sampling_wall, &report);
  std::fprintf(stderr, "cost...\n");
  BenchCost(stage, sampling, sampling_wall, &report);
  std::fprintf(stderr, "remote port...\n");
  BenchRemote(&report);
  const double background = BusyShare(t0, ReadCpuTimes());
  std::fprintf(stderr, "idle and busy...\n");
  BenchLoad(stage, &report);
  report.AddNoteFirst("Other programs on the machine: load average " + load_before +
                      " at the start; the processors were " + Fixed(100 * background, 0) +
                      " % busy during the first table (padlink's own share is under 2 %).");
  const std::string table = report.Table();
  std::fputs(table.c_str(), stdout);
  std::ofstream(RESULTS_FILE) << table;
  std::fprintf(stderr, "written to %s\n", RESULTS_FILE);
  return 0;
}
