// The robot link over the fake port, in virtual time: commands, both echo
// exchange disciplines and the read requests. Each test builds its own link.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/robot_link.h"
#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "tests/support/fake_robot.h"

namespace {

using fake::Call;
using Bytes = std::vector<std::uint8_t>;

constexpr LinkMode kStrobe = LinkMode::kStrobe;
constexpr LinkMode kCable = LinkMode::kCable;

const Bytes kAD = {0xE2, 0x03, 0x00};
const Bytes kSRAM = {0xF7, 0x41, 0x01, 0x00};

const char* ModeName(LinkMode mode) {
  return mode == kCable ? "cable" : "strobe";
}

// The calls the fake recorded, oldest first, one word each: the kind, what
// it was given, "@" its virtual start time, ":" what it returned, and "!"
// when it was refused.
std::string Trace() {
  std::string out;
  char word[64];
  for (const fake::Record& r : fake::Get().log) {
    const auto t = static_cast<unsigned long long>(r.time);
    const int v = static_cast<int>(r.value);
    const char* refused = r.ok ? "" : "!";
    switch (r.call) {
      case Call::kWrite:
        std::snprintf(word, sizeof word, "write%02X@%llu:%d%s", r.bytes.empty() ? 0 : r.bytes[0], t,
                      r.count, refused);
        break;
      case Call::kSetRts:
        std::snprintf(word, sizeof word, "rts-%s@%llu%s", v ? "on" : "off", t, refused);
        break;
      case Call::kPause:
        std::snprintf(word, sizeof word, "pause%d@%llu", v, t);
        break;
      case Call::kWaitFor:
      case Call::kRead:
        std::snprintf(word, sizeof word, "%s%d/%d@%llu:%d%s",
                      r.call == Call::kRead ? "read" : "wait", v, r.timeout, t, r.count, refused);
        break;
      case Call::kClose:
        std::snprintf(word, sizeof word, "close@%llu%s", t, refused);
        break;
      case Call::kWaiting:
        std::snprintf(word, sizeof word, "waiting@%llu:%d%s", t, r.count, refused);
        break;
      case Call::kSetDtr:
        std::snprintf(word, sizeof word, "dtr-%s@%llu%s", v ? "on" : "off", t, refused);
        break;
      default:
        std::snprintf(word, sizeof word, "call%d@%llu%s", static_cast<int>(r.call), t, refused);
    }
    out += out.empty() ? "" : " ";
    out += word;
  }
  return out;
}

// One strobed byte written at t.
std::string Strobed(const char* hex, unsigned t) {
  char out[96];
  std::snprintf(out, sizeof out, "write%s@%u:1 rts-off@%u pause8@%u rts-on@%u", hex, t, t, t,
                t + 8);
  return out;
}

class LinkTest : public ::testing::Test {
 protected:
  fake::Platform platform_;

  // A link over a fresh port of the fake; the open is not in the log.
  static RobotLink MakeLink(LinkMode mode) {
    SysResult<std::unique_ptr<Port>> port = PlatformOpenSerialDevice(PlatformSerialDeviceName(1));
    EXPECT_TRUE(port.ok());
    fake::Get().log.clear();
    return RobotLink(std::move(port.value()), mode, PlatformClock());
  }

  // Puts a request into TxBuffer and runs the exchange.
  static LinkResult<std::uint8_t> Exchange(RobotLink& link, const Bytes& request) {
    std::copy(request.begin(), request.end(), link.TxBuffer().begin());
    return link.EchoExchange(static_cast<std::int32_t>(request.size()));
  }

  // The failure, or nothing for a value.
  static std::optional<LinkFailure> FailureOf(const LinkResult<std::uint8_t>& r) {
    if (r.ok()) return std::nullopt;
    return r.error().failure;
  }

