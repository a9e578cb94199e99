// The built padlink, end to end: its command line, its messages, its exit
// status, and its serial port on a pseudo-terminal.
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/padlink_run.h"
#include "tests/support/pty.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The usage text itself is checked in the unit tests.
const char kUsageStart[] = "Usage: padlink -c ComNo ";

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunPadlink(std::vector<std::string> args, const std::string& port_dir = "") {
  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN};
  o.argv.insert(o.argv.end(), args.begin(), args.end());
  if (!port_dir.empty()) o.env.push_back("PADLINK_PORT_DIR=" + port_dir);
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  EXPECT_TRUE(testpty::Wait(c, 10000, &status));
  return {testpty::ExitCode(status), c.out_text, c.err_text};
}

TEST(StartupE2E, WrongOptionsPrintTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-x"},
      {"-"},
      {"c3"},
      {"-d"},
      {"-c", "1", "-a", "8"},
      {"-c", "1", "-g", "5"},
      {"-c", "1", "-t"},
      {"-c", "4294967296"},
      {"-c", "1", "-t", "9999999"},
  };
  for (const auto& args : cases) {
    const Result r = RunPadlink(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, StartsWith(kUsageStart));
    EXPECT_EQ(r.out, "");
  }
}

TEST(StartupE2E, PortsThatDoNotExist) {
  const testpty::TempDir dir;
  for (const char* port : {"0", "3", "257"}) {
    const Result r = RunPadlink({"-c", port}, dir.path());
    EXPECT_EQ(r.code, 1) << port;
    EXPECT_EQ(r.err, "Open error. No such file or directory\n") << port;
    EXPECT_EQ(r.out, "");
  }
  dir.LinkPort(2, "/dev/null");
  const Result r = RunPadlink({"-c", "2"}, dir.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_THAT(r.err, StartsWith("Open error. Not a serial device"));
}

TEST(StartupE2E, PortHeldByAnotherProgramIsReported) {
  const testpty::TempDir dir;
  testpty::Pty pty = testpty::OpenPty();
  dir.LinkPort(1, pty.slave_path);
  const int other = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  const Result r = RunPadlink({"-c", "1", "-d"}, dir.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Open error. Port is in use by another program\n");
  close(other);
  testpty::ClosePty(pty);
}

using PortE2E = PadlinkRun;

TEST_F(PortE2E, ConfiguresThePortInBothLinkModesAndReleasesItOnQuit) {
  for (const char* mode : {"-d", "-c1"}) {
    testpty::Child c = Start({"-c", "1", mode});
    ASSERT_TRUE(WaitForConfiguredPort()) << mode;
    termios t{};
    tcgetattr(port_.master, &t);
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8)) << mode;
    testpty::WriteAll(console_.master, "S");
    int status = 0;
    ASSERT_TRUE(testpty::Wait(c, 5000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 0) << mode << c.err_text;
    EXPECT_TRUE(PortIsFree()) << mode;
    // Back to another speed, so the next round sees its own configuration.
    cfsetspeed(&t, B38400);
    tcsetattr(port_.master, TCSANOW, &t);
  }
}

}  // namespace
