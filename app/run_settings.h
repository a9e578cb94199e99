// The run settings: what the command line asked for.
#pragma once

#include <cstdint>

#include "link/robot_link.h"

struct RunSettings {
  std::int32_t port = -1;             // -c; -1 until given
  LinkMode mode = LinkMode::kStrobe;  // -d: cable mode
  std::int32_t ad_channel = -1;       // -a 0..7; -1 = no A/D monitor
  std::int32_t gyro = -1;             // -g 1..4; -1 = no gyro monitor
  std::int32_t interval_ms = 200;     // -t seconds * 1000
  std::int32_t error = 0;             // set by any bad argument

  bool operator==(const RunSettings&) const = default;
};
