// Measures how close the real padlink comes to the figures it is built
// around (8 ms strobes, 1 ms polls, the 5 ms pass, the line's speed) and
// what it costs. Prints one table and writes it to RESULTS_FILE. Measures
// only: no figure fails anything.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/remote_bench.h"
#include "platform/platform.h"
#include "tests/support/pty.h"

namespace {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Row {
  std::string figure;
  std::string median;  // or the value
  std::string p99;
  std::string goal;
  std::string verdict;
};
std::vector<Row> g_rows;

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i =
      std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())));
  return v[i];
}

void AddStats(const std::string& figure, const std::vector<double>& v, int decimals,
              const std::string& unit, const std::string& goal, bool met) {
  g_rows.push_back({figure + " (" + std::to_string(v.size()) + ")",
                    Fixed(Percentile(v, 0.5), decimals) + " " + unit,
                    Fixed(Percentile(v, 0.99), decimals) + " " + unit, goal,
                    met ? "met" : "missed"});
}

void AddValue(const std::string& figure, const std::string& value, const std::string& goal,
              const std::string& verdict) {
  g_rows.push_back({figure, value, "", goal, verdict});
}

// 1. Pauses on this machine, as padlink makes them.
void BenchPauses() {
  for (int ms : {1, 5, 8}) {
    std::vector<double> over;
    for (int i = 0; i < 1000; ++i) {
      const double t0 = NowMs();
      PlatformPause(ms);
      over.push_back(NowMs() - t0 - ms);
    }
    AddStats("pause " + std::to_string(ms) + " ms: overshoot", over, 3, "ms", "p99 <= 0.3 ms",
             Percentile(over, 0.99) <= 0.3);
  }
}

struct Run {
  testpty::TempDir dir;
  testpty::Pty console = testpty::OpenPty(false);
  testpty::Child robot;
  testpty::Pty port;  // when no robot serves the port
  bool own_port = false;

  ~Run() {
    if (robot.pid > 0) {
      kill(robot.pid, SIGTERM);
      int st = 0;
      testpty::Wait(robot, 5000, &st);
    }
    testpty::ClosePty(console);
    if (own_port) testpty::ClosePty(port);
  }

  void StartRobot() {
    testpty::ChildOptions o;
    o.argv = {ROBOT_BIN, "--port", "1", "--port-dir", dir.path(), "--quiet"};
    robot = testpty::Spawn(o);
    for (int i = 0; i < 500 && access((dir.path() + "/com1").c_str(), F_OK) != 0; ++i)
      testpty::SleepMs(10);
  }

  void UsePty() {
    port = testpty::OpenPty();
    own_port = true;
    dir.LinkPort(1, port.slave_path);
  }

  testpty::Child Start(std::vector<std::string> args, std::vector<std::string> env = {}) {
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"PADLINK_PORT_DIR=" + dir.path()};
    o.env.insert(o.env.end(), env.begin(), env.end());
    o.stdin_path = console.slave_path;
    o.terminal = true;
    return testpty::Spawn(o);
  }

  bool WaitForKeyboard(double timeout_ms = 5000) const {
    const double end = NowMs() + timeout_ms;
    while (NowMs() < end) {
      termios t{};
      tcgetattr(console.master, &t);
      if (!(t.c_lflag & ICANON)) return true;
    }
    return false;
  }

  void Quit(testpty::Child& c, rusage* usage = nullptr) {
    testpty::WriteAll(console.master, "S");
    int st = 0;
    testpty::Wait(c, 10000, &st, usage);
  }
};

// 2. RTS low time of each strobe, from the platform layer's trace.
void BenchStrobe() {
  Run run;
  run.StartRobot();
  const std::string trace = run.dir.path() + "/trace";
  testpty::Child c = run.Start({"-c", "1", "-a", "3", "-t", "0"}, {"PADLINK_TRACE_FILE=" + trace});
  run.WaitForKeyboard();
  for (int i = 0; i < 60; ++i) {
    testpty::WriteAll(run.console.master, i % 2 ? "1" : "2");
    testpty::SleepMs(40);
  }
  run.Quit(c);
  std::ifstream in(trace);
  std::vector<double> commands, requests;
  char kind;
  unsigned long long ns;
  unsigned byte;
  int request_left = 0;  // bytes of a request frame still to come
  bool in_request = false;
  double clear_at = -1;
  while (in >> kind >> ns >> byte) {
    const double ms = static_cast<double>(ns) / 1e6;
    if (kind == 'W') {
      if (request_left == 0) {
        request_left = byte == 0xE2 ? 3 : byte == 0xF7 ? 4 : 1;
        in_request = request_left > 1;
      }
      --request_left;
    } else if (kind == 'C') {
      clear_at = ms;
    } else if (kind == 'S' && clear_at >= 0) {
      (in_request ? requests : commands).push_back(ms - clear_at);
      clear_at = -1;
    }
  }
  auto within = [](const std::vector<double>& v) {
    const double p99 = Percentile(v, 0.99);
    return !v.empty() && Percentile(v, 0.0) >= 8.0 && p99 <= 8.3;
  };
  AddStats("strobe low time, commands", commands, 3, "ms", "8.0-8.3 ms at p99", within(commands));
  AddStats("strobe low time, request bytes", requests, 3, "ms", "8.0-8.3 ms at p99",
           within(requests));
}

