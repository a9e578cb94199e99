// padlink on a remote port: the simulated robot's pseudo-terminal served by
// the real ser2net on 127.0.0.1, reached through a port-directory link to
// rfc2217://127.0.0.1:<port>. Cable mode gives what a direct run gives;
// strobe mode reaches the robot with its RTS changes in order (a modem-line
// emulation preloaded into ser2net stands in for the lines a
// pseudo-terminal lacks and logs what ser2net applies). However a run ends,
// the next one started at once works from its first sample. At the
// station: ser2net's closestr stops the robot after `kill -9` of padlink,
// and padlink reaches a ser2net that listens on 127.0.0.1 only through an
// SSH tunnel.
#include <arpa/inet.h>
#include <limits.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/sample_lines.h"
#include "tests/support/ser2net.h"
#include "tests/support/sshd.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// What a connection to 127.0.0.1:port receives until it ends, 5 s at most.
std::string ReadFromLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string got;
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    char buf[256];
    pollfd p{fd, POLLIN, 0};
    for (int i = 0; i < 50 && poll(&p, 1, 100) >= 0; ++i) {
      if (!(p.revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  return got;
}

// What the robot logged: its requests with the values it answered, its
// commands, and bytes it did not expect.
struct RobotLog {
  std::vector<std::string> requests;  // "PeekAD 3", "PeekSRAM 65,1", ...
  std::vector<int> values;
  std::vector<std::string> commands;
  int unexpected = 0;
  std::string line;  // the line settings the requests came with
};

RobotLog ParseRobot(const std::string& log) {
  RobotLog r;
  std::string line_now;
  const std::regex request(R"(\] (Peek\w+ [\d,]+) -> (\d+))");
  const std::regex command(R"(\] (command +\d+ \(0x[0-9A-F]+\)))");
  const std::regex line(R"(\] line: ([^(]*))");
  for (const std::string& l : testpty::Lines(log)) {
    std::smatch m;
    if (std::regex_search(l, m, request)) {
      r.requests.push_back(m[1]);
      r.values.push_back(std::stoi(m[2]));
      r.line = line_now;
    } else if (std::regex_search(l, m, command)) {
      r.commands.push_back(m[1]);
    } else if (std::regex_search(l, m, line)) {
      line_now = m[1];
    } else if (l.find("unexpected") != std::string::npos) {
      ++r.unexpected;
    }
  }
  return r;
}

class Ser2netE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(testnet::Ser2netPath().empty())
        << "ser2net is not installed (apt-get install ser2net; .ci/run does)";
  }
  void TearDown() override {
    ser2net_.Stop();
    StopRobot();
    testpty::ClosePty(console_);
  }

  // The robot, published in robot_dir_; its pseudo-terminal's path.
  std::string StartRobot() {
    testpty::ChildOptions o;
    o.argv = {ROBOT_BIN, "--port", "1", "--port-dir", robot_dir_.path()};
    robot_ = testpty::Spawn(o);
    EXPECT_TRUE(testpty::WaitForOutput(robot_, "connect with:", 5000)) << robot_.err_text;
    char target[PATH_MAX] = {};
    const ssize_t n = readlink((robot_dir_.path() + "/com1").c_str(), target, sizeof target - 1);
    EXPECT_GT(n, 0);
    return target;
  }

  // Waits up to timeout_ms until the robot's log holds `needle` at `from`
  // or later.
  bool WaitForRobot(const std::string& needle, std::size_t from, int timeout_ms) {
    const std::uint64_t deadline = testpty::NowMs() + static_cast<std::uint64_t>(timeout_ms);
    for (;;) {
      testpty::WaitForOutput(robot_, "", 0);
      if (robot_.out_text.find(needle, from) != std::string::npos) return true;
      if (testpty::NowMs() >= deadline) return false;
      testpty::SleepMs(5);
    }
  }

  void StopRobot() {
    if (robot_.pid < 0) return;
    kill(robot_.pid, SIGTERM);
    int status = 0;
    testpty::Wait(robot_, 5000, &status);
    robot_.pid = -1;
  }

  // Serves the robot with ser2net and links port 1 of remote_dir_ to it;
  // with modem_lines, the preload gives the pseudo-terminal the modem lines
  // of a UART and keeps a flush from taking back what was written to it.
  void ServeRemotely(const std::string& pty, bool modem_lines) {
    ASSERT_TRUE(ser2net_.Start(pty, modem_lines ? MODEM_PRELOAD : "", modem_log_))
        << ser2net_.error();
    remote_dir_.LinkPort(1, ser2net_.url());
  }

  testpty::Child StartPadlink(const std::string& port_dir, std::vector<std::string> args) {
    console_ = testpty::OpenPty(/*raw=*/false);
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"PADLINK_PORT_DIR=" + port_dir};
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    return testpty::Spawn(o);
  }

  int RunToEnd(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 15000, &status));
    return testpty::ExitCode(status);
  }

  struct Run {
    std::string out, err;
    int status = -1;
    RobotLog robot;
    std::string missed;  // what did not come in time, for the test to judge
  };

  // Monitors A/D 3 and gyro 2 at -t 0, presses 5, quits. A run that stops
  // short is not waited for further.
  Run DriveAndMonitor(const std::string& port_dir, std::vector<std::string> mode) {
    std::vector<std::string> args = {"-c", "1", "-a", "3", "-g", "2", "-t", "0"};
    args.insert(args.end(), mode.begin(), mode.end());
    testpty::Child c = StartPadlink(port_dir, args);
    Run r;
    if (!testpty::WaitForLines(c, 10, 10000)) {
      r.missed = "the first 10 lines";
    } else {
      testpty::WriteAll(console_.master, "5");
      if (!testpty::WaitForOutput(robot_, "command  5 (0x05)", 5000))
        r.missed = "command 5 at the robot";
      else if (!testpty::WaitForLines(c, 14, 10000))
        r.missed = "14 lines";
    }
    testpty::WriteAll(console_.master, "S");
    int status = 0;
    if (testpty::Wait(c, 15000, &status))
      r.status = testpty::ExitCode(status);
    else
      r.missed += " the end";
    r.out = c.out_text;
    r.err = c.err_text;
    testpty::WaitForOutput(robot_, "\n", 200);  // collect the robot's last lines
    r.robot = ParseRobot(robot_.out_text);
    StopRobot();
    testpty::ClosePty(console_);
    return r;
  }

  // A pseudo-terminal now and then holds its bytes back for 50-250 ms, past
  // the 50 ms a reply may take: the run then ends on a sample's time-out
  // although the robot answered, and the robot got no byte it did not
  // expect. Such a run says nothing of padlink, so it is made again from a
  // new robot (and server), up to three runs in all; a fault of padlink's
  // fails every run. `start` starts the robot, and the server if any.
  Run DriveAndMonitorPastStalls(const std::function<void()>& start, const std::string& port_dir,
                                const std::vector<std::string>& mode) {
    Run r;
    for (int run = 1; run <= 3; ++run) {
      start();
      r = DriveAndMonitor(port_dir, mode);
      const std::string first_error = r.err.substr(0, r.err.find('\n'));
      const bool stalled =
          r.status == 1 && r.robot.unexpected == 0 && first_error.ends_with(":Echoeback timeout.");
      if (!stalled || run == 3) break;
      ++stalls_;
      ser2net_.Stop();
      std::ofstream(modem_log_, std::ios::trunc);
    }
    RecordProperty("runs_made_again_after_a_stall", stalls_);
    return r;
  }

  int stalls_ = 0;
  testpty::TempDir robot_dir_;
  testpty::TempDir remote_dir_;
  testpty::TempDir log_dir_;
  std::string modem_log_ = log_dir_.path() + "/modem.log";
  testnet::Ser2net ser2net_;
  testpty::Pty console_;
  testpty::Child robot_;
};

