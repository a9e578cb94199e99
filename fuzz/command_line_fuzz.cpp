// The command line: ParseCommandLine compared, field by field, with a small
// model of the option rules written from the usage contract; then StartUp on
// the fake platform with those arguments, checked for its exit status, its
// messages and what it did to the port.
//
// Input: one byte that picks a refusal of the fake platform (byte % 3: none,
// the open, start-up's settings; 1 + byte / 3 the error code), then the
// arguments after the program name, separated by NUL bytes. A run that
// starts quits at once, sending its stop command (--stop) if it has one.
//
// `command_line_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/start_up.h"
#include "fuzz/fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "serial/com.h"
#include "tests/support/command_line_cases.h"

namespace {

constexpr std::size_t kMaxArgs = 32;

enum class Refusal { kNone, kOpen, kConfig };

const char kUsage[] =
    "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
    "\t-c ComNo\tSerial Port No. of PC\n"
    "\t-d\t\tCommunication via Cable\n"
    "\t-a SensorNo\tA/D Port No.(0-7) of ROBOT\n"
    "\t-g GyroNo\tGyro No.(1-4) of ROBOT\n"
    "\t-t Interval\tMonitoring interval by Second(s)\n"
    "\t\t= padlink robot remote control v1.7 =\n";
const char kVersion[] = "padlink 1.7\n";
const char kHoldWithoutStop[] =
    "padlink: a hold time needs a stop command (--stop N or PADLINK_STOP=N)\n";

// Seeds: the command lines of the unit tests, each without a refusal, and
// some with a refused open or a refused start-up configuration.
void WriteSeeds(const std::string& dir) {
  std::vector<std::vector<std::string>> lines;
  for (const command_line::Case& c : command_line::Cases())
    lines.emplace_back(c.args.begin(), c.args.end());
  lines.push_back({"-c", "4", "-d", "-a", "3", "-g", "2", "-t", "1"});
  const unsigned char kRefusals[] = {0, 3 * 4 + 1, 3 * 30 + 2};  // none; open, 5; config, 31
  int n = 0;
  for (const auto& line : lines) {
    for (unsigned char refusal : kRefusals) {
      if (refusal != 0 && (line.size() < 2 || line[0] != "-c")) continue;
      std::string input(1, static_cast<char>(refusal));
      for (std::size_t i = 0; i < line.size(); ++i)
        input += (i ? std::string(1, '\0') : "") + line[i];
      char name[32];
      std::snprintf(name, sizeof name, "/seed-%03d", n++);
      const std::string path = dir + name;
      FILE* f = std::fopen(path.c_str(), "wb");
      if (!f || std::fwrite(input.data(), 1, input.size(), f) != input.size()) {
        std::perror(path.c_str());
        std::exit(1);
      }
      std::fclose(f);
    }
  }
}

fuzz::StderrCapture* g_capture;
fuzz::StdoutCapture* g_stdout;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "--write-seeds=", 14) == 0) {
      WriteSeeds((*argv)[i] + 14);
      std::exit(0);
    }
  }
  // The settings come from the command line alone.
  unsetenv("PADLINK_STOP");
  unsetenv("PADLINK_HOLD");
  g_capture = new fuzz::StderrCapture;
  g_stdout = new fuzz::StdoutCapture;
  return 0;
}

namespace {

// The arguments the input holds, separated by NUL bytes, after its first
// byte.
std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  if (size <= 1) return args;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  for (std::size_t from = 0;;) {
    const std::size_t nul = rest.find('\0', from);
    args.push_back(rest.substr(from, nul - from));
    if (nul == std::string::npos) break;
    from = nul + 1;
  }
  return args;
}