  FakeRobot robot_;
};

TEST_F(LinkTest, TheFailuresKeepTheResultsTheLinkAlwaysReported) {
  EXPECT_EQ(static_cast<int>(LinkFailure::kSendError), -1);
  EXPECT_EQ(static_cast<int>(LinkFailure::kMismatch), -2);
  EXPECT_EQ(static_cast<int>(LinkFailure::kTimeout), -3);
  EXPECT_EQ(static_cast<int>(LinkFailure::kSetRts), -4);
  EXPECT_EQ(static_cast<int>(LinkFailure::kClearRts), -5);
}

// ---------------------------------------------------------------------------
// Commands

TEST_F(LinkTest, CommandsInBothModesMakeEveryStepWhateverTheOneBeforeDid) {
  struct Case {
    const char* name;
    LinkMode mode;
    std::optional<Call> refused;  // refused once, from the start
    bool stall;                   // the write stalls instead
    CommandOutcome outcome;
    const char* trace;
  };
  const Case cases[] = {
      {"strobe", kStrobe, {}, false, {true, true, true}, "write31@0:1 rts-off@0 pause8@0 rts-on@8"},
      {"strobe, write refused",
       kStrobe,
       Call::kWrite,
       false,
       {false, true, true},
       "write31@0:0! rts-off@0 pause8@0 rts-on@8"},
      {"strobe, write stalls",
       kStrobe,
       {},
       true,
       {false, true, true},
       "write31@0:0 rts-off@1000 pause8@1000 rts-on@1008"},
      {"strobe, clear refused",
       kStrobe,
       Call::kSetRts,
       false,
       {true, false, true},
       "write31@0:1 rts-off@0! pause8@0 rts-on@8"},
      {"cable", kCable, {}, false, {true, true, true}, "write31@0:1 pause8@0"},
      {"cable, write refused",
       kCable,
       Call::kWrite,
       false,
       {false, true, true},
       "write31@0:0! pause8@0"},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(c.mode);
    if (c.refused) fake::Refuse(*c.refused, 5, 0, 1);
    if (c.stall) fake::StallWrites(0, 1);
    robot_ = FakeRobot{};
    robot_.Attach();
    const CommandOutcome out = link.SendCommand(0x31);
    EXPECT_EQ(out.sent, c.outcome.sent) << c.name;
    EXPECT_EQ(out.rts_cleared, c.outcome.rts_cleared) << c.name;
    EXPECT_EQ(out.rts_set, c.outcome.rts_set) << c.name;
    EXPECT_EQ(out.ok(), c.outcome.sent && c.outcome.rts_cleared && c.outcome.rts_set) << c.name;
    EXPECT_EQ(Trace(), c.trace) << c.name;
    EXPECT_EQ(fake::Calls(Call::kWrite)[0].timeout, kComDefaultTimeoutMs) << c.name;
    EXPECT_EQ(robot_.commands, c.outcome.sent ? Bytes{0x31} : Bytes{}) << c.name;
  }
}

TEST_F(LinkTest, ACommandWhoseStrobeCannotSetRtsSaysSo) {
  RobotLink link = MakeLink(kStrobe);
  fake::Refuse(Call::kSetRts, 5, 1, 1);  // the clear goes through, the set does not
  const CommandOutcome out = link.SendCommand(0x32);
  EXPECT_TRUE(out.sent);
  EXPECT_TRUE(out.rts_cleared);
  EXPECT_FALSE(out.rts_set);
  EXPECT_FALSE(out.ok());
  EXPECT_EQ(Trace(), "write32@0:1 rts-off@0 pause8@0 rts-on@8!");
}

// The run's repeat rule learns of requests from this count: every request
// counts, a failed one as well.
TEST_F(LinkTest, EveryRequestIsCountedAndNoCommand) {
  RobotLink link = MakeLink(kCable);
  robot_.Attach();
  link.SendCommand(0x33);
  EXPECT_EQ(link.RequestsMade(), 0u);
  EXPECT_TRUE(link.PeekAD(1).ok());
  EXPECT_EQ(link.RequestsMade(), 1u);
  fake::Refuse(Call::kWrite, 5);
  EXPECT_FALSE(link.PeekSRAM(1, 2).ok());
  EXPECT_EQ(link.RequestsMade(), 2u);
}

// ---------------------------------------------------------------------------
// Strobe mode

// Three strobed bytes at 0, 8 and 16; the last echo arrives at 36: one wait
// from 24 for the whole reply returns then, and the read finds it there.
TEST_F(LinkTest, StrobeModeStrobesEveryByteThenAwaitsTheWholeReplyOnce) {
  RobotLink link = MakeLink(kStrobe);
  robot_.delay = 20;
  robot_.Attach();
  const auto r = Exchange(link, kAD);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(*r, 0x80);
  EXPECT_EQ(Trace(), Strobed("E2", 0) + " " + Strobed("03", 8) + " " + Strobed("00", 16) +
                         " wait3/50@24:3 read3/1000@36:3");
  EXPECT_EQ(fake::Written(), kAD);
  EXPECT_EQ(Bytes(link.RxBuffer().begin(), link.RxBuffer().begin() + 3), (Bytes{0xE2, 0x03, 0x80}));
}

TEST_F(LinkTest, StrobeModeGivesUpAfter50msAndLeavesTheBytesWaiting) {
  RobotLink link = MakeLink(kStrobe);
  robot_.drop_last = true;
  robot_.Attach();
  const auto r = Exchange(link, kAD);
  EXPECT_EQ(FailureOf(r), LinkFailure::kTimeout);
  EXPECT_FALSE(r.error().cause.has_value());
  EXPECT_EQ(fake::Get().log.back().call, Call::kWaitFor);  // no read
  EXPECT_EQ(fake::Get().now, 74u);
  EXPECT_EQ(fake::Waiting(), 2);  // for the next exchange
}

// The wait for the reply ends at 74; a reply there by then is taken. When the
// process runs again late (it waited for the processor, or was stopped), a
// reply that arrived meanwhile was in time.
TEST_F(LinkTest, StrobeModeTakesAReplyThatCameWhileTheWaitWokeLate) {
  struct Case {
    const char* name;
    std::uint64_t late;     // extra ms before the wait returns
    std::uint64_t arrival;  // when the whole reply has arrived
    std::optional<LinkFailure> failure;
  };
  const Case cases[] = {
      {"on time, reply at the deadline", 0, 74, {}},
      {"on time, reply after the deadline", 0, 75, LinkFailure::kTimeout},
      {"late, reply while the process did not run", 30, 90, {}},
      {"late, no reply yet", 30, 200, LinkFailure::kTimeout},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(kStrobe);
    fake::Get().late_waits[0] = c.late;
    fake::RobotSends(c.arrival, {0xE2, 0x03, 0x80});
    const auto r = Exchange(link, kAD);
    EXPECT_EQ(FailureOf(r), c.failure) << c.name;
    if (r.ok()) {
      EXPECT_EQ(*r, 0x80) << c.name;
    }
    EXPECT_EQ(fake::Count(Call::kWaitFor), 1) << c.name;
  }
}

// A failed step ends the exchange; a failed clear still pauses and sets RTS
// again first. Nothing is printed.
TEST_F(LinkTest, StrobeModeFailuresStopTheExchangeWithRtsBackUp) {
  struct Case {
    const char* name;
    Call refused;
    int after;   // calls of the kind that succeed first
    int times;   // calls refused after those
    bool stall;  // writes stall instead of failing
    LinkFailure failure;
    std::optional<ComStep> cause;
    const char* trace_end;  // the calls after the first strobed byte
  };
  const Case cases[] = {
      {"second write refused", Call::kWrite, 1, 1, false, LinkFailure::kSendError,
       ComStep::kTransfer, "write41@8:0!"},
      {"second write stalls", Call::kWrite, 1, 1, true, LinkFailure::kSendError, {}, "write41@8:0"},
      {"clear RTS refused on the second byte", Call::kSetRts, 2, 1, false, LinkFailure::kClearRts,
       ComStep::kLine, "write41@8:1 rts-off@8! pause8@8 rts-on@16"},
      {"clear and set refused on the second byte", Call::kSetRts, 2, 2, false,
       LinkFailure::kClearRts, ComStep::kLine, "write41@8:1 rts-off@8! pause8@8 rts-on@16!"},
      {"set RTS refused on the second byte", Call::kSetRts, 3, 1, false, LinkFailure::kSetRts,
       ComStep::kLine, "write41@8:1 rts-off@8 pause8@8 rts-on@16!"},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(kStrobe);
    robot_ = FakeRobot{};
    robot_.Attach();
    if (c.stall) {
      fake::StallWrites(c.after, c.times);
    } else {
      fake::Refuse(c.refused, 5, c.after, c.times);
    }
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    const auto r = Exchange(link, kSRAM);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c.name;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.name;
    EXPECT_EQ(FailureOf(r), c.failure) << c.name;
    if (r.ok()) continue;
    EXPECT_EQ(r.error().cause.has_value(), c.cause.has_value()) << c.name;
    if (r.error().cause && c.cause) {
      EXPECT_EQ(r.error().cause->step, *c.cause) << c.name;
      EXPECT_EQ(r.error().cause->cause.code, 5) << c.name;
      EXPECT_EQ(r.error().cause->cause.text, "error 5") << c.name;
    }
    EXPECT_EQ(Trace(), Strobed("F7", 0) + " " + c.trace_end) << c.name;
  }
}

// ---------------------------------------------------------------------------
// Cable mode

// Each echo is read 3 ms after its byte, the moment it arrives; the next
// byte goes out then, and the reply is whole with the last echo.
TEST_F(LinkTest, CableModeAwaitsEachEchoAndMakesNoRtsChanges) {
  RobotLink link = MakeLink(kCable);
  robot_.delay = 3;
  robot_.Attach();
  const auto r = Exchange(link, {0xE2, 0x05, 0x00});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(*r, 0x80);
  EXPECT_EQ(Trace(), "writeE2@0:1 read1/50@0:1 write05@3:1 read1/50@3:1 write00@6:1 read1/50@6:1");
}

// Echoes far beyond each byte's 50 ms: the final read waits for the reply
// within its time-out; a reply later than that is a time-out.
TEST_F(LinkTest, CableModeLateEchoesAreCaughtByTheFinalRead) {
  struct Case {
    std::uint64_t delay;
    std::optional<LinkFailure> failure;
    std::uint64_t ends_at;
  };
  // Bytes at 0, 50 and 100 after waits that time out; the read from 150.
  const Case cases[] = {
      {200, {}, 300},                       // the last echo at 300
      {1000, {}, 1100},                     // at 1100, still within the read's 1000 ms
      {1100, LinkFailure::kTimeout, 1150},  // the last echo after the read gave up
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(kCable);
    robot_ = FakeRobot{};
    robot_.delay = c.delay;
    robot_.Attach();
    const auto r = Exchange(link, {0xE2, 0x05, 0x00});
    EXPECT_EQ(FailureOf(r), c.failure) << c.delay;
    if (r.ok()) {
      EXPECT_EQ(*r, 0x80) << c.delay;
    }
    EXPECT_EQ(fake::Get().now, c.ends_at) << c.delay;
    // Three echo reads that time out, then the final read of the whole reply.
    const auto read = fake::Calls(Call::kRead);
    ASSERT_EQ(read.size(), 4u) << c.delay;
    EXPECT_EQ(read[3].time, 150u) << c.delay;
    EXPECT_EQ(read[3].value, 3) << c.delay;
    EXPECT_EQ(read[3].timeout, kComDefaultTimeoutMs) << c.delay;
  }
}

// A short read is a time-out, even when RxBuffer still holds an earlier
// reply that would pass the check.
TEST_F(LinkTest, CableModeShortReplyIsATimeoutNotStaleBytes) {
  RobotLink link = MakeLink(kCable);
  robot_.value = [](const Bytes&) { return 0x77; };
  robot_.Attach();
  ASSERT_EQ(Exchange(link, {0xE2, 0x05, 0x00}).value(), 0x77);
  robot_.drop_last = true;
  const auto r = Exchange(link, {0xE2, 0x05, 0x00});
  EXPECT_EQ(FailureOf(r), LinkFailure::kTimeout);
  EXPECT_FALSE(r.error().cause.has_value());
  // The first two echoes came; the final read waited for the last in vain.
  EXPECT_EQ(fake::Calls(Call::kRead).back().value, 1);
  EXPECT_EQ(fake::Calls(Call::kRead).back().count, 0);
}

// ---------------------------------------------------------------------------
// Both modes

TEST_F(LinkTest, CountOneComparesNothingAndValueZeroIsASuccess) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    fake::RobotSends(0, {0x99});
    EXPECT_EQ(Exchange(link, {0x42}).value(), 0x99) << ModeName(mode);
    robot_ = FakeRobot{};
    robot_.value = [](const Bytes&) { return 0; };
    robot_.Attach();
    EXPECT_EQ(Exchange(link, kAD).value(), 0) << ModeName(mode);
    EXPECT_EQ(Exchange(link, kSRAM).value(), 0) << ModeName(mode);
  }
}

