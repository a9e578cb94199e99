// The built padlink, end to end: its command line, its messages, its exit
// status, and its serial port on a pseudo-terminal.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/padlink_run.h"
#include "tests/support/pty.h"
#include "tests/support/ser2net.h"

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

// Asked for, the help and the version go to standard output with status 0
// (a pipe into a pager or grep gets them); a bad value of a long option is
// named on standard error.
TEST(StartupE2E, HelpAndVersionOnStandardOutputBadValuesNamed) {
  for (const char* ask : {"--help", "-h"}) {
    const Result r = RunPadlink({"-c", "1", ask});
    EXPECT_EQ(r.code, 0) << ask;
    EXPECT_THAT(r.out, StartsWith(kUsageStart)) << ask;
    EXPECT_THAT(r.out, HasSubstr("--stop N")) << ask;
    EXPECT_THAT(r.out, HasSubstr("padlink(1)")) << ask;
    EXPECT_EQ(r.err, "") << ask;
  }
  const Result version = RunPadlink({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("padlink [0-9]+\\.[0-9]+\n"));
  EXPECT_EQ(version.err, "");
  const Result bad = RunPadlink({"-c", "1", "--stop", "0"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err, "padlink: --stop must be a command from 1 to 32, not \"0\"\n");
  EXPECT_EQ(bad.out, "");
}

// Text for a regular expression that matches it literally.
std::string Literal(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// Standard error of a port that would not open: the open error exactly as it
// always was, then the hint, whose list of devices depends on the machine.
void ExpectOpenErrorAndHint(const std::string& err, const std::string& open_error,
                            const std::string& head, const std::string& advice) {
  const std::string::size_type end = err.find('\n');
  ASSERT_NE(end, std::string::npos) << err;
  EXPECT_EQ(err.substr(0, end + 1), open_error);
  const std::string hint = err.substr(end + 1);
  const std::regex expected(Literal(head) +
                            "; (serial devices here: [^;\n]+|no serial devices found here); " +
                            Literal(advice) + ", see padlink\\(1\\)\n");
  EXPECT_TRUE(std::regex_match(hint, expected)) << hint;
}

TEST(StartupE2E, PortsThatDoNotExist) {
  const testpty::TempDir dir;
  const std::string& d = dir.path();
  dir.LinkPort(2, "/dev/null");
  dir.LinkPort(4, d + "/ttyUSB9");
  dir.LinkPort(5, "com5");  // a loop
  dir.LinkPort(6, "com7");
  dir.LinkPort(7, "com6");
  struct Case {
    const char* port;
    std::string open_error;
    std::string head;
    std::string advice;
  };
  const std::string kNoSuchFile = "Open error. No such file or directory\n";
  const Case cases[] = {
      {"0", kNoSuchFile, "padlink: there is no port 0: port numbers run from 1 to 256",
       "map a port number with PADLINK_PORT_DIR"},
      {"257", kNoSuchFile, "padlink: there is no port 257: port numbers run from 1 to 256",
       "map a port number with PADLINK_PORT_DIR"},
      {"3", kNoSuchFile, "padlink: port 3 is " + d + "/com3, which does not exist",
       "make " + d + "/com3 a link to one of them"},
      {"4", kNoSuchFile,
       "padlink: port 4 is " + d + "/com4 -> " + d + "/ttyUSB9, which does not exist",
       "make " + d + "/com4 a link to one of them"},
      {"2", "Open error. Not a serial device (the path is not a terminal device)\n",
       "padlink: port 2 is " + d + "/com2 -> /dev/null, which is not a serial device",
       "make " + d + "/com2 a link to one of them"},
      {"5", "Open error. Too many levels of symbolic links\n",
       "padlink: port 5 is " + d + "/com5 -> com5, a link that leads back to itself",
       "make " + d + "/com5 a link to one of them"},
      {"6", "Open error. Too many levels of symbolic links\n",
       "padlink: port 6 is " + d + "/com6 -> com7, a link that leads back to itself",
       "make " + d + "/com6 a link to one of them"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    const Result r = RunPadlink({"-c", c.port}, d);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    std::string advice = c.advice;
    // Without any serial device on the machine the advice says so.
    if (r.err.find("no serial devices found here") != std::string::npos)
      advice = std::regex_replace(advice, std::regex("one of them$"), "your serial device");
    ExpectOpenErrorAndHint(r.err, c.open_error, c.head, advice);
  }
}

// PADLINK_PORT_DIR naming a file: no link could be made there.
TEST(StartupE2E, APortDirectoryThatIsAFile) {
  const testpty::TempDir dir;
  const std::string file = dir.path() + "/ports";
  std::fclose(std::fopen(file.c_str(), "w"));
  const Result r = RunPadlink({"-c", "1"}, file);
  EXPECT_EQ(r.code, 1);
  ExpectOpenErrorAndHint(
      r.err, "Open error. Not a directory\n",
      "padlink: port 1 is " + file +
          "/com1, but PADLINK_PORT_DIR names no "
          "directory",
      "set PADLINK_PORT_DIR to a directory of links comN to your serial devices");
}

// A URL with blanks around it, in the variable or as a link's target, is
// the URL; a variable that holds no URL is named as what is wrong.
TEST(StartupE2E, PortUrlsWithBlanksAndVariablesWithoutAUrl) {
  const testpty::TempDir dir;
  const std::string url = "rfc2217://127.0.0.1:" + std::to_string(testnet::FreeLoopbackPort());
  dir.LinkPort(2, " " + url + "\n");
  const auto refused = [&](int port) {
    return "Open error. Cannot connect to the port server: " + url.substr(10) +
           ": Connection refused\npadlink: port " + std::to_string(port) + " is " + url +
           ", a serial port on another computer; check that its port server runs, serves that "
           "port and is not in use by another client, see padlink(1)\n";
  };
  struct Case {
    const char* port;
    std::string variable;  // PADLINK_PORT_<port>, or none when empty
    std::string err;
  };
  const Case cases[] = {
      {"1", " " + url + " \t", refused(1)},
      {"2", "", refused(2)},
      {"1", "lab-pi:2217",
       "Open error. The port's address is not a valid URL (rfc2217://host:port): PADLINK_PORT_1 "
       "holds \"lab-pi:2217\"\npadlink: port 1 is named by PADLINK_PORT_1, which holds no URL; "
       "set it to the port's URL, rfc2217://host:port, or remove it to use the port's device, "
       "see padlink(1)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variable);
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN, "-c", c.port, "-d"};
    o.env = {"PADLINK_PORT_DIR=" + dir.path()};
    if (!c.variable.empty())
      o.env.push_back(std::string("PADLINK_PORT_") + c.port + "=" + c.variable);
    testpty::Child child = testpty::Spawn(o);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(child, 10000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 1);
    EXPECT_EQ(child.err_text, c.err);
  }
}

TEST(StartupE2E, WithoutAPortDirectoryPortNIsTtySNMinus1) {
  if (access("/dev/ttyS199", F_OK) == 0) GTEST_SKIP() << "this machine has a /dev/ttyS199";
  testpty::ChildOptions o;
  o.argv = {"/usr/bin/env", "-u", "PADLINK_PORT_DIR", PADLINK_BIN, "-c", "200"};
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(c, 10000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 1);
  ExpectOpenErrorAndHint(c.err_text, "Open error. No such file or directory\n",
                         "padlink: port 200 is /dev/ttyS199, which does not exist",
                         "map a port number with PADLINK_PORT_DIR");
}

TEST(StartupE2E, PortHeldByAnotherProgramIsReported) {
  const testpty::TempDir dir;
  testpty::Pty pty = testpty::OpenPty();
  dir.LinkPort(1, pty.slave_path);
  const int other = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  const Result r = RunPadlink({"-c", "1", "-d"}, dir.path());
  EXPECT_EQ(r.code, 1);
  ExpectOpenErrorAndHint(r.err, "Open error. Port is in use by another program\n",
                         "padlink: port 1 is " + dir.path() + "/com1 -> " + pty.slave_path +
                             ", which another program is using",
                         "end the other program, or choose another port");
  // The device it is lists itself as port 1.
  EXPECT_THAT(r.err, HasSubstr(pty.slave_path + " as port 1"));
  close(other);
  testpty::ClosePty(pty);
}

// A device the user may not open. As root (which no permission stops) the
// run drops to the unprivileged user "nobody", outside the device's group.
TEST(StartupE2E, PortWithoutPermissionNamesTheGroupThatMayUseIt) {
  const testpty::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  testpty::Pty pty = testpty::OpenPty();
  dir.LinkPort(1, pty.slave_path);
  const bool root = geteuid() == 0;
  const group* dialout = getgrnam("dialout");
  const gid_t device_group = dialout ? dialout->gr_gid : getegid();
  const std::string group_name = dialout ? "dialout" : getgrgid(device_group)->gr_name;
  if (root) {
    ASSERT_EQ(chown(pty.slave_path.c_str(), 0, device_group), 0);
  }
  struct Case {
    mode_t mode;
    std::string head_end;
    std::string advice;
  };
  std::vector<Case> cases = {
      {0600, ", which you may not open", "ask for read and write access to " + pty.slave_path}};
  if (root)
    cases.push_back({0660, ", which belongs to group " + group_name,
                     "add your user to group " + group_name + " (sudo usermod -aG " + group_name +
                         " $USER) and log in again"});
  else
    cases[0].mode = 0;  // even its owner may not
  // The program, where the user "nobody" may run it.
  const std::string exe = dir.path() + "/padlink";
  std::filesystem::copy_file(PADLINK_BIN, exe);
  chmod(exe.c_str(), 0755);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(chmod(pty.slave_path.c_str(), c.mode), 0);
    testpty::ChildOptions o;
    o.argv = {exe, "-c", "1", "-d"};
    o.env = {"PADLINK_PORT_DIR=" + dir.path()};
    o.unprivileged = true;
    testpty::Child child = testpty::Spawn(o);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(child, 10000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 1);
    ExpectOpenErrorAndHint(
        child.err_text, "Open error. Permission denied\n",
        "padlink: port 1 is " + dir.path() + "/com1 -> " + pty.slave_path + c.head_end, c.advice);
  }
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
