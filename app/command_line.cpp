// padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]
//         [--stop N] [--hold MS]
#include "app/command_line.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

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
// or the next argument. False for an unknown option or a bad value.
bool ParseLongOption(int argc, const char* const* argv, int* i, RunSettings* s) {
  const char* arg = argv[*i];
  const char* equals = std::strchr(arg, '=');
  const std::size_t name_length =
      equals ? static_cast<std::size_t>(equals - arg) : std::strlen(arg);
  const auto is = [&](const char* name) {
    return std::strlen(name) == name_length && std::strncmp(arg, name, name_length) == 0;
  };
  const bool stop = is(kLongOptions[0]);
  if (!stop && !is(kLongOptions[1])) return false;
  const char* value = equals ? equals + 1 : (*i + 1 < argc ? argv[++*i] : nullptr);
  return stop ? ReadStop(value, &s->stop_command) : ReadHold(value, &s->hold_ms);
}

}  // namespace

std::optional<RunSettings> ParseCommandLine(int argc, const char* const* argv) {
  RunSettings settings;
  bool bad = false;  // set by any bad argument
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      bad = true;
      continue;
    }
    if (arg[1] == '-') {
      if (!ParseLongOption(argc, argv, &i, &settings)) bad = true;
      continue;
    }
    const char option = arg[1];
    if (option == 'd') {
      settings.mode = LinkMode::kCable;
      continue;
    }
    if (option != 'a' && option != 'c' && option != 'g' && option != 't') {
      bad = true;
      continue;
    }

    // The value follows the letter (-c3) or is the next argument (-c 3).
    const char* text = nullptr;
    if (IsDigit(arg[2])) {
      text = arg + 2;
    } else if (i + 1 < argc && IsDigit(argv[i + 1][0])) {
      text = argv[++i];
    }
    std::int32_t value = 0;
    const bool valid = text && ReadNumber(text, &value);
    if (text && !valid) bad = true;

    switch (option) {
      case 'c':
        if (valid)
          settings.port = value;
        else
          bad = true;
        break;
      case 't':
        if (valid && value <= INT32_MAX / 1000)
          settings.interval_ms = value * 1000;
        else
          bad = true;
        break;
      case 'a':
        if (valid) settings.ad_channel = value;
        if (settings.ad_channel < 0 || settings.ad_channel > 7) bad = true;
        break;
      case 'g':
        if (valid) settings.gyro = value;
        if (settings.gyro < 1 || settings.gyro > 4) bad = true;
        break;
    }
  }
  if (settings.port < 0 || bad) return std::nullopt;
  return settings;
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

void PrintUsage() {
  static constexpr char kUsage[] =
      "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
      "\t-c ComNo\tSerial Port No. of PC\n"
      "\t-d\t\tCommunication via Cable\n"
      "\t-a SensorNo\tA/D Port No.(0-7) of ROBOT\n"
      "\t-g GyroNo\tGyro No.(1-4) of ROBOT\n"
      "\t-t Interval\tMonitoring interval by Second(s)\n"
      "\t\t= padlink robot remote control v1.7 =\n";
  std::fputs(kUsage, stderr);
}