TEST_F(LinkTest, EchoMismatchInBothModes) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    robot_ = FakeRobot{};
    robot_.bad_echo = true;
    robot_.Attach();
    const auto r = Exchange(link, kSRAM);
    EXPECT_EQ(FailureOf(r), LinkFailure::kMismatch) << ModeName(mode);
    EXPECT_FALSE(r.error().cause.has_value()) << ModeName(mode);
  }
}

// A byte left from earlier traffic is read as the start of the reply.
TEST_F(LinkTest, NeitherModeFlushesBeforeSending) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    fake::RobotSends(0, {0x55});
    robot_ = FakeRobot{};
    robot_.Attach();
    EXPECT_EQ(FailureOf(Exchange(link, kAD)), LinkFailure::kMismatch) << ModeName(mode);
    EXPECT_EQ(link.RxBuffer()[0], 0x55) << ModeName(mode);
    EXPECT_EQ(fake::Get().rx.size(), 1u) << ModeName(mode);  // the value, for the next exchange
  }
}

TEST_F(LinkTest, SendErrorsInBothModes) {
  struct Case {
    LinkMode mode;
    bool stall;
    const char* trace;
  };
  const Case cases[] = {
      {kCable, false, "writeE2@0:0!"},
      {kCable, true, "writeE2@0:0"},
      {kStrobe, false, "writeE2@0:0!"},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(c.mode);
    if (c.stall) {
      fake::StallWrites();
    } else {
      fake::Refuse(Call::kWrite, 5);
    }
    const auto r = Exchange(link, kAD);
    EXPECT_EQ(FailureOf(r), LinkFailure::kSendError) << ModeName(c.mode);
    EXPECT_EQ(r.error().cause.has_value(), !c.stall) << ModeName(c.mode);
    EXPECT_EQ(Trace(), c.trace) << ModeName(c.mode);
  }
}