// 3. A key typed on padlink's terminal to its byte at the robot's end.
void BenchKeyToWire() {
  Run run;
  run.UsePty();
  testpty::Child c = run.Start({"-c", "1", "-d"});
  run.WaitForKeyboard();
  std::vector<double> latency;
  for (int i = 0; i < 200; ++i) {
    const char key = i % 2 ? '1' : '2';  // never a repeat
    const double t0 = NowMs();
    testpty::WriteAll(run.console.master, std::string(1, key));
    pollfd p{run.port.master, POLLIN, 0};
    if (poll(&p, 1, 1000) == 1) {
      latency.push_back(NowMs() - t0);
      unsigned char b;
      if (read(run.port.master, &b, 1) != 1) break;
    }
    testpty::SleepMs(17 + (i * 7) % 6);  // spread over the 5 ms pass
  }
  run.Quit(c);
  AddStats("key to wire", latency, 2, "ms", "p99 <= 5.5 ms", Percentile(latency, 0.99) <= 5.5);
}

// 4. Cable-mode samples per second at 9600 baud, against the line's limit.
void BenchSampling(rusage* usage, double* wall_s) {
  Run run;
  run.StartRobot();
  testpty::Child c = run.Start({"-c", "1", "-d", "-a", "3", "-t", "0"});
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
  AddValue("cable sampling at -t 0, 9600 baud",
           Fixed(rate, 1) + " /s = " + Fixed(rate / limit, 2) + " of the line's " +
               Fixed(limit, 1) + " /s",
           ">= 0.75 of the line's limit", rate / limit >= 0.75 ? "met" : "missed");
}

double CpuPercent(const rusage& u, double wall_s) {
  const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                     static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  return 100.0 * cpu / wall_s;
}

// The floor under idle CPU: a process that does nothing but sleep 5 ms at a
// time, as padlink's idle pass must.
void SleepLoop() {
  for (int i = 0; i < 2000; ++i)
    PlatformPause(5);
}

// 5. Cost: CPU idle and monitoring, memory, start-up.
void BenchCost(const rusage& sampling_usage, double sampling_wall_s, const char* self) {
  long idle_rss = 0;
  {
    Run run;
    run.UsePty();
    testpty::Child c = run.Start({"-c", "1", "-d"});
    run.WaitForKeyboard();
    const double t0 = NowMs();
    testpty::SleepMs(10000);
    rusage u{};
    run.Quit(c, &u);
    const double cpu = CpuPercent(u, (NowMs() - t0) / 1e3);
    AddValue("CPU while idle", Fixed(cpu, 2) + " % of a core", "<= 0.3 %",
             cpu <= 0.3 ? "met" : "missed");
    idle_rss = u.ru_maxrss;
  }
  {
    testpty::ChildOptions o;
    o.argv = {self, "--sleep-loop"};
    const double t0 = NowMs();
    testpty::Child s = testpty::Spawn(o);
    rusage u{};
    int st = 0;
    testpty::Wait(s, 20000, &st, &u);
    AddValue("  floor: a bare 5 ms sleep loop",
             Fixed(CpuPercent(u, (NowMs() - t0) / 1e3), 2) + " % of a core", "", "");
  }
  const double mon = CpuPercent(sampling_usage, sampling_wall_s);
  AddValue("CPU while monitoring at -t 0", Fixed(mon, 2) + " % of a core", "", "");

  testpty::ChildOptions o;
  o.argv = {EMPTY_BIN};
  testpty::Child e = testpty::Spawn(o);
  rusage eu{};
  int st = 0;
  testpty::Wait(e, 5000, &st, &eu);
  const double ratio = static_cast<double>(idle_rss) / static_cast<double>(eu.ru_maxrss);
  AddValue("peak resident memory",
           std::to_string(idle_rss) + " KiB = " + Fixed(ratio, 2) + " x an empty C++ program (" +
               std::to_string(eu.ru_maxrss) + " KiB)",
           "<= 1.5 x", ratio <= 1.5 ? "met" : "missed");

  std::vector<double> startup;
  for (int i = 0; i < 20; ++i) {
    Run run;
    run.UsePty();
    const double t0 = NowMs();
    testpty::Child c = run.Start({"-c", "1", "-d"});
    if (run.WaitForKeyboard()) startup.push_back(NowMs() - t0);
    run.Quit(c);
  }
  AddStats("start-up to the first pass", startup, 2, "ms", "", true);
  g_rows.back().verdict = "";
}

