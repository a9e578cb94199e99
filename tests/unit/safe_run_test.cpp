// The run's ways out, hold to drive and a port that is gone, on the fake
// platform in virtual time: what the robot receives, and when.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/run.h"
#include "tests/support/fake_fixture.h"
#include "tests/support/fake_robot.h"

namespace {

using fake::Call;
using ::testing::ElementsAre;
using ::testing::Pair;
using Bytes = std::vector<std::uint8_t>;

constexpr LinkMode kStrobe = LinkMode::kStrobe;
constexpr LinkMode kCable = LinkMode::kCable;
constexpr std::uint8_t kStop = 5;

const char* ModeName(LinkMode mode) {
  return mode == kCable ? "cable" : "strobe";
}

class SafeRunTest : public FakeTest {
 protected:
  // Runs the loop with these settings until it ends by itself; its stderr.
  // `before` runs once the run is made, just before its loop starts.
  std::string RunLoop(
      RunSettings settings, const std::function<void()>& before = [] {}) {
    settings.port = 1;
    robot_.Attach();
    ::Run run(settings, RobotLink(OpenQuietly(), settings.mode, PlatformClock()), KeyboardInput());
    before();
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    status_ = run.Execute();
    out_ = ::testing::internal::GetCapturedStdout();
    return ::testing::internal::GetCapturedStderr();
  }

  // (virtual time, byte) of every command byte the robot got (requests are
  // in robot_.frames).
  static std::vector<std::pair<std::uint64_t, int>> Commands() {
    std::vector<std::pair<std::uint64_t, int>> out;
    for (const fake::Record& r : fake::Calls(Call::kWrite)) {
      if (r.ok && r.count > 0 && r.bytes[0] >= 1 && r.bytes[0] <= 32)
        out.emplace_back(r.time, r.bytes[0]);
    }
    return out;
  }

  // The calls of the log from the first of kind `call` on.
  static std::vector<fake::Record> From(Call call) {
    const auto& log = fake::Get().log;
    auto it =
        std::find_if(log.begin(), log.end(), [&](const fake::Record& r) { return r.call == call; });
    return {it, log.end()};
  }

