// The sensor monitors: at most one sample per interval, each printed as one
// comma-separated line on standard output.
#pragma once

#include <cstdint>

struct Monitor {
  bool started;
  std::int32_t start_time;        // ElapsedMs of the first sample's start
  std::int32_t last_sample_time;  // ElapsedMs when the latest sample began
};
extern Monitor g_ad_monitor;
extern Monitor g_gyro_monitor;

// Sample one A/D port, or one gyro, when the interval has passed since the
// previous sample began (the first call always samples). 0 when nothing
// failed, -1 when a request of the sample failed.
std::int32_t MonitorAD(std::int32_t port, std::int32_t channel, std::int32_t interval_ms);
std::int32_t MonitorGyro(std::int32_t port, std::int32_t gyro, std::int32_t interval_ms);

// Runs the monitors asked for (channel 0 or more, gyro 1 or more), the A/D
// monitor first. A failed sample closes every port and ends the process with
// status 1, after its line is printed.
void MonitorStep(std::int32_t port, std::int32_t ad_channel, std::int32_t gyro,
                 std::int32_t interval_ms);