// A port that fails a wait or the read: a time-out with the port's cause. In
// cable mode a failed echo read goes on, as a missed echo does, and the later
// reads decide.
TEST_F(LinkTest, PortFailuresWhileWaitingAreTimeOutsWithTheirCause) {
  struct Case {
    const char* name;
    LinkMode mode;
    Call refused;
    int times;
    bool drop_last;
    std::optional<LinkFailure> failure;
    int reads;
  };
  const Case cases[] = {
      {"strobe, the wait fails", kStrobe, Call::kWaitFor, 1, false, LinkFailure::kTimeout, 0},
      {"strobe, the read fails", kStrobe, Call::kRead, 1, false, LinkFailure::kTimeout, 1},
      {"cable, one echo read fails", kCable, Call::kRead, 1, false, {}, 3},
      {"cable, every read fails", kCable, Call::kRead, 4, false, LinkFailure::kTimeout, 4},
      {"cable, echo reads fail, reply short", kCable, Call::kRead, 3, true, LinkFailure::kTimeout,
       4},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(c.mode);
    robot_ = FakeRobot{};
    robot_.drop_last = c.drop_last;
    robot_.Attach();
    fake::Refuse(c.refused, 5, 0, c.times);
    const auto r = Exchange(link, kAD);
    EXPECT_EQ(FailureOf(r), c.failure) << c.name;
    EXPECT_EQ(fake::Count(Call::kRead), c.reads) << c.name;
    if (r.ok()) {
      EXPECT_EQ(*r, 0x80) << c.name;
      continue;
    }
    ASSERT_TRUE(r.error().cause.has_value()) << c.name;
    EXPECT_EQ(r.error().cause->step, ComStep::kTransfer) << c.name;
    EXPECT_EQ(r.error().cause->cause.code, 5) << c.name;
  }
}

