// padlink keeps the robot from running on, end to end with the simulated
// robot: the stop command on every way out of a run in both link modes,
// suspending only between exchanges, a stop that cannot be caught in the
// middle of a request, the lines a closed port leaves, and a port that goes
// away and comes back. Each is checked in the robot's log. Strobe mode runs
// with the modem-line emulation preloaded into padlink, which gives the
// robot's pseudo-terminal the RTS line it lacks and logs every change.
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"
#include "tests/support/sample_lines.h"
#include "tests/support/ser2net.h"
#include "tests/support/sshd.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr int kStop = 5;

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// DTR and RTS as the modem-line emulation's log leaves them (both on
// before the first change).
struct Lines {
  int dtr = 1;
  int rts = 1;
};

Lines LinesFromLog(const std::string& path) {
  Lines l;
  std::ifstream in(path);
  std::string kind;
  unsigned long long ns = 0;
  int on = 0;
  while (in >> kind >> ns >> on) {
    if (kind == "DTR") l.dtr = on;
    if (kind == "RTS") l.rts = on;
  }
  return l;
}

class SafeStopE2E : public ::testing::Test {
 protected:
  void TearDown() override {
    robot_.Stop();
    testpty::ClosePty(console_);
  }

  void StartRobot(const std::vector<std::string>& args = {}) {
    ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path(), args)) << robot_.child().err_text;
  }

  // padlink on port 1 of the port directory, its console a new terminal
  // holding `typed_ahead`; as a shell's job when `job`.
  testpty::Child StartPadlink(const std::vector<std::string>& args, bool job = false,
                              const std::string& typed_ahead = "",
                              const std::vector<std::string>& env = {}) {
    testpty::ClosePty(console_);
    console_ = testpty::OpenPty(/*raw=*/false);
    if (!typed_ahead.empty()) testpty::WriteAll(console_.master, typed_ahead);
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    // A sanitized padlink lets the preload come before its runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    o.env = {"PADLINK_PORT_DIR=" + dir_.path(), std::string("LD_PRELOAD=") + MODEM_PRELOAD,
             "PADLINK_MODEM_LOG=" + modem_log_,
             std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
    o.env.insert(o.env.end(), env.begin(), env.end());
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    o.job = job;
    std::ofstream(modem_log_, std::ios::trunc);
    return testpty::Spawn(o);
  }

  // Waits until padlink reads single keys; its process id (in a job, the
  // job's, below the session leader that Spawn returned).
  pid_t WaitForKeyboard() {
    for (int i = 0; i < 500; ++i) {
      termios t{};
      tcgetattr(console_.master, &t);
      if (!(t.c_lflag & ICANON)) return tcgetpgrp(console_.master);
      testpty::SleepMs(10);
    }
    ADD_FAILURE() << "padlink did not take the keyboard";
    return -1;
  }

  void Type(const std::string& keys) { testpty::WriteAll(console_.master, keys); }

  bool RobotLogs(const std::string& what, int count = 1) {
    for (int i = 0; i < 500; ++i) {
      if (CountOf(robot_.log(), what) >= count) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  static bool WaitForState(pid_t pid, char state) {
    for (int i = 0; i < 500; ++i) {
      if (testpty::ProcessState(pid) == state) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  // The end of the run: its exit code, or minus the signal that ended it.
  static int End(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 15000, &status));
    return WIFSIGNALED(status) ? -WTERMSIG(status) : testpty::ExitCode(status);
  }

  testpty::TempDir dir_;
  testpty::TempDir log_dir_;
  std::string modem_log_ = log_dir_.path() + "/modem.log";
  testpty::Pty console_;
  testpty::Robot robot_;
};

// What a way out of a run knows: the process to signal, whether a stop
// command is set, and the link mode.
struct WayContext {
  pid_t pid;
  bool stop;
  bool strobe;
};

// One way out of a run: what is done once '7' reached the robot (none for
// the failed sample, whose run starts with a silent robot).
struct Way {
  const char* name;
  bool job;  // run as a shell's job
  std::function<void(const WayContext&)> act;
  int end;  // exit code, or minus the signal
};

class WaysOutE2E : public SafeStopE2E {
 protected:
  // Ctrl+Z: the stop command is out, and RTS up, before the job stops;
  // then fg and the quit key.
  void SuspendAndResume(const WayContext& w) {
    Type("\x1a");
    ASSERT_TRUE(WaitForState(w.pid, 'T'));
    EXPECT_EQ(robot_.Commands().back(), w.stop ? kStop : 7);
    if (w.strobe) {
      EXPECT_EQ(LinesFromLog(modem_log_).rts, 1);
    }
    kill(-w.pid, SIGCONT);
    WaitForKeyboard();
    Type("S");
  }

  // Every way out with a stop command (given as an option or, for every
  // other run, in the environment) and without one: with it the robot gets
  // it once, after the last command; without it nothing more than before.
  void CheckEveryWayOut(bool strobe) {
    const auto kill_with = [](int sig) { return [sig](const WayContext& w) { kill(w.pid, sig); }; };
    const auto type = [this](const char* keys) {
      return [this, keys](const WayContext&) { Type(keys); };
    };
    const Way ways[] = {
        {"quit key", false, type("S"), 0},
        {"failed sample", false, nullptr, 1},
        {"Ctrl+C", false, type("\x03"), -SIGINT},
        {"SIGTERM", false, kill_with(SIGTERM), -SIGTERM},
        {"SIGHUP", false, kill_with(SIGHUP), -SIGHUP},
        {"Ctrl+\\ (SIGQUIT)", false, type("\x1c"), -SIGQUIT},
        {"Ctrl+Z, fg, quit key", true, [this](const WayContext& w) { SuspendAndResume(w); }, 0},
    };
    int runs = 0;
    for (const Way& way : ways) {
      for (bool stop : {false, true}) {
        const std::string name = std::string(way.name) + (strobe ? ", strobe" : ", cable") +
                                 (stop ? ", with a stop command" : "");
        const bool failed_sample = !way.act;
        robot_.Stop();
        StartRobot(failed_sample ? std::vector<std::string>{"--fault", "silent"}
                                 : std::vector<std::string>{});
        std::vector<std::string> args = {"-c", "1"};
        if (!strobe) args.push_back("-d");
        if (failed_sample) args.insert(args.end(), {"-a", "3"});
        std::vector<std::string> env;
        if (stop && ++runs % 2) {
          env.push_back("PADLINK_STOP=5");
        } else if (stop) {
          args.insert(args.end(), {"--stop", "5"});
        }
        // The failed sample's run reads the 7 typed ahead in its first
        // pass, before its first sample.
        testpty::Child c = StartPadlink(args, way.job, failed_sample ? "7" : "", env);
        if (!failed_sample) {
          const pid_t pid = WaitForKeyboard();
          Type("7");
          ASSERT_TRUE(RobotLogs("command  7")) << name << robot_.log();
          way.act(WayContext{way.job ? pid : c.pid, stop, strobe});
        }
        EXPECT_EQ(End(c), way.end) << name << c.err_text;
        if (failed_sample) {
          EXPECT_THAT(c.err_text, StartsWith("PeekAD3:Echoeback timeout.\n")) << name;
        } else {
          EXPECT_EQ(c.err_text, "") << name;
        }
        std::vector<int> want = {7};
        if (stop) want.insert(want.end(), way.job ? 2 : 1, kStop);
        RobotLogs("command  5", static_cast<int>(want.size()) - 1);
        EXPECT_EQ(robot_.Commands(), want) << name << "\n" << robot_.log();
        EXPECT_EQ(CountOf(robot_.log(), "unexpected"), 0) << name;
      }
    }
  }
};

TEST_F(WaysOutE2E, EveryWayOutSendsTheStopCommandOnceInCableMode) {
  CheckEveryWayOut(/*strobe=*/false);
}

TEST_F(WaysOutE2E, EveryWayOutSendsTheStopCommandOnceInStrobeMode) {
  CheckEveryWayOut(/*strobe=*/true);
}

// The program reading the samples goes away (a pipe's reader ends): the
// next line raises SIGPIPE, the stop command goes out, and padlink dies of
// the signal without a word, as it did before.
TEST_F(SafeStopE2E, WhenTheSamplesReaderGoesAwayTheStopCommandGoesOutFirst) {
  StartRobot();
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3", "-t", "0", "--stop", "5"});
  WaitForKeyboard();
  ASSERT_TRUE(testpty::WaitForLines(c, 4, 10000));
  Type("7");
  ASSERT_TRUE(RobotLogs("command  7"));
  close(c.out);
  c.out = -1;
  EXPECT_EQ(End(c), -SIGPIPE) << c.err_text;
  EXPECT_EQ(c.err_text, "");
  RobotLogs("command  5");
  EXPECT_EQ(robot_.Commands(), (std::vector<int>{7, kStop}));
}

// Ctrl+Z while the monitors sample as fast as they can: the job stops only
// between two exchanges, after the stop command, with RTS up; after fg the
// samples go on without a failure and the robot never got a byte it could
// take for a command of its own.
TEST_F(SafeStopE2E, SuspendWaitsForTheExchangeAndResumesCleanly) {
  for (bool strobe : {false, true}) {
    const char* mode = strobe ? "strobe" : "cable";
    robot_.Stop();
    StartRobot();
    std::vector<std::string> args = {"-c", "1", "-a", "3", "-t", "0", "--stop", "5"};
    if (!strobe) args.push_back("-d");
    testpty::Child c = StartPadlink(args, /*job=*/true);
    const pid_t job = WaitForKeyboard();
    std::size_t lines = 4;
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(testpty::WaitForLines(c, lines, 10000)) << mode << c.err_text;
      Type("\x1a");
      ASSERT_TRUE(WaitForState(job, 'T')) << mode;
      EXPECT_EQ(robot_.Commands(), std::vector<int>(round + 1, kStop)) << mode;
      if (strobe) {
        EXPECT_EQ(LinesFromLog(modem_log_).rts, 1) << mode << " round " << round;
      }
      testpty::SleepMs(1000);
      kill(-job, SIGCONT);
      WaitForKeyboard();
      lines = testpty::Lines(c.out_text).size() + 6;
    }
    ASSERT_TRUE(testpty::WaitForLines(c, lines, 10000)) << mode;
    Type("S");
    EXPECT_EQ(End(c), 0) << mode;
    EXPECT_EQ(c.err_text, "") << mode;
    for (int v : testsamples::SampleValues(c.out_text))
      EXPECT_GE(v, 0) << mode;
    EXPECT_EQ(robot_.Commands(), std::vector<int>(4, kStop)) << mode;
    EXPECT_EQ(CountOf(robot_.log(), "unexpected"), 0) << mode;
    EXPECT_EQ(CountOf(robot_.log(), "dropped"), 0) << mode;
  }
}