TEST_F(Ser2netE2E, CableModeGivesTheBytesAndValuesOfADirectRun) {
  const Run direct = DriveAndMonitorPastStalls([this] { StartRobot(); }, robot_dir_.path(), {"-d"});
  const Run remote = DriveAndMonitorPastStalls(
      [this] { ServeRemotely(StartRobot(), /*modem_lines=*/false); }, remote_dir_.path(), {"-d"});

  for (const Run* r : {&direct, &remote}) {
    const char* which = r == &direct ? "direct" : "remote";
    EXPECT_EQ(r->missed, "") << which << r->out << r->err;
    EXPECT_EQ(r->status, 0) << which << r->err;
    EXPECT_EQ(r->err, "") << which;
    const auto lines = testpty::Lines(r->out);
    ASSERT_GE(lines.size(), 14u) << which;
    EXPECT_EQ(lines[0], "AD3, ADsecond, SRAM, SRAMsecond");
    EXPECT_EQ(lines[2], "GYRO2, GYROsecond, SRAM, SRAMsecond");
    // Every value printed is the one the robot answered, in order, and the
    // robot saw nothing it did not expect.
    EXPECT_EQ(testsamples::SampleValues(r->out), r->robot.values) << which;
    EXPECT_EQ(r->robot.unexpected, 0) << which;
    EXPECT_THAT(r->robot.commands, ::testing::ElementsAre("command  5 (0x05)")) << which;
    EXPECT_EQ(r->robot.line, "9600 baud, 8 data bits, no parity, 1 stop bit ") << which;
  }
  // The same requests in the same order.
  const std::size_t n = std::min(direct.robot.requests.size(), remote.robot.requests.size());
  ASSERT_GE(n, 24u);
  EXPECT_EQ(std::vector<std::string>(direct.robot.requests.begin(),
                                     direct.robot.requests.begin() + static_cast<long>(n)),
            std::vector<std::string>(remote.robot.requests.begin(),
                                     remote.robot.requests.begin() + static_cast<long>(n)));
  EXPECT_EQ(remote.robot.requests[0], "PeekAD 3");
  EXPECT_EQ(remote.robot.requests[1], "PeekSRAM 65,1");
  EXPECT_EQ(remote.robot.requests[2], "PeekSRAM 49,5");
}