// ParseCommandLine against the model: both ask for the same (a run with the
// same settings, or the same bad value named). The model's answer.
command_line::Outcome CheckParse(const std::vector<std::string>& args,
                                 const std::vector<const char*>& argv) {
  const command_line::Outcome expect = command_line::Model(args);
  const command_line::Outcome got =
      command_line::OutcomeOf(ParseCommandLine(static_cast<int>(argv.size()), argv.data()));
  FUZZ_CHECK(got.request == expect.request, "ParseCommandLine asked for %d, the rules %d",
             static_cast<int>(got.request), static_cast<int>(expect.request));
  FUZZ_CHECK(got.option == expect.option && got.value == expect.value,
             "bad value: %s \"%s\" named, the rules %s \"%s\"", got.option.c_str(),
             got.value.value_or("(none)").c_str(), expect.option.c_str(),
             expect.value.value_or("(none)").c_str());
  if (expect.request != CommandRequest::kRun) return expect;
  const RunSettings* parsed = &got.settings;
  const RunSettings* expected = &expect.settings;
  FUZZ_CHECK(*parsed == *expected,
             "settings differ: port %d/%d cable %d/%d a %d/%d g %d/%d t %d/%d stop %d/%d hold "
             "%d/%d",
             parsed->port, expected->port, parsed->mode == LinkMode::kCable,
             expected->mode == LinkMode::kCable, parsed->ad_channel, expected->ad_channel,
             parsed->gyro, expected->gyro, parsed->interval_ms, expected->interval_ms,
             parsed->stop_command.value_or(-1), expected->stop_command.value_or(-1),
             parsed->hold_ms.value_or(-1), expected->hold_ms.value_or(-1));
  return expect;
}

// The message of a line that is no run: the usage text, a bad value named,
// a hold time without a stop command; null for a run.
std::string EarlyMessage(const command_line::Outcome& expected) {
  const RunSettings& s = expected.settings;
  switch (expected.request) {
    case CommandRequest::kUsage:
      return kUsage;
    case CommandRequest::kBadValue: {
      const std::string must = expected.option == "--stop" ? "must be a command from 1 to 32"
                                                           : "must be milliseconds from 0 to 60000";
      return expected.value ? "padlink: " + expected.option + " " + must + ", not \"" +
                                  *expected.value + "\"\n"
                            : "padlink: " + expected.option + " needs a value: it " + must + "\n";
    }
    case CommandRequest::kRun:
      return s.hold_ms.value_or(0) > 0 && !s.stop_command ? kHoldWithoutStop : "";
    default:
      return "";
  }
}

// Start-up that ends before the console or the port is touched: the help or
// the version on standard output with status 0; the usage text, a bad value
// or a hold time without a stop command with status 1. False when start-up
// goes on.
bool CheckEarlyEnd(const command_line::Outcome& expected, int status, const std::string& out,
                   const std::string& err) {
  const std::string message = EarlyMessage(expected);
  if (expected.request == CommandRequest::kHelp || expected.request == CommandRequest::kVersion) {
    const bool help = expected.request == CommandRequest::kHelp;
    FUZZ_CHECK(status == 0 && err.empty() &&
                   (help ? out.rfind("Usage: padlink", 0) == 0 && out.find("padlink(1)") != out.npos
                         : out == kVersion),
               "help or version: status %d, out \"%s\", err \"%s\"", status, out.c_str(),
               err.c_str());
  } else if (message.empty()) {
    return false;
  } else {
    FUZZ_CHECK(status == 1 && err == message && out.empty(),
               "status %d, \"%s\" where \"%s\" was due", status, err.c_str(), message.c_str());
  }
  FUZZ_CHECK(fake::Get().log.empty() && fake::Get().started_after_calls == -1,
             "the port or the console was touched after \"%s\"", err.c_str());
  return true;
}

