// padlink.exe, the Windows build, under Wine: usage, open errors, a run
// against the simulated robot through a COM port, keys from a terminal.
// Runs when PADLINK_WIN_EXE (the exe) and PADLINK_WINE_RUN (the Wine runner)
// are set, with WINEPREFIX naming the build's private prefix.
//
// The runs expect Wine's desktop process to be up already (the fixture
// WineDesktop of cmake/wine.cmake starts it): without it the console host
// starts one and waits for it, up to 10 s, before it passes on the first
// key, far beyond the waits for a key below.
//
// Known limits of Wine on a pseudo-terminal, which these tests do not rely
// on: no modem lines (EscapeCommFunction fails with error 50), a second open
// of the same port is not refused, non-standard baud rates are ignored, and
// Ctrl+C ends the run even with console mode 0. Wine also points com1.. at
// the machine's /dev/ttyS* devices, so the tests use ports from 100 up.
#include <signal.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"
#include "tests/support/sample_lines.h"
#include "tests/support/ser2net.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// How long a key may take from the terminal to the robot once padlink.exe
// runs: a bound for a hang, not a measure of speed.
constexpr int kKeyWaitMs = 3000;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string NoCr(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
  return s;
}

class WineE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = Env("PADLINK_WIN_EXE");
    runner_ = Env("PADLINK_WINE_RUN");
    prefix_ = Env("WINEPREFIX");
    if (exe_.empty() || runner_.empty() || prefix_.empty())
      GTEST_SKIP() << "no Windows build to run (PADLINK_WIN_EXE, PADLINK_WINE_RUN, WINEPREFIX)";
  }
  void TearDown() override {
    for (const std::string& link : links_)
      unlink(link.c_str());
    robot_.Stop();
    testpty::ClosePty(console_);
  }

  // Serves COM`port` with the simulated robot.
  void StartRobot(int port, std::vector<std::string> args = {}) {
    ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path(), args));
    const std::string link = prefix_ + "/dosdevices/com" + std::to_string(port);
    unlink(link.c_str());
    ASSERT_EQ(symlink(robot_.device().c_str(), link.c_str()), 0);
    links_.push_back(link);
  }

  testpty::Child Start(std::vector<std::string> args, bool terminal,
                       std::vector<std::string> env = {}) {
    testpty::ChildOptions o;
    o.argv = {runner_, exe_};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"TERM=xterm"};
    o.env.insert(o.env.end(), extra_env_.begin(), extra_env_.end());
    o.env.insert(o.env.end(), env.begin(), env.end());
    if (terminal) {
      console_ = testpty::OpenPty(/*raw=*/false);
      o.stdin_path = console_.slave_path;
      o.terminal = true;
    }
    return testpty::Spawn(o);
  }

  int End(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 30000, &status));
    return testpty::ExitCode(status);
  }

  std::string exe_, runner_, prefix_;
  testpty::TempDir dir_;
  testpty::Pty console_;
  testpty::Robot robot_;
  std::vector<std::string> links_;
  std::vector<std::string> extra_env_;
};

TEST_F(WineE2E, UsageTextAndStatus) {
  testpty::Child c = Start({"-c", "1", "-g", "9"}, false);
  EXPECT_EQ(End(c), 1);
  EXPECT_THAT(NoCr(c.err_text), StartsWith("Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] "
                                           "[-t Interval]\n\t-c ComNo\tSerial Port No. of PC\n"));
  EXPECT_THAT(NoCr(c.err_text), HasSubstr("\t\t= padlink robot remote control v1.7 =\n"));
  EXPECT_EQ(c.out_text, "");
}

TEST_F(WineE2E, OpenErrorCarriesTheSystemTextAndTheCOMPortsThatExist) {
  // The system's text, line end included, then the message's own; then the
  // hint with the COM ports the system lists.
  const std::string open_error = "Open error\\. [A-Za-z][^\n]*\\.\n\n";
  const std::string ports =
      "(serial devices here: COM[0-9]+(, COM[0-9]+)*|no serial devices found here)";
  testpty::Child c = Start({"-c", "199"}, false);
  EXPECT_EQ(End(c), 1);
  EXPECT_TRUE(std::regex_match(
      NoCr(c.err_text),
      std::regex(open_error + "padlink: port 199 is COM199, which does not exist; " + ports +
                 "; (use the number of one of them with -c|plug in the adapter and look up its "
                 "COM number in the Device Manager), see padlink\\(1\\)\n")))
      << c.err_text;
  testpty::Child zero = Start({"-c", "0"}, false);
  EXPECT_EQ(End(zero), 1);
  EXPECT_TRUE(std::regex_match(
      NoCr(zero.err_text),
      std::regex(open_error + "padlink: there is no port 0: port numbers run from 1 to 256; " +
                 ports + "; .*, see padlink\\(1\\)\n")))
      << zero.err_text;
  // "no such port", not a stale reason
  const auto first_line = [](const std::string& s) { return s.substr(0, s.find('\n')); };
  EXPECT_EQ(first_line(NoCr(zero.err_text)), first_line(NoCr(c.err_text)));
}