TEST_F(LinkTest, ACountOutsideTheFrameSendsNothing) {
  for (std::int32_t count : {0, -1, RobotLink::kFrameSize + 1}) {
    RobotLink link = MakeLink(kStrobe);
    const auto r = link.EchoExchange(count);
    EXPECT_EQ(FailureOf(r), LinkFailure::kSendError) << count;
    ASSERT_TRUE(r.error().cause.has_value()) << count;
    EXPECT_EQ(r.error().cause->cause.code, PlatformInvalidArgumentError().code) << count;
    EXPECT_EQ(Trace(), "") << count;
  }
}

TEST_F(LinkTest, TheLongestFrameGoesOutWhole) {
  RobotLink link = MakeLink(kStrobe);
  fake::EchoEveryByte(1);
  Bytes request(RobotLink::kFrameSize);
  for (std::size_t i = 0; i < request.size(); ++i)
    request[i] = static_cast<std::uint8_t>(i * 7);
  const auto r = Exchange(link, request);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(*r, request.back());
  EXPECT_EQ(fake::Written(), request);
}

// ---------------------------------------------------------------------------
// Requests

TEST_F(LinkTest, RequestFramesOnTheWire) {
  RobotLink link = MakeLink(kCable);
  robot_.Attach();
  EXPECT_EQ(link.PeekAD(3).value(), 0x80);
  EXPECT_EQ(link.TxBuffer()[0], 0xE2);
  EXPECT_EQ(link.PeekSRAM(65, 1).value(), 0x80);
  EXPECT_EQ(link.TxBuffer()[0], 0xF7);
  EXPECT_EQ(link.PeekAD(0x107).value(), 0x80);  // the low byte of the argument
  EXPECT_EQ(robot_.frames, (std::vector<Bytes>{kAD, kSRAM, {0xE2, 0x07, 0x00}}));
}