// A port that did not open or take its settings. False when it did.
bool CheckRefusal(const RunSettings& expected, Refusal refusal, std::int32_t error, int status,
                  const std::string& err) {
  const bool in_range = expected.port >= 1 && expected.port <= kMaxPort;
  if (!in_range || refusal == Refusal::kOpen) {
    // "Open error." with the reason, then one line of hints about the port.
    const std::int32_t reason = in_range ? error : 2;
    const std::string want = "Open error. error " + std::to_string(reason) + "\n";
    const std::string hint = err.rfind(want, 0) == 0 ? err.substr(want.size()) : "";
    FUZZ_CHECK(status == 1 && !hint.empty() && hint.rfind("padlink: ", 0) == 0 &&
                   hint.find('\n') == hint.size() - 1,
               "open failure: status %d, \"%s\"", status, err.c_str());
    FUZZ_CHECK(fake::Get().described_port == expected.port && fake::Get().described_error == reason,
               "the hint describes port %d, error %d", fake::Get().described_port,
               fake::Get().described_error);
    FUZZ_CHECK(fake::Count(fake::Call::kOpen) == (in_range ? 1 : 0), "opens: %d",
               fake::Count(fake::Call::kOpen));
    FUZZ_CHECK(fake::Count(fake::Call::kClose) == 0, "closed a port that never opened");
    return true;
  }
  if (refusal != Refusal::kConfig) return false;
  const std::string want = "Config error. error " + std::to_string(error) + "\n";
  FUZZ_CHECK(status == 1 && err == want, "config failure: status %d, \"%s\"", status, err.c_str());
  FUZZ_CHECK(fake::Count(fake::Call::kClose) == 1,
             "the port was not closed after the config error");
  return true;
}

// A run that quit in its first pass: the link mode's settings, the stop
// command (when there is one) and nothing else sent, the port closed.
void CheckQuit(const RunSettings& expected, int status, const std::string& err) {
  FUZZ_CHECK(status == 0 && err.empty(), "quit: status %d, \"%s\"", status, err.c_str());
  const bool cable = expected.mode == LinkMode::kCable;
  const LineConfig& line = fake::Get().config;
  FUZZ_CHECK(line.baud == 9600 && line.dtr == LineControl::kOff &&
                 line.rts == (cable ? LineControl::kOff : LineControl::kOn),
             "line settings of the link mode: baud %u DTR %d RTS %d", line.baud,
             static_cast<int>(line.dtr), static_cast<int>(line.rts));
  const std::vector<std::uint8_t> stop =
      expected.stop_command
          ? std::vector<std::uint8_t>{static_cast<std::uint8_t>(*expected.stop_command)}
          : std::vector<std::uint8_t>{};
  FUZZ_CHECK(fake::Written() == stop, "%zu bytes written, the stop command is %d",
             fake::Written().size(), expected.stop_command.value_or(0));
  FUZZ_CHECK(fake::Count(fake::Call::kClose) == 1, "the quit did not close the port");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return -1;
  const Refusal refusal = static_cast<Refusal>(data[0] % 3);
  const std::int32_t error = 1 + data[0] / 3;  // 1..85
  const std::vector<std::string> args = Arguments(data, size);
  if (args.size() > kMaxArgs) return -1;
  std::vector<const char*> argv{"padlink"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  const command_line::Outcome expected = CheckParse(args, argv);

  // Start-up with the same arguments: Esc is waiting, so a run that reaches
  // the control loop quits in its first pass.
  const fake::Platform fresh;
  if (refusal == Refusal::kOpen) fake::Refuse(fake::Call::kOpen, error);
  // The open applies its own settings first; the second write is start-up's.
  if (refusal == Refusal::kConfig) fake::Refuse(fake::Call::kConfigure, error, 1, 1);
  fake::PressKey(0, 27);
  g_capture->Start();
  g_stdout->Start();
  const int status = StartUp(static_cast<int>(argv.size()), argv.data());
  const std::string out = g_stdout->Stop();
  const std::string err = g_capture->Stop();
  if (CheckEarlyEnd(expected, status, out, err)) return 0;
  FUZZ_CHECK(fake::Get().started_after_calls == 0,
             "the console's settings were not taken before the port was touched");
  if (CheckRefusal(expected.settings, refusal, error, status, err)) return 0;
  CheckQuit(expected.settings, status, err);
  return 0;
}
