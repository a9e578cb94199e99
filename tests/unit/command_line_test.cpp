#include "app/command_line.h"
#include "app/start_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/timing_request.h"
#include "tests/support/command_line_cases.h"
#include "tests/support/fake_fixture.h"
#include "tests/support/fake_robot.h"

namespace {}  // namespace

// Readable settings in failure messages.
void PrintTo(const RunSettings& s, std::ostream* os) {
  *os << "{port " << s.port << (s.mode == LinkMode::kCable ? ", cable" : ", strobe") << ", a "
      << s.ad_channel << ", g " << s.gyro << ", t " << s.interval_ms << " ms, stop "
      << s.stop_command.value_or(-1) << ", hold " << s.hold_ms.value_or(-1) << "}";
}

namespace command_line {
void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "{request " << static_cast<int>(o.request) << ", ";
  ::PrintTo(o.settings, os);
  *os << ", option \"" << o.option << "\" value " << (o.value ? "\"" + *o.value + "\"" : "none")
      << "}";
}
}  // namespace command_line

namespace {

class ParseTest : public ::testing::TestWithParam<command_line::Case> {};

TEST_P(ParseTest, ReadsTheOptions) {
  const command_line::Case& c = GetParam();
  std::vector<const char*> argv{"padlink"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(command_line::OutcomeOf(line), command_line::OutcomeOf(c));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseTest, ::testing::ValuesIn(command_line::Cases()));

TEST(CommandLineModel, AgreesWithEveryCase) {
  for (const command_line::Case& c : command_line::Cases()) {
    EXPECT_EQ(command_line::Model({c.args.begin(), c.args.end()}), command_line::OutcomeOf(c))
        << c.args.size();
  }
}

using StartUpTest = FakeTest;

std::string Usage() {
  return "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
         "\t-c ComNo\tSerial Port No. of PC\n"
         "\t-d\t\tCommunication via Cable\n"
         "\t-a SensorNo\tA/D Port No.(0-7) of ROBOT\n"
         "\t-g GyroNo\tGyro No.(1-4) of ROBOT\n"
         "\t-t Interval\tMonitoring interval by Second(s)\n"
         "\t\t= padlink robot remote control v1.7 =\n";
}

// Runs start-up with these arguments; returns the exit status and stderr.
std::pair<int, std::string> RunStartUp(std::vector<const char*> args) {
  args.insert(args.begin(), "padlink");
  ::testing::internal::CaptureStderr();
  const int status = StartUp(static_cast<int>(args.size()), args.data());
  return {status, ::testing::internal::GetCapturedStderr()};
}

TEST_F(StartUpTest, BadOptionsPrintTheUsageAndTouchNoPort) {
  const auto [status, err] = RunStartUp({"-c", "1", "-a", "8"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, Usage());
  EXPECT_TRUE(fake::Get().log.empty());
  EXPECT_EQ(fake::Get().timing_requests, 0);
}

// Runs start-up with these arguments; returns the exit status, stdout and
// stderr.
struct Printed {
  int status;
  std::string out, err;
};
Printed RunStartUpPrinting(std::vector<const char*> args) {
  args.insert(args.begin(), "padlink");
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const int status = StartUp(static_cast<int>(args.size()), args.data());
  std::fflush(stdout);
  std::string out = ::testing::internal::GetCapturedStdout();
  return {status, out, ::testing::internal::GetCapturedStderr()};
}

// Help and the version on standard output with status 0; a bad value of a
// long option named as the variables' are; the rest keeps the usage text.
// None of them touches the console or a port.
TEST_F(StartUpTest, HelpVersionAndBadValuesSayWhatTheyShould) {
  struct Case {
    std::vector<const char*> args;
    int status;
    std::string out, err;
  };
  const std::string version = "padlink 1.7\n";
  const Case cases[] = {
      {{"--version"}, 0, version, ""},
      {{"-c", "1", "--stop", "0"},
       1,
       "",
       "padlink: --stop must be a command from 1 to 32, not \"0\"\n"},
      {{"-c", "1", "--hold=1s"},
       1,
       "",
       "padlink: --hold must be milliseconds from 0 to 60000, not \"1s\"\n"},
      {{"-c", "1", "--stop"},
       1,
       "",
       "padlink: --stop needs a value: it must be a command from 1 to 32\n"},
      {{"-c", "1", "-x"}, 1, "", Usage()},
      {{"--stopp=5", "-c", "1"}, 1, "", Usage()},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    const Printed p = RunStartUpPrinting(c.args);
    EXPECT_EQ(p.status, c.status) << c.err;
    EXPECT_EQ(p.out, c.out);
    EXPECT_EQ(p.err, c.err);
    EXPECT_TRUE(fake::Get().log.empty());
    EXPECT_EQ(fake::Get().started_after_calls, -1);
  }
  // The help names every option, short and long, every variable and the
  // manual, and begins with the usage line of both long options.
  for (const char* ask : {"--help", "-h"}) {
    const fake::Platform fresh;
    const Printed p = RunStartUpPrinting({ask});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.out.rfind("Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
                          "               [--stop N] [--hold MS]\n",
                          0),
              0u)
        << p.out;
    for (const char* word :
         {"-c ComNo", "-d ", "-a SensorNo", "-g GyroNo", "-t Interval", "--stop N", "--hold MS",
          "-h, --help", "--version", "PADLINK_PORT_DIR", "PADLINK_PORT_<n>", "PADLINK_STOP",
          "PADLINK_HOLD", "PADLINK_REALTIME", "padlink(1)"})
      EXPECT_THAT(p.out, ::testing::HasSubstr(word));
    EXPECT_TRUE(fake::Get().log.empty());
  }
}

// What the fake platform tells of a port that would not open.
void DescribeMissingPort(const char* device) {
  PortDescription& d = fake::Get().description;
  d.naming = PortNaming::kPortDir;
  std::strcpy(d.device, device);
  d.problem = PortProblem::kMissing;
  d.count = 1;
  std::strcpy(d.devices[0].name, "/dev/ttyUSB0");
  d.devices[0].port = 1;
}

TEST_F(StartUpTest, OpenFailureReportsTheOpenErrorAndThenWhatThePortIs) {
  fake::Refuse(fake::Call::kOpen, 5);
  DescribeMissingPort("/p/com3");
  const auto [status, err] = RunStartUp({"-c", "3"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "Open error. error 5\n"
            "padlink: port 3 is /p/com3, which does not exist; serial devices here: /dev/ttyUSB0 "
            "as port 1; make /p/com3 a link to one of them, see padlink(1)\n");
  // Described with the error of the open, not one left by later calls.
  EXPECT_EQ(fake::Get().described_port, 3);
  EXPECT_EQ(fake::Get().described_error, 5);
  EXPECT_EQ(fake::Get().timing_requests, 0);
}

TEST_F(StartUpTest, PortOutsideTheTableReportsANonexistentPortNotAStaleError) {
  for (const char* port : {"0", "257"}) {
    const fake::Platform fresh;
    const auto [status, err] = RunStartUp({"-c", port});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Open error. error 2\npadlink: there is no port " + std::string(port) +
                       ": port numbers run from 1 to 256; no serial devices found here; map a "
                       "port number with PADLINK_PORT_DIR, see padlink(1)\n")
        << port;
    EXPECT_EQ(fake::Get().described_error, 2);
    EXPECT_TRUE(fake::Get().log.empty());
  }
}

TEST_F(StartUpTest, ConfigFailureReportsAndClosesThePort) {
  // The open's own settings write succeeds; the link mode's is refused.
  fake::Refuse(fake::Call::kConfigure, 31, 1);
  const auto [status, err] = RunStartUp({"-c", "4", "-d"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Config error. error 31\n");
  EXPECT_EQ(fake::Count(fake::Call::kClose), 1);
  EXPECT_EQ(fake::Get().timing_requests, 0);
}

TEST_F(StartUpTest, TakesTheConsoleSettingsBeforeThePortCanTouchThem) {
  // A port can be the console itself; what is restored at the end must be
  // the console as it was before anything was opened.
  fake::PressKey(0, 27);
  ::testing::internal::CaptureStderr();
  const char* argv[] = {"padlink", "-c", "2", "-d"};
  EXPECT_EQ(StartUp(4, argv), 0);
  ::testing::internal::GetCapturedStderr();
  ASSERT_GT(fake::Count(fake::Call::kOpen), 0);
  EXPECT_EQ(fake::Get().started_after_calls, 0);
}

TEST_F(StartUpTest, AppliesTheSettingsWordOfTheLinkMode) {
  struct Case {
    const char* mode_option;
    LineControl rts;
  };
  for (const Case& c : {Case{"-d", LineControl::kOff}, Case{"-c2", LineControl::kOn}}) {
    const fake::Platform fresh;
    fake::PressKey(0, 27);  // Esc ends the run once start-up is done
    ::testing::internal::CaptureStderr();
    const char* argv[] = {"padlink", "-c", "2", c.mode_option};
    EXPECT_EQ(StartUp(4, argv), 0);
    ::testing::internal::GetCapturedStderr();
    const auto sets = fake::Calls(fake::Call::kConfigure);
    ASSERT_EQ(sets.size(), 2u);
    LineConfig expected;  // 9600 8N1, no flow control
    expected.dtr = LineControl::kOff;
    expected.rts = c.rts;
    EXPECT_EQ(sets[1].config, expected) << c.mode_option;
    // Once, for the run, when the port is ready: after the link mode's
    // settings and before the first pass.
    EXPECT_EQ(fake::Get().timing_requests, 1);
    const auto& log = fake::Get().log;
    const std::size_t at = fake::Get().log_size_at_timing_request;
    ASSERT_GE(at, 1u);
    EXPECT_EQ(log[at - 1].call, fake::Call::kConfigure);  // the link mode's word
    EXPECT_EQ(fake::Get().keyboards_opened, 1);
  }
}

// PADLINK_STOP and PADLINK_HOLD where the command line gave nothing: the
// option wins, an empty value counts as unset, a bad value is named.
TEST(EnvironmentTest, AddsWhatTheCommandLineLeftOpen) {
  struct Case {
    const char* stop;
    const char* hold;
    std::optional<std::int32_t> option_stop;
    bool ok;
    std::optional<std::int32_t> stop_command;
    std::optional<std::int32_t> hold_ms;
    const char* bad;
  };
  const Case cases[] = {
      {nullptr, nullptr, {}, true, {}, {}, nullptr},
      {"5", nullptr, {}, true, 5, {}, nullptr},
      {"5", "700", {}, true, 5, 700, nullptr},
      {"5", nullptr, 9, true, 9, {}, nullptr},  // the option wins
      {"x", nullptr, 9, true, 9, {}, nullptr},  // and the variable is not read
      {"", "", {}, true, {}, {}, nullptr},      // empty: unset
      {"33", nullptr, {}, false, {}, {}, "PADLINK_STOP"},
      {"0", nullptr, {}, false, {}, {}, "PADLINK_STOP"},
      {"5 ", nullptr, {}, false, {}, {}, "PADLINK_STOP"},
      {"5", "60001", {}, false, 5, {}, "PADLINK_HOLD"},
      {"5", "-1", {}, false, 5, {}, "PADLINK_HOLD"},
  };
  for (const Case& c : cases) {
    RunSettings s{.port = 1, .stop_command = c.option_stop};
    const char* bad = nullptr;
    EXPECT_EQ(ApplyEnvironment(c.stop, c.hold, &s, &bad), c.ok) << c.stop << c.hold;
    EXPECT_EQ(s.stop_command, c.stop_command) << c.stop;
    EXPECT_EQ(s.hold_ms, c.hold_ms) << c.hold;
    EXPECT_STREQ(bad, c.bad);
  }
}

// A bad variable, or a hold time without a stop command, ends start-up with
// a message of its own before anything is opened.
TEST_F(StartUpTest, BadStopSettingsAreNamedAndTouchNoPort) {
  struct Case {
    std::vector<const char*> args;
    const char* stop;
    const char* hold;
    const char* message;
  };
  const Case cases[] = {
      {{"-c", "1"},
       "40",
       nullptr,
       "padlink: PADLINK_STOP must be a command from 1 to 32, not \"40\"\n"},
      {{"-c", "1", "--stop", "5"},
       nullptr,
       "soon",
       "padlink: PADLINK_HOLD must be milliseconds from 0 to 60000, not \"soon\"\n"},
      {{"-c", "1", "--hold", "700"},
       nullptr,
       nullptr,
       "padlink: a hold time needs a stop command (--stop N or PADLINK_STOP=N)\n"},
      {{"-c", "1"},
       nullptr,
       "700",
       "padlink: a hold time needs a stop command (--stop N or PADLINK_STOP=N)\n"},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    SetVariable("PADLINK_STOP", c.stop);
    SetVariable("PADLINK_HOLD", c.hold);
    const auto [status, err] = RunStartUp(c.args);
    SetVariable("PADLINK_STOP", nullptr);
    SetVariable("PADLINK_HOLD", nullptr);
    EXPECT_EQ(status, 1) << c.message;
    EXPECT_EQ(err, c.message);
    EXPECT_TRUE(fake::Get().log.empty()) << c.message;
    EXPECT_EQ(fake::Get().started_after_calls, -1) << c.message;
  }
}

// PADLINK_REALTIME: the words for on and off in any case and with blanks
// around them; any other value is named, and the priority is asked for as
// without the variable.
TEST_F(StartUpTest, AnUnknownRealtimeValueIsSaidToBeUnknown) {
  struct Case {
    const char* value;  // null: unset
    TimingWish wish;
  };
  const Case cases[] = {
      {nullptr, TimingWish::kYes},  {"", TimingWish::kYes},      {"1", TimingWish::kYes},
      {"Yes", TimingWish::kYes},    {"ON", TimingWish::kYes},    {"true", TimingWish::kYes},
      {"0", TimingWish::kNo},       {" 0", TimingWish::kNo},     {"no", TimingWish::kNo},
      {"Off\n", TimingWish::kNo},   {"FALSE", TimingWish::kNo},  {"abc", TimingWish::kUnknown},
      {"00", TimingWish::kUnknown}, {"o", TimingWish::kUnknown}, {"0 1", TimingWish::kUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    EXPECT_EQ(TimingWishOf(c.value), c.wish);
    EXPECT_EQ(TimingRequestWanted(c.value), c.wish != TimingWish::kNo);
  }
  SetVariable("PADLINK_REALTIME", "abc");
  fake::PressKey(0, 27);
  const auto [status, err] = RunStartUp({"-c", "2", "-d"});
  SetVariable("PADLINK_REALTIME", nullptr);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err,
            "padlink: PADLINK_REALTIME=\"abc\" is not known (0, no, off or false turn the raised "
            "priority off; 1, yes, on or true keep it): the priority is raised\n");
  EXPECT_EQ(fake::Get().timing_requests, 1);
}

// Standard input that ends on a run without monitors is said once to bring
// no more keys (with monitors the samples show the run goes on); a port
// number of the system's own naming that opened says where it led when
// other serial devices exist.
TEST_F(StartUpTest, SaysWhenNoMoreKeysComeAndWhereTheSystemsNamingLed) {
  const std::string ended =
      "padlink: standard input has ended, so no more keys can come; padlink runs on until a "
      "signal ends it (Ctrl+C, or kill)\n";
  const std::string ttys0 =
      "padlink: port 1 is /dev/ttyS0; serial devices here: /dev/ttyS0 as port 1, /dev/ttyUSB0; "
      "map a port number with PADLINK_PORT_DIR, see padlink(1)\n";
  struct Case {
    bool input_ends;
    std::vector<const char*> args;
    PortNaming naming;
    int devices;  // /dev/ttyS0, then /dev/ttyUSB0
    std::string err;
  };
  const Case cases[] = {
      {true, {"-c", "1", "-d"}, PortNaming::kPortDir, 1, ended},
      {true, {"-c", "1", "-d", "-a", "3", "-t", "100"}, PortNaming::kPortDir, 1, ""},
      {false, {"-c", "1", "-d"}, PortNaming::kPortDir, 2, ""},
      {false, {"-c", "1", "-d"}, PortNaming::kSystem, 1, ""},
      {false, {"-c", "1", "-d"}, PortNaming::kSystem, 2, ttys0},
      {true, {"-c", "1", "-d"}, PortNaming::kSystem, 2, ttys0 + ended},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    fake::Get().input_ends = c.input_ends;
    PortDescription& d = fake::Get().description;
    d.naming = c.naming;
    std::strcpy(d.device, "/dev/ttyS0");
    d.count = c.devices;
    std::strcpy(d.devices[0].name, "/dev/ttyS0");
    d.devices[0].port = 1;
    std::strcpy(d.devices[1].name, "/dev/ttyUSB0");
    // The robot answers the monitor's first sample; a signal ends the run.
    FakeRobot robot;
    robot.Attach();
    fake::RequestAt(1000, OutsideRequest::kEnd);
    const auto [status, err] = RunStartUp(c.args);
    EXPECT_EQ(status, 0) << c.err;
    EXPECT_EQ(err, c.err);
  }
}

}  // namespace
