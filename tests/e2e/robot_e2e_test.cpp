// padlink against the simulated robot: monitor lines while the keys keep
// driving, and every fault the robot can show.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"
#include "tests/support/sample_lines.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class RobotE2E : public ::testing::Test {
 protected:
  void TearDown() override {
    StopRobot();
    testpty::ClosePty(console_);
  }

  void StartRobot(std::vector<std::string> args = {}) {
    ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path(), args)) << robot_.child().err_text;
  }
  void StopRobot() { robot_.Stop(); }

  testpty::Child StartPadlink(std::vector<std::string> args) {
    console_ = testpty::OpenPty(/*raw=*/false);
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    return testpty::Spawn(o);
  }

  // Runs padlink until it ends by itself; its exit code.
  int RunToEnd(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 15000, &status));
    return testpty::ExitCode(status);
  }

  testpty::TempDir dir_;
  testpty::Pty console_;
  testpty::Robot robot_;
};

TEST_F(RobotE2E, CableModeMonitorsPrintLinesWhileKeysDriveTheRobot) {
  StartRobot();
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3", "-g", "2", "-t", "0"});
  // Lines reach the pipe while the run goes on.
  ASSERT_TRUE(testpty::WaitForOutput(c, "GYRO2, GYROsecond, SRAM, SRAMsecond\n", 5000));
  ASSERT_TRUE(testpty::WaitForLines(c, 8, 5000)) << c.out_text;
  testpty::WriteAll(console_.master, "5");
  ASSERT_TRUE(testpty::WaitForOutput(robot_.child(), "command  5 (0x05)", 5000)) << robot_.log();
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(RunToEnd(c), 0) << c.err_text;
  EXPECT_EQ(c.err_text, "");

  const auto lines = testpty::Lines(c.out_text);
  EXPECT_EQ(lines[0], "AD3, ADsecond, SRAM, SRAMsecond");
  EXPECT_EQ(lines[2], "GYRO2, GYROsecond, SRAM, SRAMsecond");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (i == 2) continue;
    EXPECT_TRUE(testsamples::IsSampleLine(lines[i])) << lines[i];
  }
  // The values are what the robot sent, in order: A/D then gyro each pass.
  std::smatch m;
  const std::string log = robot_.log();
  ASSERT_TRUE(std::regex_search(log, m, std::regex(R"(PeekAD 3 -> (\d+))")));
  EXPECT_THAT(lines[1], StartsWith(m[1].str() + ", "));
  ASSERT_TRUE(std::regex_search(log, m, std::regex(R"(PeekSRAM 49,5 -> (\d+))")));
  EXPECT_THAT(lines[3], StartsWith(m[1].str() + ", "));
  EXPECT_THAT(log, HasSubstr("line: 9600 baud, 8 data bits, no parity, 1 stop bit"));
}

struct FaultCase {
  const char* fault;
  const char* err;  // padlink's standard error
  const char* line_start;
};

TEST_F(RobotE2E, EachFaultEndsTheRunWithItsMessage) {
  const FaultCase cases[] = {
      {"silent", "PeekAD3:Echoeback timeout.\nPeekSRAM:Echoeback timeout.\n", "-3, "},
      {"short", "PeekAD3:Echoeback timeout.\nPeekSRAM:Echoeback timeout.\n", "-3, "},
      {"bad-echo", "PeekAD3:Echoeback unmatch.\nPeekSRAM:Echoeback unmatch.\n", "-2, "},
      // Later than the final read waits.
      {"late:1300", "PeekAD3:Echoeback timeout.\n", "-3, "},
  };
  for (const FaultCase& f : cases) {
    StartRobot({"--fault", f.fault});
    testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3"});
    EXPECT_EQ(RunToEnd(c), 1) << f.fault;
    EXPECT_THAT(c.err_text, StartsWith(f.err)) << f.fault;
    const auto lines = testpty::Lines(c.out_text);
    ASSERT_EQ(lines.size(), 2u) << f.fault << c.out_text;
    EXPECT_EQ(lines[0], "AD3, ADsecond, SRAM, SRAMsecond");
    EXPECT_THAT(lines[1], StartsWith(f.line_start)) << f.fault;
    EXPECT_TRUE(testsamples::IsSampleLine(lines[1])) << lines[1];
    StopRobot();
    testpty::ClosePty(console_);
  }
}

TEST_F(RobotE2E, LateEchoInCableModeStillCompletes) {
  StartRobot({"--fault", "late:100"});
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-g", "1", "-t", "0"});
  EXPECT_TRUE(testpty::WaitForLines(c, 3, 5000));
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(RunToEnd(c), 0);
  const auto lines = testpty::Lines(c.out_text);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_TRUE(testsamples::IsSampleLine(lines[1]));
  EXPECT_THAT(lines[1], ::testing::Not(StartsWith("-")));
}