// SIGSTOP, which padlink cannot catch, at arbitrary moments of a run that
// samples as fast as it can, for a second or for 300 ms: a request cut
// apart is never finished late, so the robot gets no command at all (no
// key is pressed), and the run goes on with every sample good.
TEST_F(SafeStopE2E, AStopThatCannotBeCaughtNeverMakesTheRobotRunACommand) {
  int dropped = 0;
  for (bool strobe : {false, true}) {
    const char* mode = strobe ? "strobe" : "cable";
    robot_.Stop();
    StartRobot();
    std::vector<std::string> args = {"-c", "1", "-a", "3", "-t", "0"};
    if (!strobe) args.push_back("-d");
    testpty::Child c = StartPadlink(args);
    WaitForKeyboard();
    // A run that ends by itself (a failed sample) ends the rounds; the
    // checks below say what it did to the robot.
    bool running = true;
    for (int round = 0; round < 8 && running; ++round) {
      running = testpty::WaitForLines(c, testpty::Lines(c.out_text).size() + 3, 10000);
      testpty::SleepMs(7 * round % 23);
      kill(c.pid, SIGSTOP);
      testpty::SleepMs(round % 2 ? 300 : 1000);
      kill(c.pid, SIGCONT);
    }
    EXPECT_TRUE(running && testpty::WaitForLines(c, testpty::Lines(c.out_text).size() + 3, 10000))
        << mode;
    Type("S");
    EXPECT_EQ(End(c), 0) << mode << c.err_text;
    EXPECT_EQ(c.err_text, "") << mode;
    for (int v : testsamples::SampleValues(c.out_text))
      EXPECT_GE(v, 0) << mode;
    EXPECT_EQ(robot_.Commands(), std::vector<int>{}) << mode << "\n" << robot_.log();
    EXPECT_EQ(CountOf(robot_.log(), "unexpected"), 0) << mode;
    dropped += CountOf(robot_.log(), "request dropped");
  }
  // How many of the 16 stops cut a request apart (each was made again).
  RecordProperty("requests_cut_apart", dropped);
}

