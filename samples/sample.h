// A sample of one monitor as a record: which sensor, its result and the SRAM
// byte's, each with the time its request ended. Made by the run's monitors,
// given to the run's sample writers, read back by padlink-plot.
#pragma once

#include <cstdint>

// What a monitor samples: one of the robot's A/D ports, or one of its gyros.
enum class SensorKind { kAD, kGyro };

// Which monitor: the kind of sensor and its number (the A/D port, the gyro).
struct SampleSource {
  SensorKind kind = SensorKind::kAD;
  std::int32_t number = 0;

  friend bool operator==(const SampleSource&, const SampleSource&) = default;
};

// One sample. A result is the value read (0..255) or, for a request that
// failed, the negative failure the robot link reports for it. A time is in
// milliseconds from the start of the monitor's first sample to the end of
// the request.
struct Sample {
  SampleSource source;
  std::int32_t sensor = 0;
  std::int64_t sensor_ms = 0;
  std::int32_t sram = 0;
  std::int64_t sram_ms = 0;

  // A request of the sample failed.
  bool Failed() const { return sensor < 0 || sram < 0; }

  friend bool operator==(const Sample&, const Sample&) = default;
};