TEST_F(Ser2netE2E, StrobeModeReachesTheRobotWithItsRtsChangesInOrder) {
  const Run run = DriveAndMonitorPastStalls(
      [this] { ServeRemotely(StartRobot(), /*modem_lines=*/true); }, remote_dir_.path(), {});
  EXPECT_EQ(run.missed, "") << run.out << run.err;
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(testsamples::SampleValues(run.out), run.robot.values);
  EXPECT_EQ(run.robot.unexpected, 0);
  EXPECT_THAT(run.robot.commands, ::testing::ElementsAre("command  5 (0x05)"));
  // Every byte the robot received was followed by RTS off and on, applied
  // by ser2net in that order; the strobe-mode settings turned DTR off.
  int bytes = 1;  // the command
  for (const std::string& r : run.robot.requests)
    bytes += r.rfind("PeekAD", 0) == 0 ? 3 : 4;
  ser2net_.Stop();
  std::ifstream log(modem_log_);
  std::vector<int> rts;
  std::vector<int> dtr;
  for (std::string kind, ns, level; log >> kind >> ns >> level;)
    if (kind == "RTS" || kind == "DTR") (kind == "RTS" ? rts : dtr).push_back(std::stoi(level));
  ASSERT_FALSE(dtr.empty());
  EXPECT_EQ(dtr[0], 0) << "DTR off at start-up";
  // Off and on for each byte. padlink's close then leaves RTS off: ser2net
  // may apply that together with the last byte's "on" (neither shows), and
  // may raise RTS once more when the connection ends.
  const auto changes = static_cast<std::size_t>(2 * bytes);
  ASSERT_GE(rts.size(), changes - 1);
  for (std::size_t i = 0; i < changes - 1; ++i)
    ASSERT_EQ(rts[i], i % 2 == 0 ? 0 : 1) << "change " << i;
  EXPECT_LE(rts.size(), changes + 2);
}

