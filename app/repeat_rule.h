// The repeat rule, in one place: a command key whose command repeats the
// last command within kRepeatWindowMs of the last send sends nothing, so
// that a key the terminal repeats while it is held sends its command once.
// The last command is the one sent or chosen last; a request of the robot
// leaves none, so that the first key after a sample is never a repeat; a
// key that does nothing makes the latest command a key gave the last one
// again.
#pragma once

#include <cstdint>

#include "platform/clock.h"

class RepeatRule {
 public:
  static constexpr std::int64_t kRepeatWindowMs = 500;

  // `now`: the start of the run, which counts as the last send.
  explicit RepeatRule(std::uint64_t now) : last_send_(now) {}

  // A key gave `command` at `now`: whether its byte goes out.
  bool Admit(std::uint8_t command, std::uint64_t now) {
    latest_ = command;
    const bool repeat = command == last_ && MsSince(last_send_, now) <= kRepeatWindowMs;
    last_ = command;
    return !repeat;
  }
  // A key that does nothing.
  void NoAction() { last_ = latest_; }
  // `command` went out at `now`, or would have, to a port that was gone.
  void Sent(std::uint8_t command, std::uint64_t now) {
    latest_ = last_ = command;
    last_send_ = now;
  }
  // A request of the robot was made.
  void RequestMade() { last_ = 0; }

  // The command a repeat is compared with; 0 for none.
  std::uint8_t LastCommand() const { return last_; }

 private:
  std::uint8_t latest_ = 0;  // the latest command a key (or the stop) gave
  std::uint8_t last_ = 0;
  std::uint64_t last_send_;
};
