// One run of padlink: the settings, the link to the robot, the monitors and
// the keyboard, owned together. The control loop takes at most one key a
// pass; a key with a command sends its byte unless it repeats the previous
// command within 500 ms; then the monitors get their turn, and the pass
// pauses 5 ms. Pasted text sends nothing (the first paste says so). A quit
// key or a failed sample ends the run.
#pragma once

#include <cstdint>
#include <optional>

#include "app/elapsed.h"
#include "app/key_map.h"
#include "app/monitors.h"
#include "app/run_settings.h"
#include "link/robot_link.h"
#include "platform/platform.h"

class Run {
 public:
  Run(const RunSettings& settings, RobotLink link);

  // Runs the control loop until the run ends, closes the port and returns
  // the exit status: 0 after a quit key, 1 after a failed sample.
  int Execute();

 private:
  std::optional<KeyMapping> TakeKey(Keyboard& keyboard);
  // What a key does; true when it ends the run.
  bool HandleKey(const KeyMapping& key);
  // The monitors' turn, the A/D monitor first: the exit status when a
  // sample ends the run.
  std::optional<int> MonitorStep();
  int Finish(int status);

  RunSettings settings_;
  RobotLink link_;
  ElapsedClock clock_;
  std::optional<Monitor> ad_monitor_;
  std::optional<Monitor> gyro_monitor_;
  std::int32_t last_send_time_;
  std::uint8_t pending_ = 0;  // the latest command a key gave
  bool paste_reported_ = false;
};