TEST_F(WineE2E, CableModeRunAgainstTheRobotWithKeysFromATerminal) {
  StartRobot(101);
  testpty::Child c = Start({"-c", "101", "-d", "-a", "3", "-t", "0"}, true);
  ASSERT_TRUE(testpty::WaitForLines(c, 4, 20000)) << c.out_text << c.err_text;
  testpty::WriteAll(console_.master, "5");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  5 (0x05)", kKeyWaitMs))
      << robot_.log();
  testpty::WriteAll(console_.master, "\x1b[1;5D");  // Ctrl+Left
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command 22 (0x16)", kKeyWaitMs))
      << robot_.log();
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  const std::string out = NoCr(c.out_text);
  EXPECT_THAT(out, StartsWith("AD3, ADsecond, SRAM, SRAMsecond\n"));
  // A whole sample line after the header, with no failed request.
  const std::vector<Sample> samples = testsamples::SamplesIn(out.substr(0, out.rfind('\n') + 1));
  EXPECT_TRUE(std::ranges::any_of(samples, [](const Sample& s) { return !s.Failed(); })) << out;
  EXPECT_THAT(robot_.log(), HasSubstr("line: 9600 baud"));
}

TEST_F(WineE2E, CharacterTheConsoleCodePageCannotHoldSendsNoCommand) {
  // With a UTF-8 terminal Wine's console uses code page 437, which has no č
  // (U+010D): the key must not arrive as its best-fit look-alike 'c'
  // (command 17) nor as any other command.
  StartRobot(103);
  extra_env_ = {"LANG=C.UTF-8"};
  testpty::Child c = Start({"-c", "103", "-d"}, true);
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "line: 9600 baud", 20000)) << robot_.log();
  testpty::WriteAll(console_.master, "\xc4\x8d");  // č in UTF-8
  testpty::WriteAll(console_.master, "1");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  1 (0x01)", kKeyWaitMs))
      << robot_.log();
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  const std::string log = robot_.log();
  EXPECT_EQ(log.find("command"), log.find("command  1 (0x01)")) << log;
}

// The key tester's Windows build beside padlink.exe: console key records
// named as padlink understands them.
TEST_F(WineE2E, KeyTesterNamesKeysFromATerminal) {
  const std::string keytest = exe_.substr(0, exe_.find_last_of('/') + 1) + "padlink-keytest.exe";
  if (access(keytest.c_str(), F_OK) != 0) GTEST_SKIP() << "no " << keytest;
  console_ = testpty::OpenPty(/*raw=*/false);
  testpty::ChildOptions o;
  o.argv = {runner_, keytest};
  o.env = {"TERM=xterm"};
  o.stdin_path = console_.slave_path;
  o.terminal = true;
  testpty::Child c = testpty::Spawn(o);
  ASSERT_TRUE(testpty::WaitForOutput(c, "S or Esc ends", 20000)) << c.err_text;
  testpty::WriteAll(console_.master, "\x1b[1;5D");  // Ctrl+Left
  ASSERT_TRUE(testpty::WaitForOutput(c, "command 22 (0x16)", kKeyWaitMs)) << c.out_text;
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  const std::string out = NoCr(c.out_text);
  EXPECT_TRUE(
      std::regex_search(out, std::regex("\nCtrl\\+Left +0x00 0x73 +command 22 \\(0x16\\)\n")))
      << out;
  EXPECT_TRUE(std::regex_search(out, std::regex("\nS +0x53 +quits\n"))) << out;
}

TEST_F(WineE2E, StrobeModeOnAPseudoTerminalReportsTheFailedStrobe) {
  StartRobot(102);
  testpty::Child c = Start({"-c", "102", "-a", "3"}, false);
  EXPECT_EQ(End(c), 1);
  EXPECT_EQ(NoCr(c.err_text),
            "CLRRTS error\nPeekAD3:CLRRTS error.\nCLRRTS error\nPeekSRAM:CLRRTS error.\n");
  EXPECT_THAT(NoCr(c.out_text), HasSubstr("\n-5, "));
}