// The station's stop command: four times command 5, so that at least one
// arrives as a command after a request cut off by the kill (the longest
// request, PeekSRAM, lacks at most three bytes, which the robot takes as
// its rest).
constexpr const char* kCloseStr = R"(closestr: '\x05\x05\x05\x05')";

// What the robot logged from `from` on: its commands, and bytes it did not
// expect.
RobotLog RobotLogFrom(const std::string& log, std::size_t from) {
  const std::size_t line = log.rfind('\n', from);
  return ParseRobot(log.substr(line == std::string::npos ? 0 : line));
}

// A backstop outside padlink: padlink killed with kill -9 (nothing of it
// runs), while driving or in the middle of sampling, and ser2net sends its
// closestr as the connection closes; the robot takes the stop command, and
// nothing else, after the last key's command.
TEST_F(Ser2netE2E, AfterKill9TheServersCloseStringStopsTheRobot) {
  ser2net_.AddOption(kCloseStr);
  ServeRemotely(StartRobot(), /*modem_lines=*/true);  // a UART's drained output, too
  const std::vector<std::string> driving = {"-c", "1", "-d"};
  const std::vector<std::string> sampling = {"-c", "1", "-d", "-a", "3", "-t", "0"};
  struct Case {
    const std::vector<std::string>* args;
    int after_ms;  // from the key's command to the kill
  };
  const Case cases[] = {{&driving, 0},  {&driving, 300}, {&sampling, 0},
                        {&sampling, 5}, {&sampling, 11}, {&sampling, 17}};
  for (const Case& c : cases) {
    const std::string which =
        std::to_string(c.args->size()) + " args, " + std::to_string(c.after_ms) + " ms";
    testpty::Child run = StartPadlink(remote_dir_.path(), *c.args);
    if (c.args == &sampling) {
      ASSERT_TRUE(testpty::WaitForLines(run, 6, 10000)) << run.err_text;
    }
    testpty::WaitForOutput(robot_, "", 0);
    const std::size_t before_key = robot_.out_text.size();
    testpty::WriteAll(console_.master, "H");
    ASSERT_TRUE(WaitForRobot("command 11", before_key, 5000)) << which;
    testpty::SleepMs(c.after_ms);
    const std::size_t before_kill = robot_.out_text.size();
    kill(run.pid, SIGKILL);
    RunToEnd(run);
    testpty::ClosePty(console_);
    // The robot's log up to ser2net letting go of the line (it restores
    // the line's settings after the close string).
    EXPECT_TRUE(WaitForRobot("line: 38400", before_kill, 5000)) << which;
    const RobotLog after = RobotLogFrom(robot_.out_text, before_kill);
    EXPECT_FALSE(after.commands.empty()) << which << robot_.out_text;
    for (const std::string& command : after.commands)
      EXPECT_EQ(command, "command  5 (0x05)") << which;
    EXPECT_EQ(after.unexpected, 0) << which;
  }
}