TEST_F(RobotE2E, StrobeModeOnALineWithoutRtsReportsTheFailedStrobe) {
  StartRobot();
  testpty::Child c = StartPadlink({"-c", "1", "-a", "3"});
  EXPECT_EQ(RunToEnd(c), 1);
  EXPECT_EQ(c.err_text,
            "CLRRTS error\nPeekAD3:CLRRTS error.\nCLRRTS error\nPeekSRAM:CLRRTS error.\n");
  const auto lines = testpty::Lines(c.out_text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[1], StartsWith("-5, "));
  EXPECT_THAT(lines[1], HasSubstr(", -5, "));
}

TEST_F(RobotE2E, RobotRemovesItsPortLinkWhenStopped) {
  StartRobot();
  const std::string link = dir_.path() + "/com1";
  struct stat st {};
  EXPECT_EQ(lstat(link.c_str(), &st), 0);
  StopRobot();
  EXPECT_NE(lstat(link.c_str(), &st), 0);
}

// The examples' --port-dir /tmp/ports on a machine where it does not exist
// yet: the robot makes the directory and its parents, padlink finds the port
// there, and the directories the robot made go with it (a directory that
// was there before stays).
TEST_F(RobotE2E, RobotCreatesTheMissingPortDirectoryAndRemovesWhatItMade) {
  const std::string made = dir_.path() + "/made";
  const std::string ports = made + "/ports";
  ASSERT_TRUE(robot_.Start(ROBOT_BIN, ports)) << robot_.child().err_text;
  EXPECT_EQ(robot_.device().rfind("/dev/pts/", 0), 0u) << robot_.device();
  console_ = testpty::OpenPty(/*raw=*/false);
  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN, "-c", "1", "-d", "-a", "3"};
  o.env = {"PADLINK_PORT_DIR=" + ports};
  o.stdin_path = console_.slave_path;
  o.terminal = true;
  testpty::Child c = testpty::Spawn(o);
  ASSERT_TRUE(testpty::WaitForLines(c, 2, 5000)) << c.err_text;
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(RunToEnd(c), 0) << c.err_text;
  StopRobot();
  struct stat st {};
  EXPECT_NE(lstat(made.c_str(), &st), 0) << made << " is left behind";
  EXPECT_EQ(lstat(dir_.path().c_str(), &st), 0);

  // A path through a file cannot be made: the reason, and status 1.
  const std::string file = dir_.path() + "/file";
  close(open(file.c_str(), O_CREAT | O_WRONLY, 0644));
  testpty::ChildOptions bad;
  bad.argv = {ROBOT_BIN, "--port-dir", file + "/ports"};
  testpty::Child r = testpty::Spawn(bad);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(r, 5000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 1);
  EXPECT_EQ(r.err_text, "padlink-robot: " + file + "/ports: Not a directory\n");
}

// The robot started with its standard output closed: its pseudo-terminal
// does not take the free number, so its log does not reach padlink as
// bytes from the robot, and the samples come whole.
TEST_F(RobotE2E, ARobotWithoutStandardOutputKeepsItsLogOffTheLine) {
  testpty::ChildOptions o;
  o.argv = {ROBOT_BIN, "--port-dir", dir_.path()};
  o.closed_fd = 1;
  testpty::Child robot = testpty::Spawn(o);
  struct stat st {};
  for (int i = 0; i < 500 && lstat((dir_.path() + "/com1").c_str(), &st) != 0; ++i)
    testpty::SleepMs(10);
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3", "-t", "0"});
  EXPECT_TRUE(testpty::WaitForLines(c, 6, 5000)) << c.out_text << c.err_text;
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(RunToEnd(c), 0);
  EXPECT_EQ(c.err_text, "");
  kill(robot.pid, SIGTERM);
  int status = 0;
  EXPECT_TRUE(testpty::Wait(robot, 5000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0) << robot.err_text;
}

TEST(RobotOptions, HelpListsEveryOptionAndWrongOptionsPrintTheUsage) {
  testpty::ChildOptions o;
  o.argv = {ROBOT_BIN, "--help"};
  testpty::Child help = testpty::Spawn(o);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(help, 5000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0);
  EXPECT_EQ(help.err_text, "");
  EXPECT_THAT(help.out_text, StartsWith("usage: padlink-robot "));
  // Each option, and each fault mode, at the start of a line of its own.
  for (const char* option : {"--port N", "--port-dir DIR", "--device PATH", "--fault MODE",
                             "silent", "bad-echo", "late:MS", "short", "--quiet", "--help"})
    EXPECT_TRUE(std::regex_search(help.out_text, std::regex(std::string("\n +") + option + " ")))
        << option;

  for (std::vector<std::string> args : {std::vector<std::string>{"--bogus"},
                                        {"--port", "0"},
                                        {"--port", "257"},
                                        {"--fault", "loud"},
                                        {"--port"}}) {
    o.argv = {ROBOT_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    testpty::Child bad = testpty::Spawn(o);
    ASSERT_TRUE(testpty::Wait(bad, 5000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 2) << args[0];
    EXPECT_THAT(bad.err_text, StartsWith("usage: padlink-robot ")) << args[0];
    EXPECT_EQ(bad.out_text, "") << args[0];
  }
}

}  // namespace
