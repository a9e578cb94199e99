// padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]
#include "app/command_line.h"

#include <cstdint>
#include <cstdio>

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

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, RunSettings* s) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      s->error = 1;
      continue;
    }
    const char option = arg[1];
    if (option == 'd') {
      s->mode = LinkMode::kCable;
      continue;
    }
    if (option != 'a' && option != 'c' && option != 'g' && option != 't') {
      s->error = 1;
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
    if (text && !valid) s->error = 1;

    switch (option) {
      case 'c':
        if (valid)
          s->port = value;
        else
          s->error = 1;
        break;
      case 't':
        if (valid && value <= INT32_MAX / 1000)
          s->interval_ms = value * 1000;
        else
          s->error = 1;
        break;
      case 'a':
        if (valid) s->ad_channel = value;
        if (s->ad_channel < 0 || s->ad_channel > 7) s->error = 1;
        break;
      case 'g':
        if (valid) s->gyro = value;
        if (s->gyro < 1 || s->gyro > 4) s->error = 1;
        break;
    }
  }
  return s->port >= 0 && !s->error;
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