// However a run ends, it leaves DTR and RTS off, and the line is set to
// drop both when it is last closed (HUPCL), so a killed padlink leaves them
// off too.
TEST_F(SafeStopE2E, TheLinesAreOffWhenThePortIsClosed) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::function<void(pid_t)> end;
  };
  const Case cases[] = {
      {"strobe, quit key", {}, [this](pid_t) { Type("S"); }},
      {"cable, quit key", {"-d"}, [this](pid_t) { Type("S"); }},
      {"strobe, SIGTERM", {"--stop", "5"}, [](pid_t pid) { kill(pid, SIGTERM); }},
      {"strobe, failed sample", {"-a", "3"}, [](pid_t) {}},
  };
  for (const Case& c : cases) {
    testpty::Pty port = testpty::OpenPty();
    dir_.LinkPort(1, port.slave_path);
    std::vector<std::string> args = {"-c", "1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    testpty::Child p = StartPadlink(args);
    WaitForKeyboard();
    termios t{};
    tcgetattr(port.master, &t);
    EXPECT_TRUE(t.c_cflag & HUPCL) << c.name;
    c.end(p.pid);
    End(p);
    const Lines lines = LinesFromLog(modem_log_);
    EXPECT_EQ(lines.dtr, 0) << c.name;
    EXPECT_EQ(lines.rts, 0) << c.name;
    testpty::ClosePty(port);
  }
}