  FakeRobot robot_;
  int status_ = -1;
  std::string out_;  // the monitors' lines
};

// Every way out, with and without a stop command, in both link modes: with
// one the robot gets it once, after the last command, and the run ends as
// it would without; without one nothing more goes out.
TEST_F(SafeRunTest, EveryWayOutSendsTheStopCommandOnceAfterTheLastCommand) {
  struct Way {
    const char* name;
    std::function<void()> set_up;  // after '7' at 0
    bool monitor;                  // -a 3, the robot does not answer
    int status;
    bool by_request;
    int suspends;
  };
  const Way ways[] = {
      {"quit key", [] { fake::PressKey(100, 27); }, false, 0, false, 0},
      {"failed sample", [] {}, true, 1, false, 0},
      {"end request (a signal)", [] { fake::RequestAt(100, OutsideRequest::kEnd); }, false, 0, true,
       0},
      {"suspend, then the quit key",
       [] {
         fake::RequestAt(100, OutsideRequest::kSuspend);
         fake::PressKey(300, 'S');
       },
       false, 0, false, 1},
  };
  for (LinkMode mode : {kStrobe, kCable}) {
    for (bool with_stop : {true, false}) {
      for (const Way& way : ways) {
        const std::string name = std::string(way.name) + ", " + ModeName(mode) +
                                 (with_stop ? ", --stop 5" : ", no stop");
        const fake::Platform fresh;
        robot_ = FakeRobot{};
        robot_.drop_last = way.monitor;  // no reply: the first sample fails
        fake::PressKey(0, '7');
        way.set_up();
        RunSettings settings{.mode = mode};
        if (way.monitor) settings.ad_channel = 3;
        if (with_stop) settings.stop_command = kStop;
        const std::string err = RunLoop(settings);
        EXPECT_EQ(status_, way.status) << name;
        EXPECT_EQ(fake::Get().end_requested, way.by_request) << name;
        // A signal that comes once the terminal reads single keys ends the
        // run this way, never by its default action.
        EXPECT_FALSE(fake::Get().keyboard_before_requests) << name;
        EXPECT_EQ(fake::Count(Call::kSuspend), way.suspends) << name;
        Bytes want = {7};
        if (with_stop) want.insert(want.end(), way.suspends + 1, kStop);
        EXPECT_EQ(robot_.commands, want) << name;
        // The stop command's strobe is made (on the fake RTS works), then
        // the port is closed.
        EXPECT_EQ(fake::Get().log.back().call, Call::kClose) << name;
        const bool strobe_ok = err.find("CMD:") == std::string::npos;
        EXPECT_TRUE(strobe_ok) << name << err;
        // Before the suspend: the stop command is out and RTS is up.
        if (way.suspends) {
          const std::vector<fake::Record> rest = From(Call::kSuspend);
          const auto& log = fake::Get().log;
          const auto at = log.size() - rest.size();
          ASSERT_GT(at, 0u) << name;
          if (with_stop) {
            const fake::Record& before = log[at - 1];
            EXPECT_EQ(before.call, mode == kStrobe ? Call::kSetRts : Call::kPause) << name;
            if (mode == kStrobe) {
              EXPECT_EQ(before.value, 1) << name;
            }
          }
        }
      }
    }
  }
}

// The stop command goes out even when it repeats the previous command
// within 500 ms, and a key after it is never taken for a repeat of the
// command before the stop.
TEST_F(SafeRunTest, TheStopCommandIsNeverARepeat) {
  // Passes at 13 + 5k after the first send, at 66 + 5k after the second,
  // at 164 + 5k after the third.
  fake::PressKey(0, '5');                         // the stop command's own key
  fake::RequestAt(50, OutsideRequest::kSuspend);  // stop again, read at 53
  fake::PressKey(101, 'x');                       // no action: puts back the pending command
  fake::PressKey(151, '7');
  fake::PressKey(204, '7');  // a repeat: dropped
  fake::PressKey(254, 27);
  RunLoop({.mode = kCable, .stop_command = kStop});
  EXPECT_THAT(Commands(), ElementsAre(Pair(0u, 5), Pair(53u, 5), Pair(151u, 7), Pair(254u, 5)));
}

// Hold to drive: the stop command follows the last command key by the hold
// time, once; a command key dropped as a repeat keeps the robot going too, a
// key without action does not. A hold time shorter than the keyboard's
// repeat delay stops the robot until the repeat starts.
TEST_F(SafeRunTest, HoldSendsTheStopCommandOnceWhenNoCommandKeyCameForTheHoldTime) {
  using Sent = std::vector<std::pair<std::uint64_t, int>>;
  // A key held down: pressed at 0, repeated from 658 every 35 ms up to 1183.
  std::vector<std::uint64_t> held = {0};
  for (std::uint64_t t = 658; t <= 1183; t += 35)
    held.push_back(t);
  struct Case {
    const char* name;
    std::int32_t hold_ms;
    std::vector<std::uint64_t> keys;  // 'H' at these times
    std::uint64_t other;              // 'x' (no action) at this time, or 0
    Sent commands;                    // before the quit's own stop command
  };
  // The first pass sends at 0 and ends at 8; passes follow at 13 + 5k (after
  // a later send, at its end + 5 + 5k), and a key is read at the first pass
  // from its time on. The repeat rule lets a held key's command out at most
  // once in 500 ms.
  const Case cases[] = {
      {"one press", 600, {0}, 0, {{0, 11}, {603, kStop}}},
      {"a key without action does not hold", 600, {0}, 303, {{0, 11}, {603, kStop}}},
      {"a press dropped as a repeat holds", 600, {0, 508}, 0, {{0, 11}, {1108, kStop}}},
      {"held, hold time above the repeat delay",
       700,
       held,
       0,
       {{0, 11}, {658, 11}, {1186, 11}, {1889, kStop}}},
      {"held, hold time below the repeat delay",
       600,
       held,
       0,
       {{0, 11}, {603, kStop}, {661, 11}, {1184, 11}, {1787, kStop}}},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    for (std::uint64_t t : c.keys)
      fake::PressKey(t, 'H');
    if (c.other) fake::PressKey(c.other, 'x');
    fake::PressKey(3000, 27);
    RunLoop({.mode = kCable, .stop_command = kStop, .hold_ms = c.hold_ms});
    Sent got = Commands();
    ASSERT_FALSE(got.empty()) << c.name;
    EXPECT_EQ(got.back().second, kStop) << c.name;  // the quit's
    EXPECT_GE(got.back().first, 3000u) << c.name;
    got.pop_back();
    EXPECT_EQ(got, c.commands) << c.name;
  }
}

// Keys that pile up behind slow passes: with a monitor at -t 0 a pass takes
// a whole sample, longer than a held key's repeats (every 33 ms, 3 s long,
// as a terminal's auto-repeat). The repeats that came during a pass are one
// press; the hold time counts from when the last of them came; a quit key
// ends the run at the pass after it came, whatever came before it.
TEST_F(SafeRunTest, KeysThatPileUpBehindSamplesDriveNoLongerThanTheHand) {
  constexpr std::uint64_t kLetGo = 2970;  // the last repeat
  struct Case {
    const char* name;
    LinkMode mode;
    std::uint64_t esc;  // the quit key
  };
  const Case cases[] = {
      {"strobe, Esc 200 ms after the release", kStrobe, kLetGo + 200},
      {"cable, Esc 200 ms after the release", kCable, kLetGo + 200},
      {"strobe, held, then the hold stop", kStrobe, 6000},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    robot_ = FakeRobot{};
    for (std::uint64_t t = 0; t <= kLetGo; t += 33)
      fake::PressKey(t, 'H');
    fake::PressKey(c.esc, 27);
    RunLoop(
        {.mode = c.mode, .ad_channel = 3, .interval_ms = 0, .stop_command = kStop, .hold_ms = 700});
    EXPECT_EQ(status_, 0) << c.name;
    // A pass: the sample's two requests (at most 120 ms here).
    const std::uint64_t pass = 120;
    std::uint64_t last_drive = 0;
    std::vector<std::uint64_t> stops;
    for (const auto& [time, command] : Commands()) {
      if (command == 11) last_drive = time;
      if (command == kStop) stops.push_back(time);
    }
    EXPECT_GE(last_drive, kLetGo - pass) << c.name;
    EXPECT_LE(last_drive, kLetGo + pass) << c.name;
    const std::uint64_t closed = fake::Calls(Call::kClose).at(0).time;
    EXPECT_GE(closed, c.esc) << c.name;
    EXPECT_LE(closed, c.esc + pass) << c.name;
    ASSERT_FALSE(stops.empty()) << c.name;
    if (c.esc > kLetGo + 700 + pass) {
      // The hold stop, 700 ms after the last repeat came, then the quit's.
      ASSERT_EQ(stops.size(), 2u) << c.name;
      EXPECT_GE(stops[0], kLetGo + 700) << c.name;
      EXPECT_LE(stops[0], kLetGo + 700 + pass) << c.name;
    }
    EXPECT_GT(stops.back(), last_drive) << c.name;
  }
}

// A suspend (Ctrl+Z) drops every key not yet acted on: those that piled up
// behind a sample and those still in the keyboard; after it only keys
// typed later drive.
TEST_F(SafeRunTest, ASuspendDropsTheKeysNotYetActedOn) {
  // The keys 1 to 4 come during the first sample's pass; the next pass
  // takes them and sends 1. The suspend comes during that pass, and 7 after
  // it, still in the keyboard when the suspend is acted on at the pass
  // after. (A cable-mode sample takes about 12 ms here, a strobe one 57.)
  struct Case {
    LinkMode mode;
    std::uint64_t suspend;
  };
  for (const Case& c : {Case{kCable, 18}, Case{kStrobe, 80}}) {
    const fake::Platform fresh;
    robot_ = FakeRobot{};
    for (unsigned char key : {'1', '2', '3', '4'})
      fake::PressKey(1, key);
    fake::RequestAt(c.suspend, OutsideRequest::kSuspend);
    fake::PressKey(c.suspend + 1, '7');
    fake::PressKey(400, '6');
    fake::PressKey(600, 'S');
    RunLoop({.mode = c.mode, .ad_channel = 3, .interval_ms = 0, .stop_command = kStop});
    EXPECT_EQ(fake::Count(Call::kSuspend), 1) << ModeName(c.mode);
    EXPECT_EQ(robot_.commands, (Bytes{1, kStop, 6, kStop})) << ModeName(c.mode);
  }
}

// A stop command that cannot go out says that the robot may still be
// moving, in its own words; on the way out its write waits 200 ms at most.
TEST_F(SafeRunTest, AStopCommandThatCannotGoOutSaysTheRobotMayStillMove) {
  struct Case {
    const char* name;
    std::function<void()> set_up;
    const char* err;
    int write_timeout;  // of the stop's write
  };
  const Case cases[] = {
      {"quit key",
       [] {
         fake::PressKey(0, '7');
         fake::PressKey(100, 27);
         fake::Refuse(Call::kWrite, 5, 1, 1);  // the stop's write
       },
       "padlink: the stop command could not be sent: the robot may still be moving\n", 200},
      {"end request",
       [] {
         fake::PressKey(0, '7');
         fake::RequestAt(100, OutsideRequest::kEnd);
         fake::Refuse(Call::kWrite, 5, 1, 1);
       },
       "padlink: the stop command could not be sent: the robot may still be moving\n", 200},
      {"hold stop",
       [] {
         fake::PressKey(0, '7');
         fake::PressKey(1000, 27);
         fake::Refuse(Call::kWrite, 5, 1, 1);  // the hold's stop; the quit's goes
       },
       "padlink: the stop command could not be sent: the robot may still be moving\n", 200},
      {"port gone before the quit",
       [] {
         fake::PressKey(0, '7');
         fake::Refuse(Call::kWaiting, fake::kDeviceGone, 0, 1);  // the look at 100
         fake::Refuse(Call::kOpen, 2);                           // never back
         fake::PressKey(300, 27);
       },
       "padlink: port 1 (fake:com1) is gone: error 1001; trying it again every 0.5 s\n"
       "padlink: the stop command could not be sent: the robot may still be moving\n",
       0},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    robot_ = FakeRobot{};
    RunSettings settings{.mode = kCable, .stop_command = kStop};
    if (std::string(c.name) == "hold stop") settings.hold_ms = 500;
    const std::string err = RunLoop(settings, c.set_up);
    EXPECT_EQ(err, c.err) << c.name;
    EXPECT_EQ(status_, 0) << c.name;
    const auto writes = fake::Calls(Call::kWrite);
    if (c.write_timeout) {
      EXPECT_EQ(writes.back().timeout, c.write_timeout) << c.name;
    }
  }
}

// Without monitors a port that is gone leaves the run going: said once,
// keys reported and never sent later, the port tried every half second
// until it opens; then the stop command goes out and keys drive again.
TEST_F(SafeRunTest, APortThatIsGoneIsTriedAgainUntilItIsBack) {
  fake::PressKey(0, '7');
  fake::PressKey(103, '8');   // gone
  fake::PressKey(403, '9');   // reported, never sent
  fake::PressKey(2009, '6');  // on a pass after the stop command at 1611
  fake::PressKey(2107, 27);
  const std::string err = RunLoop({.mode = kCable, .stop_command = kStop}, [] {
    fake::Refuse(Call::kWrite, fake::kDeviceGone, 1, 1);  // the second command's write
    fake::Refuse(Call::kOpen, 2, 0, 2);                   // two tries fail
  });
  EXPECT_EQ(err,
            "CMD:Send error 0 bytes sent.\n"
            "padlink: port 1 (fake:com1) is gone: error 1001; trying it again every 0.5 s\n"
            "CMD:Send error 0 bytes sent.\n"
            "padlink: port 1 (fake:com1) is back\n");
  EXPECT_EQ(status_, 0);
  // Tried 500 ms apart from the loss at 111; the third try opens it.
  std::vector<std::uint64_t> tries;
  for (const fake::Record& r : fake::Calls(Call::kOpen))
    tries.push_back(r.time);
  EXPECT_THAT(tries, ElementsAre(611u, 1111u, 1611u));
  EXPECT_EQ(robot_.commands, (Bytes{7, kStop, 6, kStop}));
  EXPECT_THAT(Commands(),
              ElementsAre(Pair(0u, 7), Pair(1611u, kStop), Pair(2009u, 6), Pair(2107u, kStop)));
  // The old port was closed at the loss; the new one carries the rest.
  const auto closes = fake::Calls(Call::kClose);
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_EQ(closes[0].time, 111u);
  EXPECT_NE(closes[0].port, closes[1].port);
  EXPECT_EQ(fake::Calls(Call::kWrite).back().port, closes[1].port);
}

// The loss is found without a key too: the run looks at its port every
// 100 ms. The quit key works while the port is gone, with nothing sent.
TEST_F(SafeRunTest, AnIdleRunFindsItsPortGoneAndQuitsWithoutIt) {
  fake::PressKey(1000, 'S');
  const std::string err = RunLoop({.mode = kStrobe, .stop_command = kStop}, [] {
    fake::Refuse(Call::kWaiting, fake::kDeviceGone, 2, 1);  // the third look
    fake::Refuse(Call::kOpen, 2);                           // never back
  });
  EXPECT_EQ(err, "padlink: port 1 (fake:com1) is gone: error 1001; trying it again every 0.5 s\n");
  EXPECT_EQ(status_, 0);
  std::vector<std::uint64_t> looks;
  for (const fake::Record& r : fake::Calls(Call::kWaiting))
    looks.push_back(r.time);
  EXPECT_THAT(looks, ElementsAre(100u, 200u, 300u));
  EXPECT_EQ(fake::Count(Call::kWrite), 0);
  EXPECT_EQ(fake::Count(Call::kOpen), 1);  // at 800
}

// With a monitor the failed sample ends the run, as it always has; the stop
// command is not tried on a port that is gone.
TEST_F(SafeRunTest, WithAMonitorAPortThatIsGoneEndsTheRun) {
  const std::string err = RunLoop({.mode = kCable, .ad_channel = 3, .stop_command = kStop},
                                  [] { fake::Refuse(Call::kWrite, fake::kDeviceGone); });
  EXPECT_EQ(status_, 1);
  EXPECT_EQ(err, "PeekAD3:Send error.\nPeekSRAM:Send error.\n");
  EXPECT_EQ(fake::Count(Call::kWrite), 2);  // the first byte of each request
  EXPECT_EQ(fake::Count(Call::kOpen), 0);
}

}  // namespace