TEST_F(LinkTest, RequestsReturnTheValueOrTheFailureOfTheirExchange) {
  struct Case {
    LinkMode mode;
    std::optional<LinkFailure> failure;
  };
  const Case cases[] = {
      {kCable, {}},
      {kStrobe, {}},
      {kStrobe, LinkFailure::kSendError},
      {kCable, LinkFailure::kMismatch},
      {kStrobe, LinkFailure::kTimeout},
      {kStrobe, LinkFailure::kSetRts},
      {kStrobe, LinkFailure::kClearRts},
  };
  for (const Case& c : cases) {
    for (bool ad : {true, false}) {
      const fake::Platform fresh;
      RobotLink link = MakeLink(c.mode);
      robot_ = FakeRobot{};
      robot_.value = [](const Bytes& frame) { return frame[0] == 0xE2 ? 0x21 : 0x10; };
      robot_.bad_echo = c.failure == LinkFailure::kMismatch;
      robot_.drop_last = c.failure == LinkFailure::kTimeout;
      robot_.Attach();
      if (c.failure == LinkFailure::kSendError) fake::Refuse(Call::kWrite, 5);
      if (c.failure == LinkFailure::kSetRts) fake::Refuse(Call::kSetRts, 5, 1);
      if (c.failure == LinkFailure::kClearRts) fake::Refuse(Call::kSetRts, 5, 0, 1);
      ::testing::internal::CaptureStderr();
      const auto r = ad ? link.PeekAD(3) : link.PeekSRAM(0x41, 0x01);
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
      EXPECT_EQ(FailureOf(r), c.failure) << ModeName(c.mode) << ad;
      if (r.ok()) {
        EXPECT_EQ(*r, ad ? 0x21 : 0x10);
      }
      EXPECT_EQ(link.TxBuffer()[0], ad ? 0xE2 : 0xF7);
    }
  }
}

// ---------------------------------------------------------------------------
// Requests cut apart

// (virtual time, byte) of every byte written.
std::vector<std::pair<std::uint64_t, int>> Sends() {
  std::vector<std::pair<std::uint64_t, int>> out;
  for (const fake::Record& r : fake::Calls(Call::kWrite)) {
    if (r.count > 0) out.emplace_back(r.time, r.bytes.at(0));
  }
  return out;
}

// The process stops, or does not run, between two bytes of a request: a
// byte later than 200 ms after the one before is not sent. Once the robot
// has dropped what it got (600 ms after the last byte) and the echoes are
// read away, the request is made again from its first byte; the robot never
// takes a byte of it for a command.
TEST_F(LinkTest, ARequestCutApartIsMadeAgainFromItsFirstByte) {
  using Sent = std::vector<std::pair<std::uint64_t, int>>;
  struct Case {
    const char* name;
    LinkMode mode;
    std::uint64_t late;  // the first strobe's pause (strobe) or echo wait (cable) wakes this late
    Sent sends;
    bool cut;
  };
  const Case cases[] = {
      {"strobe, 200 ms between two bytes", kStrobe, 192, {{0, 0xE2}, {200, 3}, {208, 0}}, false},
      {"strobe, 201 ms", kStrobe, 193, {{0, 0xE2}, {600, 0xE2}, {608, 3}, {616, 0}}, true},
      {"strobe, stopped for a second",
       kStrobe,
       1000,
       {{0, 0xE2}, {1008, 0xE2}, {1016, 3}, {1024, 0}},
       true},
      {"cable, 200 ms", kCable, 199, {{0, 0xE2}, {200, 3}, {201, 0}}, false},
      {"cable, 201 ms", kCable, 200, {{0, 0xE2}, {600, 0xE2}, {601, 3}, {602, 0}}, true},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(c.mode);
    robot_ = FakeRobot{};
    robot_.Attach();
    if (c.mode == kCable) {
      fake::Get().late_waits[0] = c.late;
    } else {
      fake::Get().late_pauses[0] = c.late;
    }
    const auto r = Exchange(link, kAD);
    ASSERT_TRUE(r.ok()) << c.name;
    EXPECT_EQ(*r, 0x80) << c.name;
    EXPECT_EQ(Sends(), c.sends) << c.name;
    EXPECT_EQ(robot_.frames, std::vector<Bytes>{kAD}) << c.name;
    EXPECT_EQ(robot_.dropped, c.cut ? std::vector<Bytes>{{0xE2}} : std::vector<Bytes>{}) << c.name;
    EXPECT_TRUE(robot_.commands.empty()) << c.name;
    EXPECT_EQ(fake::Waiting(), 0) << c.name;  // the echo of the dropped byte was read away
  }
}

