// The sensor monitors: at most one sample per interval, each printed as one
// comma-separated line on standard output.
#pragma once

#include <cstdint>

#include "app/elapsed.h"
#include "link/robot_link.h"

struct Monitor {
  std::int32_t number = 0;            // the A/D port or the gyro
  std::int32_t interval_ms = 0;       // between the starts of two samples
  bool started = false;               // the first sample was taken
  std::int64_t start_time = 0;        // ElapsedMs of the first sample's start
  std::int64_t last_sample_time = 0;  // ElapsedMs when the latest sample began
};

enum class SampleStatus {
  kOk,           // sampled, or not due yet
  kFailed,       // a request of the sample failed; its line was printed
  kCannotWrite,  // standard output did not take the lines; the reason was said
};

// Sample one A/D port, or one gyro, when the interval has passed since the
// previous sample began (the first call always samples and prints the
// header). The line of every sample, the failed one's too, is delivered
// before the call returns.
SampleStatus MonitorAD(Monitor& monitor, RobotLink& link, const ElapsedClock& clock);
SampleStatus MonitorGyro(Monitor& monitor, RobotLink& link, const ElapsedClock& clock);
