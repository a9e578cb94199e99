// The command lines every test of the parser starts from, with what each
// must give, and a model of the option rules written from the usage
// contract: the unit tests check the parser against the cases, and the fuzz
// target checks it against the model on the cases' mutations.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/run_settings.h"

namespace command_line {

struct Case {
  std::vector<const char*> args;  // after the program name
  CommandRequest request;
  RunSettings expected;          // compared for kRun
  const char* option = nullptr;  // kBadValue: the option named
  const char* value = nullptr;   // and its value, null when none
};

// What a command line asks for, as the model reads it.
struct Outcome {
  CommandRequest request = CommandRequest::kUsage;
  RunSettings settings;
  std::string option;                // kBadValue
  std::optional<std::string> value;  // kBadValue; none when none followed

  bool operator==(const Outcome&) const = default;
};

// The parser's answer in the model's terms: settings only for a run, the
// option only for a bad value.
inline Outcome OutcomeOf(const CommandLine& line) {
  Outcome o{line.request, {}, {}, {}};
  if (line.request == CommandRequest::kRun) o.settings = line.settings;
  if (line.request == CommandRequest::kBadValue) {
    o.option = line.option ? line.option : "";
    if (line.value) o.value = line.value;
  }
  return o;
}

inline Outcome OutcomeOf(const Case& c) {
  Outcome o{c.request, {}, {}, {}};
  if (c.request == CommandRequest::kRun) o.settings = c.expected;
  if (c.request == CommandRequest::kBadValue) {
    o.option = c.option;
    if (c.value) o.value = c.value;
  }
  return o;
}

inline const std::vector<Case>& Cases() {
  constexpr LinkMode kCable = LinkMode::kCable;
  constexpr CommandRequest kRun = CommandRequest::kRun, kUsage = CommandRequest::kUsage,
                           kBad = CommandRequest::kBadValue, kHelp = CommandRequest::kHelp,
                           kVersion = CommandRequest::kVersion;
  const RunSettings kAny;
  static const std::vector<Case> cases = {
      Case{{}, kUsage, kAny}, Case{{"-c", "3"}, kRun, RunSettings{.port = 3}},
      Case{{"-c3"}, kRun, RunSettings{.port = 3}}, Case{{"-cX", "3"}, kRun, RunSettings{.port = 3}},
      Case{{"-c", "0"}, kRun, RunSettings{.port = 0}},  // rejected later by the open
      Case{{"-c", "5x"}, kRun, RunSettings{.port = 5}},
      Case{{"-c", "3", "-c", "4"}, kRun, RunSettings{.port = 4}}, Case{{"-c"}, kUsage, kAny},
      Case{{"-c", "-d"}, kUsage, kAny}, Case{{"-d"}, kUsage, kAny},
      Case{{"-c", "1", "-d"}, kRun, RunSettings{.port = 1, .mode = kCable}},
      Case{{"-c", "1", "-dx"}, kRun, RunSettings{.port = 1, .mode = kCable}},
      Case{{"-c", "1", "-a", "7"}, kRun, RunSettings{.port = 1, .ad_channel = 7}},
      Case{{"-c", "1", "-a", "0"}, kRun, RunSettings{.port = 1, .ad_channel = 0}},
      Case{{"-c", "1", "-a", "8"}, kUsage, kAny}, Case{{"-c", "1", "-a"}, kUsage, kAny},
      Case{{"-c", "1", "-a", "3", "-a"}, kRun, RunSettings{.port = 1, .ad_channel = 3}},
      Case{{"-c", "1", "-g", "1"}, kRun, RunSettings{.port = 1, .gyro = 1}},
      Case{{"-c", "1", "-g", "4"}, kRun, RunSettings{.port = 1, .gyro = 4}},
      Case{{"-c", "1", "-g", "0"}, kUsage, kAny}, Case{{"-c", "1", "-g", "5"}, kUsage, kAny},
      Case{{"-c", "1", "-a", "2", "-g", "3"},
           kRun,
           RunSettings{.port = 1, .ad_channel = 2, .gyro = 3}},
      Case{{"-c", "1", "-t", "0"}, kRun, RunSettings{.port = 1, .interval_ms = 0}},
      Case{{"-c", "1", "-t2"}, kRun, RunSettings{.port = 1, .interval_ms = 2000}},
      Case{{"-c", "1", "-t"}, kUsage, kAny}, Case{{"-c", "1", "-t", "x"}, kUsage, kAny},
      Case{{"-c", "1", "-x"}, kUsage, kAny}, Case{{"-c", "1", "-"}, kUsage, kAny},
      Case{{"-c", "1", ""}, kUsage, kAny}, Case{{"c3"}, kUsage, kAny},
      Case{{"-c", "1", "3"}, kUsage, kAny},
      // Values that do not fit 32 bits, and intervals whose milliseconds do not.
      Case{{"-c", "2147483647"}, kRun, RunSettings{.port = 2147483647}},
      Case{{"-c", "2147483648"}, kUsage, kAny}, Case{{"-c", "99999999999999999999"}, kUsage, kAny},
      Case{{"-c", "1", "-a", "4294967299"}, kUsage, kAny},
      Case{{"-c", "1", "-t", "2147483"}, kRun, RunSettings{.port = 1, .interval_ms = 2147483000}},
      Case{{"-c", "1", "-t", "2147484"}, kUsage, kAny},
      // The long options: a whole number in its range, as the next argument
      // or after '='.
      Case{{"-c", "1", "--stop", "5"}, kRun, RunSettings{.port = 1, .stop_command = 5}},
      Case{{"--stop=32", "-c", "1"}, kRun, RunSettings{.port = 1, .stop_command = 32}},
      Case{{"-c", "1", "--stop", "1", "--stop", "7"},
           kRun,
           RunSettings{.port = 1, .stop_command = 7}},
      Case{{"-c", "1", "--stop", "0"}, kBad, kAny, "--stop", "0"},
      Case{{"-c", "1", "--stop", "33"}, kBad, kAny, "--stop", "33"},
      Case{{"-c", "1", "--stop", "5x"}, kBad, kAny, "--stop", "5x"},
      Case{{"-c", "1", "--stop="}, kBad, kAny, "--stop", ""},
      Case{{"-c", "1", "--stop"}, kBad, kAny, "--stop"},
      Case{{"-c", "1", "--stop", "-d"}, kBad, kAny, "--stop", "-d"},
      Case{{"--stop", "5"}, kUsage, kAny},
      Case{{"-c", "1", "--stop", "5", "--hold", "600"},
           kRun,
           RunSettings{.port = 1, .stop_command = 5, .hold_ms = 600}},
      Case{{"-c", "1", "--hold=0"}, kRun, RunSettings{.port = 1, .hold_ms = 0}},
      Case{{"-c", "1", "--hold", "60000"}, kRun, RunSettings{.port = 1, .hold_ms = 60000}},
      Case{{"-c", "1", "--hold", "60001"}, kBad, kAny, "--hold", "60001"},
      Case{{"-c", "1", "--hold", "99999999999"}, kBad, kAny, "--hold", "99999999999"},
      Case{{"-c", "1", "--stopx", "5"}, kUsage, kAny}, Case{{"-c", "1", "--"}, kUsage, kAny},
      Case{{"-c", "1", "--hold"}, kBad, kAny, "--hold"},
      // A bad value is named even on a line that is wrong besides; the first
      // of two.
      Case{{"--stop", "0"}, kBad, kAny, "--stop", "0"},
      Case{{"-x", "--hold=-1", "--stop=99"}, kBad, kAny, "--hold", "-1"},
      // Help and the version, wherever they are, win over everything else.
      Case{{"--help"}, kHelp, kAny}, Case{{"-h"}, kHelp, kAny},
      Case{{"-c", "1", "-x", "--help"}, kHelp, kAny},
      Case{{"--stop", "0", "-h", "--version"}, kHelp, kAny}, Case{{"--version"}, kVersion, kAny},
      Case{{"-c", "1", "--version", "--help"}, kVersion, kAny},
      Case{{"--stop", "--help"}, kBad, kAny, "--stop", "--help"},  // the value, taken as it is
      Case{{"--help=1"}, kUsage, kAny}, Case{{"--versions"}, kUsage, kAny}};
  return cases;
}

inline bool Digit(char c) {
  return c >= '0' && c <= '9';
}

// The leading decimal number of text, the way the C library reads it; false
// when it does not fit a signed 32-bit integer.
inline bool LeadingNumber(std::string_view text, std::int32_t* value) {
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
// - -h, whatever follows the letter, and --help ask for the help, --version
//   for the version: the first of them ends the reading of the line and
//   wins over anything wrong before it;
// - every other letter, and no letter, is an error;
// - after each -a the channel must be 0..7, after each -g the gyro 1..4;
// - a number that does not fit 32 bits, or seconds whose milliseconds do not,
//   is an error and leaves the setting as it was;
// - an argument that starts with "--" is a long option: --stop and --hold
//   take their value after '=', else the next argument (which is taken
//   whatever it is); the value must be digits only, fit 32 bits and lie in
//   1..32 (--stop) or 0..60000 (--hold); any other long option is an error;
//   the first long option with a bad or missing value is named, whatever
//   else is wrong;
// - otherwise the line is complete when a port (0 or more) was given and
//   nothing was wrong, else it asks for the usage text.
inline bool LongOption(const std::vector<std::string>& args, std::size_t* i, RunSettings* s,
                       Outcome* named) {
  const std::string& arg = args[*i];
  const std::size_t equals = arg.find('=');
  const std::string name = arg.substr(0, equals);
  if (name != "--stop" && name != "--hold") return false;
  std::optional<std::string> value;
  if (equals != std::string::npos) {
    value = arg.substr(equals + 1);
  } else if (*i + 1 < args.size()) {
    value = args[++*i];
  }
  std::int32_t n = 0;
  const bool number = value && !value->empty() &&
                      value->find_first_not_of("0123456789") == std::string::npos &&
                      LeadingNumber(*value, &n);
  if (number && name == "--stop" && n >= 1 && n <= 32) {
    s->stop_command = n;
    return true;
  }
  if (number && name == "--hold" && n <= 60000) {
    s->hold_ms = n;
    return true;
  }
  if (named->option.empty()) {
    named->option = name;
    named->value = value;
  }
  return false;
}

inline Outcome Model(const std::vector<std::string>& args) {
  RunSettings settings;
  RunSettings* s = &settings;
  Outcome named{CommandRequest::kBadValue, {}, {}, {}};
  bool bad = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || (arg.size() >= 2 && arg[0] == '-' && arg[1] == 'h'))
      return Outcome{CommandRequest::kHelp, {}, {}, {}};
    if (arg == "--version") return Outcome{CommandRequest::kVersion, {}, {}, {}};
    if (arg.empty() || arg[0] != '-' || arg.size() < 2) {
      bad = true;
      continue;
    }
    if (arg[1] == '-') {
      if (!LongOption(args, &i, s, &named)) bad = true;
      continue;
    }
    const char letter = arg[1];
    if (letter == 'd') {
      s->mode = LinkMode::kCable;
      continue;
    }
    if (std::string_view("acgt").find(letter) == std::string_view::npos) {
      bad = true;
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
    if (has_value && !fits) bad = true;
    if (!has_value && (letter == 'c' || letter == 't')) bad = true;
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
            bad = true;
          else
            s->interval_ms = n * 1000;
          break;
      }
    }
    if (letter == 'a' && (s->ad_channel < 0 || s->ad_channel > 7)) bad = true;
    if (letter == 'g' && (s->gyro < 1 || s->gyro > 4)) bad = true;
  }
  if (!named.option.empty()) return named;
  if (s->port < 0 || bad) return Outcome{CommandRequest::kUsage, {}, {}, {}};
  return Outcome{CommandRequest::kRun, settings, {}, {}};
}

}  // namespace command_line