// A locked door: ser2net listens on 127.0.0.1 only, and padlink reaches it
// through an SSH tunnel to the station (ssh -N -L), whose sshd lets in the
// one key made for the laptop, for that port alone: the key runs no command
// and no shell, and forwards to no other port; a stranger's key opens
// nothing. Through the tunnel padlink drives and samples as directly, and
// the station's closestr follows when it quits.
TEST_F(Ser2netE2E, PadlinkReachesAStationOnlyThroughAnSshTunnel) {
  ser2net_.AddOption(kCloseStr);
  ServeRemotely(StartRobot(), /*modem_lines=*/true);  // a UART's drained output, too
  testnet::Sshd sshd;
  ASSERT_TRUE(sshd.Start(ser2net_.port())) << sshd.error();
  const int local = testnet::FreeLoopbackPort();

  testpty::ChildOptions o;
  o.argv = sshd.ForwardCommand(local, ser2net_.port(), /*stranger=*/true);
  testpty::Child stranger = testpty::Spawn(o);
  EXPECT_EQ(RunToEnd(stranger), 255);
  EXPECT_THAT(stranger.err_text, HasSubstr("Permission denied"));
  EXPECT_FALSE(testnet::Listening(local));

  // The key runs neither a command nor a shell (whose input has one).
  testpty::TempDir home;
  std::ofstream(home.path() + "/input") << "echo shell-ran\n";
  for (const std::vector<std::string>& remote :
       {std::vector<std::string>{"echo", "command-ran"}, std::vector<std::string>{}}) {
    o.argv = sshd.LoginCommand(remote);
    o.stdin_path = home.path() + "/input";
    testpty::Child login = testpty::Spawn(o);
    EXPECT_NE(RunToEnd(login), 0) << remote.size();
    EXPECT_THAT(login.out_text, ::testing::Not(HasSubstr("-ran"))) << login.out_text;
  }
  o.stdin_path.clear();
  // Nor does it forward to another port: a connection through such a
  // tunnel ends at once, where sshd's own port would greet it.
  o.argv = sshd.ForwardCommand(local, sshd.port());
  testpty::Child elsewhere = testpty::Spawn(o);
  for (int i = 0; i < 500 && !testnet::Listening(local); ++i)
    testpty::SleepMs(10);
  ASSERT_TRUE(testnet::Listening(local)) << elsewhere.err_text;
  EXPECT_EQ(ReadFromLoopback(local), "");
  EXPECT_THAT(ReadFromLoopback(sshd.port()), StartsWith("SSH-2.0-"));
  kill(elsewhere.pid, SIGTERM);
  RunToEnd(elsewhere);
  EXPECT_THAT(elsewhere.err_text, HasSubstr("prohibited"));

  o.argv = sshd.ForwardCommand(local, ser2net_.port());
  testpty::Child tunnel = testpty::Spawn(o);
  for (int i = 0; i < 500 && !testnet::Listening(local); ++i)
    testpty::SleepMs(10);
  ASSERT_TRUE(testnet::Listening(local)) << tunnel.err_text;
  testpty::TempDir laptop;
  laptop.LinkPort(1, "rfc2217://127.0.0.1:" + std::to_string(local));

  testpty::Child run = StartPadlink(laptop.path(), {"-c", "1", "-d", "-a", "3", "-t", "0"});
  ASSERT_TRUE(testpty::WaitForLines(run, 6, 10000)) << run.err_text;
  testpty::WriteAll(console_.master, "H");
  EXPECT_TRUE(testpty::WaitForOutput(robot_, "command 11 (0x0B)", 5000));
  ASSERT_TRUE(testpty::WaitForLines(run, 10, 10000));
  testpty::WaitForOutput(robot_, "", 0);
  const std::size_t before_quit = robot_.out_text.size();
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(RunToEnd(run), 0);
  EXPECT_EQ(run.err_text, "");
  EXPECT_TRUE(WaitForRobot("line: 38400", before_quit, 5000));
  const RobotLog robot = ParseRobot(robot_.out_text);
  EXPECT_EQ(testsamples::SampleValues(run.out_text), robot.values);
  EXPECT_EQ(robot.unexpected, 0);
  EXPECT_THAT(robot.commands,
              ::testing::ElementsAre("command 11 (0x0B)", "command  5 (0x05)", "command  5 (0x05)",
                                     "command  5 (0x05)", "command  5 (0x05)"));
  kill(tunnel.pid, SIGTERM);
  RunToEnd(tunnel);
}

