// The command line: ParseCommandLine compared, field by field, with a small
// model of the option rules written from the usage contract; then StartUp on
// the fake platform with those arguments, checked for its exit status, its
// messages and what it did to the port.
//
// Input: one byte that picks a refusal of the fake platform (byte % 3: none,
// the open, start-up's settings; 1 + byte / 3 the error code), then the
// arguments after the program name, separated by NUL bytes.
//
// `command_line_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/elapsed.h"
#include "app/monitors.h"
#include "fuzz/fuzz_support.h"
#include "link/buffers.h"
#include "link/link_mode.h"
#include "platform/fake/fake_platform.h"
#include "serial/port_table.h"

namespace {

constexpr std::size_t kMaxArgs = 32;

bool Digit(char c) {
  return c >= '0' && c <= '9';
}

// The leading decimal number of text, the way the C library reads it; false
// when it does not fit a signed 32-bit integer.
bool LeadingNumber(std::string_view text, std::int32_t* value) {
  std::size_t end = 0;
  while (end < text.size() && Digit(text[end]))
    ++end;
  std::string_view digits = text.substr(0, end);
  while (digits.size() > 1 && digits[0] == '0')
    digits.remove_prefix(1);
  constexpr std::string_view kMax = "2147483647";
  if (digits.size() > kMax.size() || (digits.size() == kMax.size() && digits > kMax)) return false;
  std::int64_t n = 0;
  for (char c : digits)
    n = n * 10 + (c - '0');
  *value = static_cast<std::int32_t>(n);
  return true;
}

// The option rules:
// - an argument that does not start with '-' is an error;
// - -d sets cable mode, whatever follows the letter;
// - -c, -a, -g, -t take the number right after the letter when a digit
//   follows it, else the next argument when that starts with a digit (the
//   rest of the option is ignored); without a value -c and -t are errors and
//   -a and -g keep their setting;
// - every other letter, and no letter, is an error;
// - after each -a the channel must be 0..7, after each -g the gyro 1..4;
// - a number that does not fit 32 bits, or seconds whose milliseconds do not,
//   is an error and leaves the setting as it was;
// - the line is complete when a port (0 or more) was given and nothing was
//   wrong.
bool Model(const std::vector<std::string>& args, RunSettings* s) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-' || arg.size() < 2) {
      s->error = 1;
      continue;
    }
    const char letter = arg[1];
    if (letter == 'd') {
      s->mode = LinkMode::kCable;
      continue;
    }
    if (std::string_view("acgt").find(letter) == std::string_view::npos) {
      s->error = 1;
      continue;
    }
    std::string_view text;
    bool has_value = false;
    if (arg.size() > 2 && Digit(arg[2])) {
      text = std::string_view(arg).substr(2);
      has_value = true;
    } else if (i + 1 < args.size() && !args[i + 1].empty() && Digit(args[i + 1][0])) {
      text = args[++i];
      has_value = true;
    }
    std::int32_t n = 0;
    const bool fits = has_value && LeadingNumber(text, &n);
    if (has_value && !fits) s->error = 1;
    if (!has_value && (letter == 'c' || letter == 't')) s->error = 1;
    if (fits) {
      switch (letter) {
        case 'c':
          s->port = n;
          break;
        case 'a':
          s->ad_channel = n;
          break;
        case 'g':
          s->gyro = n;
          break;
        case 't':
          if (std::int64_t{n} * 1000 > INT32_MAX)
            s->error = 1;
          else
            s->interval_ms = n * 1000;
          break;
      }
    }
    if (letter == 'a' && (s->ad_channel < 0 || s->ad_channel > 7)) s->error = 1;
    if (letter == 'g' && (s->gyro < 1 || s->gyro > 4)) s->error = 1;
  }
  return s->port >= 0 && s->error == 0;
}

void ResetProcess() {
  fake::Reset();
  g_port_table = PortTable{};
  g_run = RunSettings{};
  g_link_mode = LinkMode::kStrobe;
  std::fill(std::begin(TxBuffer), std::end(TxBuffer), 0);
  std::fill(std::begin(RxBuffer), std::end(RxBuffer), 0);
  g_ad_monitor = Monitor{};
  g_gyro_monitor = Monitor{};
  ElapsedStart();
}

enum class Refusal { kNone, kOpen, kConfig };

const char kUsage[] =
    "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
    "\t-c ComNo\tSerial Port No. of PC\n"
    "\t-d\t\tCommunication via Cable\n"
    "\t-a SensorNo\tA/D Port No.(0-7) of ROBOT\n"
    "\t-g GyroNo\tGyro No.(1-4) of ROBOT\n"
    "\t-t Interval\tMonitoring interval by Second(s)\n"
    "\t\t= padlink robot remote control v1.7 =\n";

