// One run of padlink: the settings, the link to the robot, the monitors and
// the input sources, owned together. Each pass of the control loop takes
// what has come from its sources (KeyQueue: a quit key ends the run at once,
// the repeats of a held key that piled up are one) and acts on one key; a
// command key sends its byte unless it repeats the previous command within
// 500 ms (RepeatRule); then the monitors get their turn, and the pass pauses
// 5 ms. Pasted text sends nothing (the first paste says so as it begins). A
// suspend drops the keys not acted on. A quit key, a failed sample or a
// request to end from
// outside (a signal, a console event) ends the run; each way out sends the
// stop command first, when one is set, while the port can take it. A
// request to suspend (Ctrl+Z) is acted on between two steps, after the stop
// command.
//
// Without monitors a port that is gone (an adapter unplugged, the robot's
// line hung up, a remote port's connection lost) does not end the run: the
// keys are still read, command keys are reported as failed sends and never
// kept for later, and the port is opened again every half second (PortLife);
// once it is back the stop command goes out and the run goes on. With
// monitors the failed sample ends the run, as it always has.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/elapsed.h"
#include "app/hold_rule.h"
#include "app/input/source.h"
#include "app/key_map.h"
#include "app/key_queue.h"
#include "app/monitors.h"
#include "app/repeat_rule.h"
#include "app/run_settings.h"
#include "app/sample_writer.h"
#include "link/robot_link.h"
#include "platform/platform.h"

using InputSources = std::vector<std::unique_ptr<InputSource>>;

class Run {
 public:
  // The run's clock is its link's.
  Run(const RunSettings& settings, RobotLink link, InputSources inputs);

  // Runs the control loop until the run ends, closes the port and returns
  // the exit status: 0 after a quit key, 1 after a failed sample, 0 after an
  // end request (for which PlatformExit ends the process as the request
  // would have).
  int Execute();

 private:
  // One pass without its pause: the exit status when the run ends.
  std::optional<int> Pass();
  // A request from outside: the exit status when it ends the run.
  std::optional<int> ActOnRequest();
  // All that has come from the sources, into the queue: true when a quit
  // key came.
  bool GatherKeys();
  // What a key does.
  void HandleKey(const TimedIntent& key);
  void SendCommand(std::uint8_t command);
  // The monitors' turn, the A/D monitor first: the exit status when a
  // sample ends the run.
  std::optional<int> MonitorStep();
  bool Monitoring() const { return ad_monitor_ || gyro_monitor_; }
  // The port's life: without monitors a look at it now and then, the change
  // to a port that is gone and its retries.
  void KeepPort();
  // `leaving`: on the way out, with a short write time-out.
  void SendStop(bool leaving);
  void Suspend();
  int Finish(int status);

  RunSettings settings_;
  RobotLink link_;
  InputSources inputs_;
  ElapsedClock clock_;
  std::optional<Monitor> ad_monitor_;
  std::optional<Monitor> gyro_monitor_;
  SampleWriters writers_;  // where the monitors' samples go
  std::uint8_t stop_ = 0;  // the stop command; 0 for none
  RepeatRule repeat_;
  HoldRule hold_;
  KeyQueue keys_;
  bool paste_reported_ = false;
  bool moving_ = false;  // the last command that went out was not the stop
};
