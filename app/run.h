// One run of padlink: the settings, the link to the robot, the monitors and
// the keyboard, owned together. The control loop takes at most one key a
// pass; a key with a command sends its byte unless it repeats the previous
// command within 500 ms; then the monitors get their turn, and the pass
// pauses 5 ms. Pasted text sends nothing (the first paste says so). A quit
// key, a failed sample or a request to end from outside (a signal, a console
// event) ends the run; each way out sends the stop command first, when one
// is set, while the port can take it. A request to suspend (Ctrl+Z) is acted
// on between two steps, after the stop command.
//
// Without monitors a port that is gone (an adapter unplugged, the robot's
// line hung up, a remote port's connection lost) does not end the run: the
// keys are still read, command keys are reported as failed sends and never
// kept for later, and the port is opened again every half second; once it
// is back the stop command goes out and the run goes on. With monitors the
// failed sample ends the run, as it always has.
#pragma once

#include <cstdint>
#include <optional>

#include "app/elapsed.h"
#include "app/key_map.h"
#include "app/monitors.h"
#include "app/run_settings.h"
#include "app/sample_writer.h"
#include "link/robot_link.h"
#include "platform/platform.h"

class Run {
 public:
  Run(const RunSettings& settings, RobotLink link);

  // Runs the control loop until the run ends, closes the port and returns
  // the exit status: 0 after a quit key, 1 after a failed sample, 0 after an
  // end request (for which PlatformExit ends the process as the request
  // would have).
  int Execute();

 private:
  // One pass without its pause: the exit status when the run ends.
  std::optional<int> Pass(Keyboard& keyboard);
  // A request from outside: the exit status when it ends the run.
  std::optional<int> ActOnRequest();
  // The key for this pass, past pastes and ignored bytes.
  std::optional<KeyMapping> TakeKey(Keyboard& keyboard);
  // What a key does; true when it ends the run.
  bool HandleKey(const KeyMapping& key);
  void SendPending();
  // The monitors' turn, the A/D monitor first: the exit status when a
  // sample ends the run.
  std::optional<int> MonitorStep();
  bool Monitoring() const { return ad_monitor_ || gyro_monitor_; }
  // The stop command after the hold time, once.
  void HoldStep();
  // Without monitors: a look at the port every kWatchMs, and the change to
  // a port that is gone.
  void WatchPort();
  void LosePort();
  void TryPortAgain();
  void SendStop();
  void Suspend();
  int Finish(int status);

  RunSettings settings_;
  RobotLink link_;
  ElapsedClock clock_;
  std::optional<Monitor> ad_monitor_;
  std::optional<Monitor> gyro_monitor_;
  SampleWriters writers_;  // where the monitors' samples go
  std::int32_t last_send_time_;
  std::uint8_t pending_ = 0;  // the latest command a key (or the stop) gave
  std::uint8_t stop_ = 0;     // the stop command; 0 for none
  std::int32_t hold_ms_ = 0;  // 0: no hold
  bool hold_due_ = false;     // a command went out since the last stop
  std::int32_t last_command_key_;
  bool lost_ = false;       // the port is gone and closed
  std::int32_t last_look_;  // the last look at the port, or try to open it
  bool paste_reported_ = false;
};
