// padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]
//         [--stop N] [--hold MS]
#include "app/command_line.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The leading decimal number of text, read as the C library's text-to-integer
// conversion reads it ("5x" is 5). False when it does not fit 32 bits.
bool ReadNumber(const char* text, std::int32_t* value) {
  std::int64_t n = 0;
  for (; IsDigit(*text); ++text) {
    n = n * 10 + (*text - '0');
    if (n > INT32_MAX) return false;
  }
  *value = static_cast<std::int32_t>(n);
  return true;
}

// A whole decimal number from min to max: digits only, nothing after them.
bool WholeNumber(const char* text, std::int32_t min, std::int32_t max, std::int32_t* value) {
  std::int32_t n = 0;
  if (!text || !IsDigit(*text) || !ReadNumber(text, &n)) return false;
  for (const char* p = text; *p; ++p) {
    if (!IsDigit(*p)) return false;
  }
  if (n < min || n > max) return false;
  *value = n;
  return true;
}

bool ReadStop(const char* text, std::optional<std::int32_t>* stop) {
  std::int32_t n = 0;
  if (!WholeNumber(text, kMinStopCommand, kMaxStopCommand, &n)) return false;
  *stop = n;
  return true;
}

bool ReadHold(const char* text, std::optional<std::int32_t>* hold) {
  std::int32_t n = 0;
  if (!WholeNumber(text, 0, kMaxHoldMs, &n)) return false;
  *hold = n;
  return true;
}

// A long option at argv[*i] (it starts with "--"); its value is after '='
// or the next argument. Sets *ask for --help and --version; false for an
// unknown option. A bad value leaves *option and *value naming it.
bool ParseLongOption(int argc, const char* const* argv, int* i, CommandLine* line,
                     std::optional<CommandRequest>* ask) {
  const char* arg = argv[*i];
  if (std::strcmp(arg, "--help") == 0) *ask = CommandRequest::kHelp;
  if (std::strcmp(arg, "--version") == 0) *ask = CommandRequest::kVersion;
  if (*ask) return true;
  const char* equals = std::strchr(arg, '=');
  const std::size_t name_length =
      equals ? static_cast<std::size_t>(equals - arg) : std::strlen(arg);
  const auto is = [&](const char* name) {
    return std::strlen(name) == name_length && std::strncmp(arg, name, name_length) == 0;
  };
  const bool stop = is(kLongOptions[0]);
  if (!stop && !is(kLongOptions[1])) return false;
  const char* value = equals ? equals + 1 : (*i + 1 < argc ? argv[++*i] : nullptr);
  RunSettings& s = line->settings;
  if (stop ? ReadStop(value, &s.stop_command) : ReadHold(value, &s.hold_ms)) return true;
  if (!line->option) {
    line->option = stop ? kLongOptions[0] : kLongOptions[1];
    line->value = value;
  }
  return false;
}

// A short option's number: right after the letter (-c3) or the next
// argument (-c 3) when that starts with a digit; null when there is none.
const char* ShortValue(int argc, const char* const* argv, int* i) {
  const char* arg = argv[*i];
  if (IsDigit(arg[2])) return arg + 2;
  if (*i + 1 < argc && IsDigit(argv[*i + 1][0])) return argv[++*i];
  return nullptr;
}

// -c, -t, -a or -g with its value (text, null when none): false when the
// line is wrong.
bool ApplyShortOption(char option, const char* text, RunSettings* s) {
  std::int32_t value = 0;
  const bool valid = text && ReadNumber(text, &value);
  const bool ok = !text || valid;
  switch (option) {
    case 'c':
      if (valid) s->port = value;
      return ok && valid;
    case 't':
      if (valid && value <= INT32_MAX / 1000) {
        s->interval_ms = value * 1000;
        return ok;
      }
      return false;
    case 'a':
      if (valid) s->ad_channel = value;
      return ok && s->ad_channel >= 0 && s->ad_channel <= 7;
    default:  // 'g'
      if (valid) s->gyro = value;
      return ok && s->gyro >= 1 && s->gyro <= 4;
  }
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  std::optional<CommandRequest> ask;  // --help or --version
  bool bad = false;                   // set by any bad argument
  for (int i = 1; i < argc && !ask; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      bad = true;
    } else if (arg[1] == '-') {
      if (!ParseLongOption(argc, argv, &i, &line, &ask)) bad = true;
    } else if (arg[1] == 'h') {
      ask = CommandRequest::kHelp;
    } else if (arg[1] == 'd') {
      line.settings.mode = LinkMode::kCable;
    } else if (arg[1] != 'a' && arg[1] != 'c' && arg[1] != 'g' && arg[1] != 't') {
      bad = true;
    } else if (!ApplyShortOption(arg[1], ShortValue(argc, argv, &i), &line.settings)) {
      bad = true;
    }
  }
  if (ask)
    line.request = *ask;
  else if (line.option)
    line.request = CommandRequest::kBadValue;
  else if (line.settings.port < 0 || bad)
    line.request = CommandRequest::kUsage;
  else
    line.request = CommandRequest::kRun;
  return line;
}

bool ApplyEnvironment(const char* stop, const char* hold, RunSettings* s, const char** bad) {
  if (stop && *stop && !s->stop_command && !ReadStop(stop, &s->stop_command)) {
    *bad = "PADLINK_STOP";
    return false;
  }
  if (hold && *hold && !s->hold_ms && !ReadHold(hold, &s->hold_ms)) {
    *bad = "PADLINK_HOLD";
    return false;
  }
  return true;
}