// The robot goes away (its line hangs up) while padlink drives it without
// monitors: padlink says so once, keeps the keyboard, reports a key without
// keeping it, and once the robot is back on the same port link it says so,
// sends the stop command, and the next key reaches the new robot.
TEST_F(SafeStopE2E, ALostPortComesBackWhenTheRobotIsStartedAgain) {
  StartRobot();
  testpty::Child c = StartPadlink({"-c", "1", "-d", "--stop", "5"});
  WaitForKeyboard();
  Type("7");
  ASSERT_TRUE(RobotLogs("command  7"));
  robot_.Stop();
  const std::string gone = "padlink: port 1 (" + dir_.path() + "/com1) is gone: ";
  ASSERT_TRUE(testpty::WaitForOutput(c, gone, 5000, true)) << c.err_text;
  Type("8");
  ASSERT_TRUE(testpty::WaitForOutput(c, "CMD:Send error 0 bytes sent.\n", 5000, true));
  StartRobot();
  ASSERT_TRUE(
      testpty::WaitForOutput(c, "padlink: port 1 (" + dir_.path() + "/com1) is back\n", 5000, true))
      << c.err_text;
  ASSERT_TRUE(RobotLogs("command  5"));
  Type("9");
  ASSERT_TRUE(RobotLogs("command  9"));
  Type("S");
  EXPECT_EQ(End(c), 0);
  EXPECT_EQ(c.err_text, gone + "Input/output error; trying it again every 0.5 s\n" +
                            "CMD:Send error 0 bytes sent.\n" + "padlink: port 1 (" + dir_.path() +
                            "/com1) is back\n");
  RobotLogs("command  5", 2);
  // The new robot: the stop command when the port came back, the key, the
  // quit's stop command; never the key pressed while it was away.
  EXPECT_EQ(robot_.Commands(), (std::vector<int>{kStop, 9, kStop}));
}

// The same through the real ser2net: the server stops (the connection
// closes) and starts again on the same address.
TEST_F(SafeStopE2E, ALostRemotePortReconnectsWhenItsServerIsBack) {
  if (testnet::Ser2netPath().empty()) GTEST_SKIP() << "ser2net is not installed";
  StartRobot();
  testnet::Ser2net server;
  ASSERT_TRUE(server.Start(robot_.device())) << server.error();
  const int tcp_port = server.port();
  testpty::Child c =
      StartPadlink({"-c", "1", "-d", "--stop", "5"}, false, "", {"PADLINK_PORT_1=" + server.url()});
  WaitForKeyboard();
  Type("7");
  ASSERT_TRUE(RobotLogs("command  7"));
  server.Stop();
  const std::string place = "padlink: port 1 (" + server.url() + ")";
  ASSERT_TRUE(testpty::WaitForOutput(c, place + " is gone: ", 5000, true)) << c.err_text;
  ASSERT_TRUE(server.Start(robot_.device(), "", "", tcp_port)) << server.error();
  ASSERT_TRUE(testpty::WaitForOutput(c, place + " is back\n", 5000, true)) << c.err_text;
  ASSERT_TRUE(RobotLogs("command  5"));
  Type("9");
  ASSERT_TRUE(RobotLogs("command  9"));
  Type("S");
  EXPECT_EQ(End(c), 0);
  RobotLogs("command  5", 2);
  EXPECT_EQ(robot_.Commands(), (std::vector<int>{7, kStop, 9, kStop}));
}