// Seeds: the command lines of the unit tests, each without a refusal, and
// some with a refused open or a refused start-up configuration.
void WriteSeeds(const std::string& dir) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"-c", "3"},
      {"-c3"},
      {"-cX", "3"},
      {"-c", "0"},
      {"-c", "257"},
      {"-c", "5x"},
      {"-c", "3", "-c", "4"},
      {"-c"},
      {"-c", "-d"},
      {"-d"},
      {"-c", "1", "-d"},
      {"-c", "1", "-dx"},
      {"-c", "1", "-a", "7"},
      {"-c", "1", "-a", "0"},
      {"-c", "1", "-a", "8"},
      {"-c", "1", "-a"},
      {"-c", "1", "-a", "3", "-a"},
      {"-c", "1", "-g", "1"},
      {"-c", "1", "-g", "4"},
      {"-c", "1", "-g", "0"},
      {"-c", "1", "-g", "5"},
      {"-c", "1", "-a", "2", "-g", "3"},
      {"-c", "1", "-t", "0"},
      {"-c", "1", "-t2"},
      {"-c", "1", "-t"},
      {"-c", "1", "-t", "x"},
      {"-c", "1", "-x"},
      {"-c", "1", "-"},
      {"-c", "1", ""},
      {"c3"},
      {"-c", "1", "3"},
      {"-c", "2147483647"},
      {"-c", "2147483648"},
      {"-c", "99999999999999999999"},
      {"-c", "1", "-a", "4294967299"},
      {"-c", "1", "-t", "2147483"},
      {"-c", "1", "-t", "2147484"},
      {"-c", "4", "-d", "-a", "3", "-g", "2", "-t", "1"},
  };
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "--write-seeds=", 14) == 0) {
      WriteSeeds((*argv)[i] + 14);
      std::exit(0);
    }
  }
  g_capture = new fuzz::StderrCapture;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return -1;
  const Refusal refusal = static_cast<Refusal>(data[0] % 3);
  const std::int32_t error = 1 + data[0] / 3;  // 1..85
  std::vector<std::string> args;
  if (size > 1) {
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t from = 0;
    for (;;) {
      const std::size_t nul = rest.find('\0', from);
      args.push_back(rest.substr(from, nul - from));
      if (nul == std::string::npos) break;
      from = nul + 1;
    }
  }
  if (args.size() > kMaxArgs) return -1;
  std::vector<const char*> argv{"padlink"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  const int argc = static_cast<int>(argv.size());

  RunSettings expected;
  const bool expected_ok = Model(args, &expected);
  RunSettings parsed;
  const bool ok = ParseCommandLine(argc, argv.data(), &parsed);
  FUZZ_CHECK(ok == expected_ok, "ParseCommandLine gave %d, the rules %d", ok, expected_ok);
  FUZZ_CHECK(parsed == expected,
             "settings differ: port %d/%d cable %d/%d a %d/%d g %d/%d t %d/%d error %d/%d",
             parsed.port, expected.port, parsed.mode == LinkMode::kCable,
             expected.mode == LinkMode::kCable, parsed.ad_channel, expected.ad_channel, parsed.gyro,
             expected.gyro, parsed.interval_ms, expected.interval_ms, parsed.error, expected.error);

  // Start-up with the same arguments: Esc is waiting, so a run that reaches
  // the control loop quits in its first pass.
  ResetProcess();
  if (refusal == Refusal::kOpen) fake::Refuse(fake::Call::kOpen, error);
  // The open applies its own settings first; the second write is start-up's.
  if (refusal == Refusal::kConfig) fake::Refuse(fake::Call::kSetSettings, error, 1, 1);
  fake::PressKey(0, 27);
  int status = -1;
  g_capture->Start();
  try {
    StartUp(argc, argv.data());
  } catch (const fake::Exit& e) {
    status = e.status;
  }
  const std::string err = g_capture->Stop();
  const bool in_range = expected.port >= 1 && expected.port <= kMaxPort;

  if (!expected_ok) {
    FUZZ_CHECK(status == 1, "usage: status %d", status);
    FUZZ_CHECK(err == kUsage, "usage text expected, got \"%s\"", err.c_str());
    FUZZ_CHECK(fake::Get().log.empty() && fake::Get().started_after_calls == -1,
               "the port or the console was touched after a usage error");
    return 0;
  }
  FUZZ_CHECK(fake::Get().started_after_calls == 0,
             "the console's settings were not taken before the port was touched");
  FUZZ_CHECK(g_run == expected, "g_run is not the parsed settings");
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
    return 0;
  }
  if (refusal == Refusal::kConfig) {
    const std::string want = "Config error. error " + std::to_string(error) + "\n";
    FUZZ_CHECK(status == 1 && err == want, "config failure: status %d, \"%s\"", status,
               err.c_str());
    FUZZ_CHECK(fake::Count(fake::Call::kClose) == 1 && ComCheck(expected.port) == 1,
               "the port was not closed after the config error");
    return 0;
  }
  FUZZ_CHECK(status == 0 && err.empty(), "quit: status %d, \"%s\"", status, err.c_str());
  FUZZ_CHECK(g_link_mode == expected.mode, "link mode not set from -d");
  const bool cable = expected.mode == LinkMode::kCable;
  const LineSettings& line = fake::Get().settings;
  FUZZ_CHECK(line.BaudRate == 9600 && line.fDtrControl == kDtrControlDisable &&
                 line.fRtsControl == (cable ? kRtsControlDisable : kRtsControlEnable),
             "line settings of the link mode: baud %u DTR %d RTS %d", line.BaudRate,
             line.fDtrControl, line.fRtsControl);
  FUZZ_CHECK(fake::Written().empty(), "bytes written before the first key");
  FUZZ_CHECK(fake::Count(fake::Call::kClose) == 1, "the quit did not close the port");
  return 0;
}