// Stopped right after a byte went out (as the write wakes the robot), the
// process cannot tell when that byte left: the next byte's gap counts from
// before the write, so it is held back, and the quiet time counts from after
// it, so the request made again never completes the dropped one.
TEST_F(LinkTest, AStopRightAfterAWriteStillCutsTheRequest) {
  for (const LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    robot_ = FakeRobot{};
    robot_.Attach();
    fake::Get().late_writes[0] = 1000;  // the request's first byte
    const auto r = Exchange(link, kAD);
    ASSERT_TRUE(r.ok()) << static_cast<int>(mode);
    EXPECT_EQ(Sends().at(0), (std::pair<std::uint64_t, int>{0, 0xE2}));
    EXPECT_EQ(Sends().at(1).second, 0xE2);  // made again from its first byte
    EXPECT_GE(Sends().at(1).first, 1000u + kFrameQuietMs);
    EXPECT_EQ(robot_.frames, std::vector<Bytes>{kAD});
    EXPECT_EQ(robot_.dropped, std::vector<Bytes>{{0xE2}});
    EXPECT_TRUE(robot_.commands.empty());
  }
}

// Cut apart a second time, the request fails as a time-out; what follows it
// waits until the robot has dropped the request.
TEST_F(LinkTest, ARequestCutApartTwiceFailsAndTheNextCommandWaitsForTheRobot) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    robot_ = FakeRobot{};
    robot_.Attach();
    // Stopped for a second after the first byte, and for 300 ms after the
    // first byte of the second go.
    std::map<int, std::uint64_t>& late =
        mode == kCable ? fake::Get().late_waits : fake::Get().late_pauses;
    late[0] = 1000;
    late[1] = 300;  // the first echo read (cable) or strobe pause of the second go
    const auto r = Exchange(link, kAD);
    EXPECT_EQ(FailureOf(r), LinkFailure::kTimeout) << ModeName(mode);
    EXPECT_FALSE(r.error().cause.has_value()) << ModeName(mode);
    const auto sends = Sends();
    ASSERT_EQ(sends.size(), 2u) << ModeName(mode);
    EXPECT_EQ(sends[1].second, 0xE2) << ModeName(mode);
    const CommandOutcome command = link.SendCommand(5);
    EXPECT_TRUE(command.ok() || mode == kStrobe) << ModeName(mode);
    EXPECT_EQ(Sends().back(), std::make_pair(sends[1].first + kFrameQuietMs, 5)) << ModeName(mode);
    EXPECT_EQ(robot_.commands, Bytes{5}) << ModeName(mode);
    EXPECT_EQ(robot_.dropped, (std::vector<Bytes>{{0xE2}, {0xE2}})) << ModeName(mode);
  }
}

// A request left with some of its bytes sent (a write failed) holds back
// the next byte until 600 ms after its last one; a request of which nothing
// went out, or all of it, holds back nothing.
// The write of a request's byte after the first waits no longer than what
// is left of the 200 ms gap since the byte before it, so that no wait of
// the port can carry the byte past it; the first byte waits as a command's.
TEST_F(LinkTest, ARequestsLaterBytesWaitNoLongerThanWhatIsLeftOfTheGap) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    robot_ = FakeRobot{};
    robot_.Attach();
    ASSERT_TRUE(link.PeekSRAM(65, 1)) << ModeName(mode);
    const std::vector<fake::Record> writes = fake::Calls(Call::kWrite);
    ASSERT_EQ(writes.size(), 4u) << ModeName(mode);
    EXPECT_EQ(writes[0].timeout, kComDefaultTimeoutMs) << ModeName(mode);
    for (std::size_t i = 1; i < writes.size(); ++i) {
      const auto since = static_cast<std::int32_t>(writes[i].time - writes[i - 1].time);
      EXPECT_EQ(writes[i].timeout, kMaxRequestGapMs - since) << ModeName(mode) << " byte " << i;
      EXPECT_LT(writes[i].timeout, kMaxRequestGapMs) << ModeName(mode) << " byte " << i;
    }
  }
}