// 6. A remote port: ser2net on 127.0.0.1 serving the robot's port.
void BenchRemote() {
  const RemoteFigures f = MeasureRemote();
  if (!f.error.empty()) {
    AddValue("remote port (ser2net on loopback)", "not measured: " + f.error, "", "");
    return;
  }
  const std::vector<double>& low = f.rts_low_ms;
  g_rows.push_back({"remote port: RTS low time at ser2net (" + std::to_string(low.size()) + ")",
                    Fixed(Percentile(low, 0.5), 3) + " ms",
                    Fixed(Percentile(low, 0.9), 3) + " ms at p90, " +
                        Fixed(Percentile(low, 0.99), 3) + " ms at p99",
                    "8.0-8.5 ms at p90",
                    !low.empty() && Percentile(low, 0.0) >= 8.0 && Percentile(low, 0.9) <= 8.5
                        ? "met"
                        : "missed"});
  const std::vector<double>& net = f.net_low_ms;
  g_rows.push_back({"  the same, as ser2net read the commands (" + std::to_string(net.size()) + ")",
                    Fixed(Percentile(net, 0.5), 3) + " ms",
                    Fixed(Percentile(net, 0.9), 3) + " ms at p90, " +
                        Fixed(Percentile(net, 0.99), 3) + " ms at p99",
                    "", ""});
  const std::vector<double>& cli = f.cli_low_ms;
  g_rows.push_back({"  the same, as padlink sent the commands (" + std::to_string(cli.size()) + ")",
                    Fixed(Percentile(cli, 0.5), 3) + " ms",
                    Fixed(Percentile(cli, 0.9), 3) + " ms at p90, " +
                        Fixed(Percentile(cli, 0.99), 3) + " ms at p99",
                    "", ""});
  AddValue("remote port: cable sampling at -t 0",
           Fixed(f.remote_samples_per_s, 1) +
               " /s = " + Fixed(f.remote_samples_per_s / f.direct_samples_per_s, 2) +
               " of the direct run's " + Fixed(f.direct_samples_per_s, 1) + " /s",
           "", "");
}

std::string Table() {
  std::ostringstream t;
  t << "| figure | median (or value) | p99 | goal | |\n|---|---|---|---|---|\n";
  for (const Row& r : g_rows)
    t << "| " << r.figure << " | " << r.median << " | " << r.p99 << " | " << r.goal << " | "
      << r.verdict << " |\n";
  t << "\nMachine: " << std::thread::hardware_concurrency() << " cores.\n";
  return t.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--sleep-loop") {
    SleepLoop();
    return 0;
  }
  signal(SIGPIPE, SIG_IGN);
  if (argc > 1 && std::string(argv[1]) == "--remote") {  // the remote-port rows alone
    BenchRemote();
    std::fputs(Table().c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr, "pauses...\n");
  BenchPauses();
  std::fprintf(stderr, "strobes...\n");
  BenchStrobe();
  std::fprintf(stderr, "key to wire...\n");
  BenchKeyToWire();
  std::fprintf(stderr, "sampling...\n");
  rusage sampling{};
  double sampling_wall = 1;
  BenchSampling(&sampling, &sampling_wall);
  std::fprintf(stderr, "cost...\n");
  BenchCost(sampling, sampling_wall, argv[0]);
  std::fprintf(stderr, "remote port...\n");
  BenchRemote();
  const std::string table = Table();
  std::fputs(table.c_str(), stdout);
  std::ofstream(RESULTS_FILE) << table;
  std::fprintf(stderr, "written to %s\n", RESULTS_FILE);
  return 0;
}
