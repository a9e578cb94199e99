// Hold to drive: once a command other than the stop command went out, the
// stop command follows when no command key has come for the hold time. A
// key held down keeps the robot going through the terminal's repeats.
#pragma once

#include <cstdint>

#include "platform/clock.h"

class HoldRule {
 public:
  // hold_ms 0: no hold. `now`: the start of the run.
  HoldRule(std::int64_t hold_ms, std::uint64_t now) : hold_ms_(hold_ms), last_key_(now) {}

  // A command key came at `now`.
  void CommandKey(std::uint64_t now) { last_key_ = now; }
  // `command` went out; `stop` is the stop command.
  void Sent(std::uint8_t command, std::uint8_t stop) { due_ = hold_ms_ > 0 && command != stop; }
  // The stop command went out, or the port is gone: nothing is due.
  void Disarm() { due_ = false; }
  // Whether the stop command is due at `now`.
  bool Due(std::uint64_t now) const { return due_ && MsSince(last_key_, now) >= hold_ms_; }

 private:
  std::int64_t hold_ms_;
  std::uint64_t last_key_;
  bool due_ = false;  // a command went out since the last stop
};