TEST_F(LinkTest, AnUnfinishedRequestHoldsBackTheNextByteUntilTheRobotDroppedIt) {
  struct Case {
    const char* name;
    Call refused;
    int after;
    std::uint64_t command_at;
  };
  const Case cases[] = {
      {"the second write refused", Call::kWrite, 1, 600},
      {"the first write refused", Call::kWrite, 0, 0},
      {"the last byte's RTS clear refused", Call::kSetRts, 6, 32},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(kStrobe);
    robot_ = FakeRobot{};
    robot_.Attach();
    fake::Refuse(c.refused, 5, c.after, 1);
    EXPECT_FALSE(Exchange(link, kSRAM).ok()) << c.name;
    link.SendCommand(5);
    EXPECT_EQ(Sends().back(), std::make_pair(c.command_at, 5)) << c.name;
    EXPECT_EQ(robot_.commands, Bytes{5}) << c.name;
  }
}

// A failure that shows the port is gone, from any call the link makes, is
// kept until the port is replaced; other failures are not.
TEST_F(LinkTest, APortThatIsGoneIsKnownUntilItIsReplaced) {
  struct Case {
    const char* name;
    Call refused;
    std::int32_t code;
    bool gone;
  };
  const Case cases[] = {
      {"a write, gone", Call::kWrite, fake::kDeviceGone, true},
      {"an RTS change, gone", Call::kSetRts, fake::kDeviceGone, true},
      {"a write, refused", Call::kWrite, 5, false},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(kStrobe);
    EXPECT_TRUE(link.life().Check()) << c.name;
    fake::Refuse(c.refused, c.code, 0, 1);
    EXPECT_FALSE(link.SendCommand(7).ok()) << c.name;
    EXPECT_EQ(link.PortGone(), c.gone) << c.name;
    EXPECT_EQ(link.life().Check(), !c.gone) << c.name;  // the next calls succeed again
    if (c.gone) {
      EXPECT_EQ(link.life().GoneError()->cause.code, fake::kDeviceGone) << c.name;
    }
  }
  const fake::Platform fresh;
  RobotLink link = MakeLink(kCable);
  fake::Refuse(Call::kWaiting, fake::kDeviceGone, 0, 1);
  EXPECT_FALSE(link.life().Check());
  EXPECT_FALSE(link.PeekAD(3).ok());  // the port fails from now on
  EXPECT_TRUE(link.PortGone());
  SysResult<std::unique_ptr<Port>> again = PlatformOpenSerialDevice(PlatformSerialDeviceName(1));
  ASSERT_TRUE(again.ok());
  const std::int32_t new_id = static_cast<fake::FakePort&>(*again.value()).id();
  // The port that is gone is closed at once; the next try, kRetryMs later,
  // opens it again.
  const auto reopen = [&again] { return std::move(again.value()); };
  EXPECT_EQ(link.KeepPort(true, reopen), PortLife::Change::kLost);
  EXPECT_EQ(link.life().state(), PortLife::State::kRetrying);
  EXPECT_EQ(link.life().port(), nullptr);
  EXPECT_EQ(link.KeepPort(true, reopen), PortLife::Change::kNone);
  PlatformClock().Pause(PortLife::kRetryMs);
  EXPECT_EQ(link.KeepPort(true, reopen), PortLife::Change::kBack);
  EXPECT_FALSE(link.PortGone());
  EXPECT_TRUE(link.SendCommand(9).ok());
  EXPECT_EQ(fake::Calls(Call::kWrite).back().port, new_id);
}

// DTR and RTS are left off, whatever the port says to them; then it closes.
TEST_F(LinkTest, CloseLeavesTheLinesOffAndClosesThePort) {
  for (LinkMode mode : {kStrobe, kCable}) {
    const fake::Platform fresh;
    RobotLink link = MakeLink(mode);
    EXPECT_TRUE(link.Close().ok()) << ModeName(mode);
    EXPECT_EQ(Trace(), "rts-off@0 dtr-off@0 close@0") << ModeName(mode);
    EXPECT_EQ(fake::Calls(Call::kSetDtr).at(0).value, 0) << ModeName(mode);
  }
  {
    const fake::Platform fresh;
    RobotLink gone = MakeLink(kStrobe);
    fake::Refuse(Call::kSetRts, fake::kDeviceGone);
    fake::Refuse(Call::kSetDtr, fake::kDeviceGone);
    EXPECT_TRUE(gone.Close().ok());
    EXPECT_EQ(Trace(), "rts-off@0! dtr-off@0! close@0");
  }
  const fake::Platform fresh;
  RobotLink link = MakeLink(kStrobe);
  EXPECT_TRUE(link.Close().ok());
  const auto again = link.Close();
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().step, ComStep::kClose);
}

}  // namespace
