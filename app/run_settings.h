// The run settings: what the command line (and the environment) asked for.
#pragma once

#include <cstdint>
#include <optional>

#include "link/robot_link.h"

// The range of the stop command and of the hold time.
constexpr std::int32_t kMinStopCommand = 1;
constexpr std::int32_t kMaxStopCommand = 32;
constexpr std::int32_t kMaxHoldMs = 60000;

struct RunSettings {
  std::int32_t port = -1;             // -c; -1 until given
  LinkMode mode = LinkMode::kStrobe;  // -d: cable mode
  std::int32_t ad_channel = -1;       // -a 0..7; -1 = no A/D monitor
  std::int32_t gyro = -1;             // -g 1..4; -1 = no gyro monitor
  std::int32_t interval_ms = 200;     // -t seconds * 1000
  // --stop N (or PADLINK_STOP): the command sent on every way out of the
  // run; none when not given.
  std::optional<std::int32_t> stop_command = std::nullopt;
  // --hold MS (or PADLINK_HOLD): the stop command follows a command when no
  // command key has come for MS ms; none when not given, or 0.
  std::optional<std::int32_t> hold_ms = std::nullopt;

  bool operator==(const RunSettings&) const = default;
};