TEST_F(Ser2netE2E, ASecondPadlinkIsToldThePortIsInUse) {
  ServeRemotely(StartRobot(), /*modem_lines=*/false);
  testpty::Child first = StartPadlink(remote_dir_.path(), {"-c", "1", "-d", "-a", "3", "-t", "1"});
  ASSERT_TRUE(testpty::WaitForLines(first, 2, 10000)) << first.err_text;
  const testpty::Pty first_console = console_;
  testpty::Child second = StartPadlink(remote_dir_.path(), {"-c", "1", "-d"});
  EXPECT_EQ(RunToEnd(second), 1);
  EXPECT_THAT(second.err_text,
              StartsWith("Open error. The port server closed the connection: Port already in use\n"
                         "padlink: port 1 is rfc2217://127.0.0.1:"));
  EXPECT_THAT(second.err_text, HasSubstr("a serial port on another computer"));
  testpty::WriteAll(first_console.master, "S");
  EXPECT_EQ(RunToEnd(first), 0);
  testpty::Pty c = first_console;
  testpty::ClosePty(c);
}

// How a run is ended before the next one starts at once: the quit key or
// Ctrl+C (SIGINT) while it samples as fast as it can, or a failed sample:
// the robot stalls after the last request of a sample, before its answer or
// in the pause before the next sample, and goes on once the run has ended,
// answering what came meanwhile as the next run opens the port.
enum class WayOut { kQuitKey, kSigint, kFailedSample };

struct NextRunCase {
  const char* name;
  WayOut way;
  bool cable;
};

std::string CaseName(const ::testing::TestParamInfo<NextRunCase>& info) {
  return info.param.name;
}

void PrintTo(const NextRunCase& c, std::ostream* os) {
  *os << c.name;
}

class NextRunE2E : public Ser2netE2E, public ::testing::WithParamInterface<NextRunCase> {
 protected:
  // Ends the run as the case says; true when it ended as it should.
  ::testing::AssertionResult End(testpty::Child& run) {
    const WayOut way = GetParam().way;
    if (way == WayOut::kQuitKey) testpty::WriteAll(console_.master, "S");
    if (way == WayOut::kSigint) kill(run.pid, SIGINT);
    if (way == WayOut::kFailedSample) StallRobotAfterASample();
    int status = 0;
    const bool ended = testpty::Wait(run, 15000, &status);
    if (way == WayOut::kFailedSample) kill(robot_.pid, SIGCONT);
    if (!ended) return ::testing::AssertionFailure() << "did not end";
    if (way == WayOut::kSigint) return ::testing::AssertionSuccess();
    const int want = way == WayOut::kQuitKey ? 0 : 1;
    if (testpty::ExitCode(status) != want)
      return ::testing::AssertionFailure() << "status " << status << ": " << run.err_text;
    if (way == WayOut::kFailedSample &&
        run.err_text.find("Echoeback timeout.") == std::string::npos)
      return ::testing::AssertionFailure() << "no failed sample: " << run.err_text;
    return ::testing::AssertionSuccess();
  }

  // Stops the robot as soon as it has logged the second request of a
  // sample: either its answer is still to go, or the run pauses before the
  // next sample (0.2 s), whose requests then wait for the robot whole.
  void StallRobotAfterASample() {
    testpty::WaitForOutput(robot_, "", 0);
    const std::size_t seen = robot_.out_text.size();
    for (int i = 0; i < 500; ++i) {
      testpty::WaitForOutput(robot_, "\n", 10);
      if (robot_.out_text.find("PeekSRAM 65,1 -> ", seen) != std::string::npos) break;
    }
    kill(robot_.pid, SIGSTOP);
  }
};

