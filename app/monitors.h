// The sensor monitors: at most one sample per interval, each handed to the
// run's sample writers as a record.
#pragma once

#include <cstdint>

#include "app/elapsed.h"
#include "app/sample_writer.h"
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
  kFailed,       // a request of the sample failed; the writers took its record
  kCannotWrite,  // a writer could not take the header or the sample
};

// Sample one A/D port, or one gyro, when the interval has passed since the
// previous sample began. The first call always samples, and gives `out` the
// monitor's header before it makes the requests. Every sample, the failed
// one too, goes to `out` before the call returns; a failed request is
// reported as it fails.
SampleStatus MonitorAD(Monitor& monitor, RobotLink& link, const ElapsedClock& clock,
                       SampleWriter& out);
SampleStatus MonitorGyro(Monitor& monitor, RobotLink& link, const ElapsedClock& clock,
                         SampleWriter& out);