// A station that hangs without dropping the connection (ser2net stopped by
// SIGSTOP, directly or behind an SSH tunnel): the system still takes in what
// is sent to it, so only its answers show it runs. padlink finds it lost
// within a fraction of a second, sends it no key meanwhile and none later,
// and once it goes on takes it back as a lost port, with the stop command.
// Esc ends a run whose station hangs while it is tried again.
TEST_F(SafeStopE2E, AStationThatHangsIsLostAndGetsNoKeyUntilItIsBack) {
  if (testnet::Ser2netPath().empty()) GTEST_SKIP() << "ser2net is not installed";
  for (bool tunnel : {false, true}) {
    const char* how = tunnel ? "through an SSH tunnel" : "directly";
    if (tunnel && testnet::SshdPath().empty()) continue;
    robot_.Stop();
    StartRobot();
    testnet::Ser2net server;
    ASSERT_TRUE(server.Start(robot_.device())) << server.error();
    std::string url = server.url();
    testnet::Sshd sshd;
    testpty::Child forward;
    if (tunnel) {
      ASSERT_TRUE(sshd.Start(server.port())) << sshd.error();
      const int local = testnet::FreeLoopbackPort();
      testpty::ChildOptions o;
      o.argv = sshd.ForwardCommand(local, server.port());
      forward = testpty::Spawn(o);
      for (int i = 0; i < 500 && !testnet::Listening(local); ++i)
        testpty::SleepMs(10);
      ASSERT_TRUE(testnet::Listening(local)) << forward.err_text;
      url = "rfc2217://127.0.0.1:" + std::to_string(local);
    }
    testpty::Child c =
        StartPadlink({"-c", "1", "-d", "--stop", "5"}, false, "", {"PADLINK_PORT_1=" + url});
    WaitForKeyboard();
    Type("7");
    ASSERT_TRUE(RobotLogs("command  7")) << how;
    // Keys typed once the station has hung are never sent.
    kill(server.pid(), SIGSTOP);
    testpty::SleepMs(250);
    Type("2");
    const std::string place = "padlink: port 1 (" + url + ")";
    ASSERT_TRUE(testpty::WaitForOutput(c, place + " is gone: ", 5000, true)) << how << c.err_text;
    Type("3");
    for (int i = 0; i < 500 && CountOf(c.err_text, "CMD:Send error") < 2; ++i) {
      testpty::SleepMs(10);
      testpty::WaitForOutput(c, "", 0, true);
    }
    ASSERT_EQ(CountOf(c.err_text, "CMD:Send error 0 bytes sent.\n"), 2) << how << c.err_text;
    kill(server.pid(), SIGCONT);
    ASSERT_TRUE(testpty::WaitForOutput(c, place + " is back\n", 10000, true)) << how << c.err_text;
    ASSERT_TRUE(RobotLogs("command  5")) << how;
    Type("9");
    ASSERT_TRUE(RobotLogs("command  9")) << how;
    // Hung again, and tried again: Esc ends the run.
    kill(server.pid(), SIGSTOP);
    ASSERT_TRUE(testpty::WaitForOutput(c, place + " is gone: ", 5000, true)) << how << c.err_text;
    testpty::SleepMs(600);  // a try under way
    Type("\x1b");
    EXPECT_EQ(End(c), 0) << how;
    kill(server.pid(), SIGCONT);
    testpty::SleepMs(300);
    EXPECT_EQ(robot_.Commands(), (std::vector<int>{7, kStop, 9})) << how << robot_.log();
    if (tunnel) {
      kill(forward.pid, SIGTERM);
      End(forward);
    }
  }
}

// Keys that pile up behind the samples: a key held for 1.5 s (a repeat
// every 33 ms, as a terminal's auto-repeat) while padlink samples as fast
// as it can. The robot gets the key's command at most once a pass, so no
// more often than samples came meanwhile, and Esc after the release ends
// the run, the stop command last.
TEST_F(SafeStopE2E, AHeldKeyDrivesNoLongerThanTheHand) {
  StartRobot();
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3", "-t", "0", "--stop", "5"});
  WaitForKeyboard();
  ASSERT_TRUE(testpty::WaitForLines(c, 3, 10000)) << c.err_text;
  const std::size_t before = testpty::Lines(c.out_text).size();
  for (int i = 0; i < 45; ++i) {
    Type("H");
    testpty::SleepMs(33);
  }
  testpty::WaitForOutput(c, "", 0);
  const std::size_t samples = testpty::Lines(c.out_text).size() - before;
  testpty::SleepMs(200);
  Type("\x1b");
  EXPECT_EQ(End(c), 0);
  RobotLogs("command  5");
  const std::vector<int> commands = robot_.Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), kStop);
  const auto drives = std::count(commands.begin(), commands.end(), 11);
  EXPECT_GE(drives, 1);
  EXPECT_LE(static_cast<std::size_t>(drives), samples + 2) << robot_.log();
}

}  // namespace
