#include "bench/failed_sample.h"

#include <cstdint>

#include "bench/stats.h"

namespace {

// A frame padlink wrote to its port, and what it did about the reply.
struct Frame {
  int len;
  std::uint64_t last_write = 0;
  std::uint64_t last_poll = 0;
  bool read = false;
};

std::vector<Frame> FramesOnPort(const std::vector<Event>& padlink) {
  const std::string port = PortDevice(padlink);
  std::vector<Frame> frames;
  int need = 0;
  for (const Event& e : padlink) {
    if (e.dev != port) continue;
    if (e.kind == 'W') {
      for (std::uint8_t b : Hex(e.data)) {
        if (need == 0) {
          need = FrameLength(b);
          frames.push_back({need});
        }
        frames.back().last_write = e.ns;
        --need;
      }
    } else if (!frames.empty() && e.kind == 'R') {
      frames.back().read = true;
    } else if (!frames.empty() && e.kind == 'Q') {
      frames.back().last_poll = e.ns;
    }
  }
  return frames;
}

// The first request padlink looked for a reply to and read none; or null.
const Frame* FirstUnanswered(const std::vector<Frame>& frames) {
  for (const Frame& f : frames) {
    if (f.len > 1 && !f.read && f.last_poll) return &f;
  }
  return nullptr;
}

// When the robot first read after `from`, and when it then wrote; 0 for never.
struct RobotSide {
  std::uint64_t read = 0;
  std::uint64_t reply = 0;
};

RobotSide RobotAfter(const std::vector<Event>& robot, std::uint64_t from) {
  RobotSide r;
  for (const Event& e : robot) {
    if (!r.read && e.kind == 'R' && e.ns >= from) r.read = e.ns;
    if (r.read && e.kind == 'W' && e.ns >= r.read) {
      r.reply = e.ns;
      break;
    }
  }
  return r;
}

std::string Between(std::uint64_t from, std::uint64_t to) {
  return to > from ? Fixed(static_cast<double>(to - from) / 1e6, 1) + " ms" : std::string("-");
}

std::string Why(const Frame& failed, const RobotSide& robot) {
  const std::uint64_t t = failed.last_write;
  if (!robot.read || robot.read > failed.last_poll) {
    return "the last byte reached the robot " +
           (robot.read ? Between(t, robot.read) : std::string("never")) +
           " after padlink wrote it; padlink looked for the reply until " +
           Between(t, failed.last_poll) + " after it (delivery to the robot)";
  }
  if (robot.read - t > 20000000)
    return "the last byte reached the robot " + Between(t, robot.read) + " after padlink wrote it";
  if (!robot.reply || robot.reply - robot.read > 20000000)
    return "the robot replied " + Between(robot.read, robot.reply) + " after it read the last byte";
  if (failed.last_poll > robot.reply + 5000000) {
    return "the robot replied " + Between(t, robot.reply) +
           " after the last byte; padlink's last look, " + Between(t, failed.last_poll) +
           " after it, did not see the reply yet (delivery to padlink)";
  }
  return "padlink stopped looking " + Between(t, failed.last_poll) +
         " after the last byte; the robot replied at " + Between(t, robot.reply);
}

}  // namespace

std::string ExplainFailure(const std::vector<Event>& padlink, const std::vector<Event>& robot,
                           const std::string& stderr_text) {
  const std::vector<Frame> frames = FramesOnPort(padlink);
  const Frame* failed = FirstUnanswered(frames);
  const std::string first_line = stderr_text.substr(0, stderr_text.find('\n'));
  if (!failed) return first_line + ": (no timed-out request in the log)";
  return first_line + ": " + Why(*failed, RobotAfter(robot, failed->last_write));
}
