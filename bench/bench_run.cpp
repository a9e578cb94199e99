#include "bench/bench_run.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "bench/stats.h"

bool WaitForSingleKeys(int console_master, double timeout_ms) {
  const double end = NowMs() + timeout_ms;
  while (NowMs() < end) {
    termios t{};
    tcgetattr(console_master, &t);
    if (!(t.c_lflag & ICANON)) return true;
    testpty::SleepMs(1);
  }
  return false;
}

Run::Run(const Stage& s) : stage(s) {
  OpenToAll(dir.path(), 0755);
  OpenToAll(console.slave_path, 0666);
  logs = dir.path() + "/logs";
  mkdir(logs.c_str(), 0777);
  OpenToAll(logs, 0777);
}

Run::~Run() {
  if (robot.pid > 0) {
    kill(robot.pid, SIGTERM);
    int st = 0;
    testpty::Wait(robot, 5000, &st);
  }
  testpty::ClosePty(console);
  if (own_port) testpty::ClosePty(port);
}

void Run::StartRobot() {
  testpty::ChildOptions o;
  o.argv = {stage.robot(), "--port", "1", "--port-dir", dir.path(), "--quiet"};
  o.env = {"LD_PRELOAD=" + stage.ptymodem(), "PTYMODEM_LOG=" + RobotLog()};
  robot = testpty::Spawn(o);
  sched_param p{};
  p.sched_priority = 20;
  robot_realtime = sched_setscheduler(robot.pid, SCHED_FIFO, &p) == 0;
  const std::string link = dir.path() + "/com1";
  for (int i = 0; i < 500 && access(link.c_str(), F_OK) != 0; ++i)
    testpty::SleepMs(10);
  char target[4096] = {};
  if (readlink(link.c_str(), target, sizeof target - 1) > 0) OpenToAll(target, 0666);
}

void Run::UsePty() {
  port = testpty::OpenPty();
  own_port = true;
  dir.LinkPort(1, port.slave_path);
  OpenToAll(port.slave_path, 0666);
}

testpty::Child Run::Start(const std::vector<std::string>& args, bool privileged, bool logged,
                          const std::vector<std::string>& env) const {
  testpty::ChildOptions o;
  // Started through this program only when it has something to do on the
  // way (the resident memory of a process counts what it had before exec).
  if (!privileged || logged) {
    o.argv = {stage.self(), "--exec"};
    if (!privileged) o.argv.push_back("--unprivileged");
  }
  o.argv.push_back(stage.padlink());
  o.argv.insert(o.argv.end(), args.begin(), args.end());
  o.env = {"PADLINK_PORT_DIR=" + dir.path()};
  if (logged) {
    o.env.push_back("BENCH_PRELOAD=" + stage.ptymodem());
    o.env.push_back("PTYMODEM_LOG=" + logs + "/padlink-%p.log");
  }
  o.env.insert(o.env.end(), env.begin(), env.end());
  o.stdin_path = console.slave_path;
  o.terminal = true;
  return testpty::Spawn(o);
}

std::string Run::LogOf(const testpty::Child& c) const {
  return logs + "/padlink-" + std::to_string(c.pid) + ".log";
}

std::vector<std::uint64_t> Run::TypeKeysToPort(std::vector<double>* latency) const {
  std::vector<std::uint64_t> typed;
  for (int i = 0; i < 200; ++i) {
    const char key = i % 2 ? '1' : '2';  // never a repeat
    typed.push_back(NowNs());
    testpty::WriteAll(console.master, std::string(1, key));
    pollfd p{port.master, POLLIN, 0};
    if (poll(&p, 1, 1000) == 1) {
      if (latency) latency->push_back(static_cast<double>(NowNs() - typed.back()) / 1e6);
      unsigned char b;
      if (read(port.master, &b, 1) != 1) break;
    }
    testpty::SleepMs(17 + (i * 7) % 6);  // spread over the 5 ms pass
  }
  return typed;
}

int Run::Quit(testpty::Child& c, rusage* usage) const {
  testpty::WriteAll(console.master, "S");
  int st = 0;
  testpty::Wait(c, 10000, &st, usage);
  return testpty::ExitCode(st);
}