TEST_F(WineE2E, RemotePortThroughWinsockToSer2net) {
  ASSERT_FALSE(testnet::Ser2netPath().empty()) << "ser2net is not installed";
  ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path()));
  testnet::Ser2net ser2net;
  ASSERT_TRUE(ser2net.Start(robot_.device())) << ser2net.error();
  testpty::Child c =
      Start({"-c", "103", "-d", "-a", "3", "-t", "0"}, true, {"PADLINK_PORT_103=" + ser2net.url()});
  ASSERT_TRUE(testpty::WaitForLines(c, 4, 20000)) << c.out_text << c.err_text;
  testpty::WriteAll(console_.master, "5");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  5 (0x05)", 10000)) << robot_.log();
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_EQ(c.err_text, "");
  // The values are the robot's.
  std::smatch m;
  const std::string log = robot_.log();
  ASSERT_TRUE(std::regex_search(log, m, std::regex(R"(PeekAD 3 -> (\d+))")));
  EXPECT_THAT(NoCr(c.out_text), HasSubstr("\n" + m[1].str() + ", "));
  EXPECT_THAT(robot_.log(), HasSubstr("line: 9600 baud"));
  // A port server that is not there: the system's reason.
  testpty::Child refused = Start(
      {"-c", "104", "-d"}, false,
      {"PADLINK_PORT_104=rfc2217://127.0.0.1:" + std::to_string(testnet::FreeLoopbackPort())});
  EXPECT_EQ(End(refused), 1);
  EXPECT_THAT(NoCr(refused.err_text), StartsWith("Open error. Cannot connect to the port server: "
                                                 "127.0.0.1:"));
}

// Ctrl+C, which Wine turns from the terminal's ^C into the console's Ctrl+C
// event: with a stop command the robot gets it once after the last
// command, and the run ends with the status of an interrupted console
// program (STATUS_CONTROL_C_EXIT, whose low byte Wine passes on), as without
// one. What Wine does not deliver is not tried: no terminal key gives
// Ctrl+Break, and GenerateConsoleCtrlEvent fails there (error 6) on a
// console that is a terminal; Wine ends a console program at once on
// SIGHUP, SIGTERM and SIGQUIT, without a console event.
TEST_F(WineE2E, CtrlCSendsTheStopCommandAndEndsAsItAlwaysDid) {
  for (bool stop : {false, true}) {
    robot_.Stop();
    links_.clear();
    StartRobot(105);
    std::vector<std::string> args = {"-c", "105", "-d"};
    if (stop) args.insert(args.end(), {"--stop", "5"});
    testpty::Child c = Start(args, true);
    ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "line: 9600 baud", 20000)) << robot_.log();
    testpty::WriteAll(console_.master, "7");
    ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  7 (0x07)", kKeyWaitMs))
        << robot_.log();
    ASSERT_EQ(robot_.Commands(), std::vector<int>{7});
    testpty::WriteAll(console_.master, "\x03");
    EXPECT_EQ(End(c), 0x3A) << stop << c.err_text;  // STATUS_CONTROL_C_EXIT's low byte
    EXPECT_EQ(c.err_text, "") << stop;
    const std::vector<int> want = stop ? std::vector<int>{7, 5} : std::vector<int>{7};
    for (int i = 0; i < 50 && robot_.Commands() != want; ++i)
      testpty::SleepMs(10);
    EXPECT_EQ(robot_.Commands(), want) << stop << "\n" << robot_.log();
  }
}

// The robot goes away while padlink.exe drives it without monitors (Wine
// answers "not ready" for a line that hung up, as some drivers do for an
// unplugged adapter): said once, a key reported and forgotten, and once the
// robot is back on the COM port's link, the stop command and the next key
// reach it.
TEST_F(WineE2E, ALostComPortComesBackWhenTheRobotIsStartedAgain) {
  StartRobot(106);
  testpty::Child c = Start({"-c", "106", "-d", "--stop", "5"}, true);
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "line: 9600 baud", 20000)) << robot_.log();
  testpty::WriteAll(console_.master, "7");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  7 (0x07)", kKeyWaitMs));
  robot_.Stop();
  ASSERT_TRUE(testpty::WaitForOutput(c, "is gone: ", 10000, true)) << c.err_text;
  testpty::WriteAll(console_.master, "8");
  ASSERT_TRUE(testpty::WaitForOutput(c, "CMD:Send error 0 bytes sent.", kKeyWaitMs, true));
  links_.clear();
  StartRobot(106);  // a new pseudo-terminal behind the same COM port
  ASSERT_TRUE(testpty::WaitForOutput(c, "is back", 10000, true)) << c.err_text;
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  5 (0x05)", kKeyWaitMs));
  testpty::WriteAll(console_.master, "9");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  9 (0x09)", kKeyWaitMs));
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_TRUE(std::regex_match(
      NoCr(c.err_text),
      std::regex("padlink: port 106 \\(\\\\\\\\\\.\\\\COM106\\) is gone: [^\n.]+; trying it again "
                 "every 0\\.5 s\nCMD:Send error 0 bytes sent\\.\npadlink: port 106 "
                 "\\(\\\\\\\\\\.\\\\COM106\\) is back\n")))
      << c.err_text;
  for (int i = 0; i < 50 && robot_.Commands().size() < 3; ++i)
    testpty::SleepMs(10);
  EXPECT_EQ(robot_.Commands(), (std::vector<int>{5, 9, 5}));
}

}  // namespace
