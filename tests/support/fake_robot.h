// A robot for the fake platform: accepts command bytes silently and answers
// PeekAD and PeekSRAM requests by echoing each byte `delay` ms after it was
// written, the last replaced by the value that `value` gives for the frame.
// Like the robot's controller, it drops a request whose next byte comes
// more than kRobotFrameTimeoutMs after the one before, and takes that byte
// on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "link/robot_link.h"
#include "platform/fake/fake_platform.h"

struct FakeRobot {
  std::uint64_t delay = 1;
  // The value for a complete frame (0xE2 ch 0 or 0xF7 p1 p2 0).
  std::function<int(const std::vector<std::uint8_t>& frame)> value = [](const auto&) {
    return 0x80;
  };
  // Faults: drop the value byte; corrupt the echo of byte 1.
  bool drop_last = false;
  bool bad_echo = false;

  std::vector<std::vector<std::uint8_t>> frames;   // requests seen
  std::vector<std::uint8_t> commands;              // command bytes seen
  std::vector<std::vector<std::uint8_t>> dropped;  // requests cut off and dropped

  // Makes this the fake platform's robot. It must outlive the test's calls.
  void Attach() {
    fake::Get().robot = [this](std::uint8_t b, std::uint64_t t) { OnByte(b, t); };
  }

 private:
  void OnByte(std::uint8_t b, std::uint64_t t) {
    if (!frame_.empty() && t - last_ > static_cast<std::uint64_t>(kRobotFrameTimeoutMs)) {
      dropped.push_back(frame_);
      frame_.clear();
    }
    last_ = t;
    if (frame_.empty()) {
      if (b == 0xE2)
        need_ = 3;
      else if (b == 0xF7)
        need_ = 4;
      else {
        commands.push_back(b);
        return;
      }
    }
    frame_.push_back(b);
    const bool last = frame_.size() == need_;
    std::uint8_t reply = b;
    if (frame_.size() == 2 && bad_echo) reply ^= 0xFF;
    if (last) reply = static_cast<std::uint8_t>(value(frame_));
    if (!(last && drop_last)) fake::RobotSends(t + delay, {reply});
    if (last) {
      frames.push_back(frame_);
      frame_.clear();
    }
  }

  std::vector<std::uint8_t> frame_;
  std::size_t need_ = 0;
  std::uint64_t last_ = 0;  // when the latest byte came
};