// Round after round: a run is ended, the next starts at once and its first
// sample is good; the robot saw nothing but whole requests, and no command,
// as nobody pressed a key. The quit key and Ctrl+C end the run at another
// point of a sample each round, over ten rounds. A failed sample ends it
// after the same request each round (the robot stalled after a sample's
// last request, before its answer or in the pause after it, and the
// requests that follow left waiting for it), so each round leaves the next
// run the same bytes to cope with: three rounds do.
TEST_P(NextRunE2E, TheNextRunWorksFromItsFirstSample) {
  const NextRunCase& c = GetParam();
  ServeRemotely(StartRobot(), /*modem_lines=*/!c.cable);
  std::vector<std::string> args = {"-c", "1", "-a", "3", "-t", "0"};
  if (c.cable) args.push_back("-d");
  const bool stall = c.way == WayOut::kFailedSample;
  std::vector<std::string> ended_args = args;
  if (stall) ended_args.erase(ended_args.begin() + 4, ended_args.begin() + 6);  // every 0.2 s
  const int rounds = stall ? 3 : 10;
  int good = 0;
  int ended_by_themselves = 0;
  std::string bad;  // what went wrong in the rounds that were not good
  for (int round = 0; round < rounds; ++round) {
    testpty::Child ended = StartPadlink(remote_dir_.path(), ended_args);
    if (testpty::WaitForLines(ended, stall ? 2 : 6, 10000)) {
      // A sample line has just been printed; the end comes at another point
      // of the next sample each round, often in the middle of a request.
      if (!stall) testpty::SleepMs(round * 7 % 23);
      ASSERT_TRUE(End(ended)) << "round " << round;
    } else {
      // A pty that held a reply back past the 50 ms it may take ended the
      // run by itself with a failed sample; the next run follows that end.
      ASSERT_NE(ended.err_text.find("Echoeback timeout."), std::string::npos)
          << round << ": " << ended.err_text;
      int status = 0;
      ASSERT_TRUE(testpty::Wait(ended, 15000, &status)) << round;
      EXPECT_EQ(testpty::ExitCode(status), 1) << round;
      ++ended_by_themselves;
    }
    testpty::ClosePty(console_);

    testpty::Child next = StartPadlink(remote_dir_.path(), args);
    // Its header and three samples, or its failure.
    for (int i = 0; i < 200 && next.err_text.empty(); ++i)
      if (testpty::WaitForLines(next, 4, 50)) break;
    testpty::WriteAll(console_.master, "S");
    const int status = RunToEnd(next);
    testpty::ClosePty(console_);
    // The first sample is the one an interrupted exchange would spoil;
    // a later one can miss the strobe mode's 50 ms on a busy computer.
    const auto lines = testpty::Lines(next.out_text);
    if (lines.size() >= 2 && lines[0] == "AD3, ADsecond, SRAM, SRAMsecond" &&
        testsamples::IsSampleLine(lines[1]) && !testsamples::SampleIn(lines[1])->Failed())
      ++good;
    else
      bad += "round " + std::to_string(round) + ": status " + std::to_string(status) + ", " +
             std::to_string(lines.size()) + " lines, " + next.err_text + "\n";
  }
  EXPECT_EQ(good, rounds) << bad;
  RecordProperty("runs_that_ended_by_themselves", ended_by_themselves);
  testpty::WaitForOutput(robot_, "\n", 200);
  const RobotLog robot = ParseRobot(robot_.out_text);
  EXPECT_EQ(robot.unexpected, 0);
  EXPECT_THAT(robot.commands, ::testing::IsEmpty()) << robot_.out_text;
  for (const std::string& r : robot.requests)
    EXPECT_TRUE(r == "PeekAD 3" || r == "PeekSRAM 65,1") << r;
}

INSTANTIATE_TEST_SUITE_P(
    RemoteRuns, NextRunE2E,
    ::testing::Values(NextRunCase{"CableQuitKey", WayOut::kQuitKey, true},
                      NextRunCase{"CableCtrlC", WayOut::kSigint, true},
                      NextRunCase{"CableFailedSample", WayOut::kFailedSample, true},
                      NextRunCase{"StrobeQuitKey", WayOut::kQuitKey, false},
                      NextRunCase{"StrobeCtrlC", WayOut::kSigint, false},
                      NextRunCase{"StrobeFailedSample", WayOut::kFailedSample, false}),
    CaseName);

}  // namespace
