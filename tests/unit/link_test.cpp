#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/buffers.h"
#include "link/exchange.h"
#include "link/link_mode.h"
#include "link/peek.h"
#include "tests/support/fake_fixture.h"
#include "tests/support/fake_robot.h"

namespace {

using fake::Call;
using Bytes = std::vector<std::uint8_t>;

class ExchangeTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    OpenPortQuietly();
  }

  // Puts a request into TxBuffer and runs the exchange; keeps stderr.
  std::int32_t Exchange(const Bytes& request, bool cable) {
    std::copy(request.begin(), request.end(), TxBuffer);
    g_link_mode = cable ? LinkMode::kCable : LinkMode::kStrobe;
    ::testing::internal::CaptureStderr();
    const std::int32_t r = EchoExchange(1, static_cast<std::int32_t>(request.size()));
    err_ = ::testing::internal::GetCapturedStderr();
    return r;
  }

  std::string err_;
  FakeRobot robot_;
};

TEST_F(ExchangeTest, StrobeModeStrobesEveryByteThenAwaitsTheWholeReply) {
  robot_.delay = 20;  // the reply comes 20 ms after each byte
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x03, 0x00}, false), 0x80);
  std::vector<Call> kinds;
  for (const auto& r : fake::Get().log)
    kinds.push_back(r.call);
  // Three strobed bytes at 0, 8, 16; the last echo arrives at 36: polls at
  // 24..36, each fewer than 3 followed by a 1 ms pause; then the read.
  const std::vector<Call> strobe = {Call::kWrite, Call::kClearRts, Call::kPause, Call::kSetRts};
  std::vector<Call> expected;
  for (int i = 0; i < 3; ++i)
    expected.insert(expected.end(), strobe.begin(), strobe.end());
  for (int i = 0; i < 12; ++i) {
    expected.push_back(Call::kInputCount);
    expected.push_back(Call::kPause);
  }
  expected.push_back(Call::kInputCount);
  expected.push_back(Call::kRead);
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(fake::Written(), (Bytes{0xE2, 0x03, 0x00}));
  EXPECT_EQ(fake::Calls(Call::kRead)[0].time, 36u);
  EXPECT_EQ(err_, "");
}

TEST_F(ExchangeTest, CountOneComparesNothingAndValueZeroIsASuccess) {
  fake::RobotSends(0, {0x99});
  EXPECT_EQ(Exchange({0x42}, false), 0x99);
  robot_.value = [](const Bytes&) { return 0; };
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x01, 0x00}, false), 0);
  EXPECT_EQ(Exchange({0xF7, 0x41, 0x01, 0x00}, true), 0);
}

TEST_F(ExchangeTest, StrobeModeFailuresStopAtOnce) {
  struct Case {
    const char* name;
    Call refused;
    int after;  // calls of the kind that succeed first
    std::int32_t result;
    int writes;  // bytes written before the exchange stopped
    const char* message;
  };
  const Case cases[] = {
      {"second write", Call::kWrite, 1, -1, 2, ""},
      {"clear RTS on the first byte", Call::kClearRts, 0, -5, 1, "CLRRTS error\n"},
      {"set RTS on the third byte", Call::kSetRts, 2, -4, 3, "SETRTS error\n"},
  };
  for (const Case& c : cases) {
    ResetProcess();
    OpenPortQuietly();
    robot_.Attach();
    fake::Refuse(c.refused, 5, c.after, 1);
    EXPECT_EQ(Exchange({0xF7, 0x41, 0x01, 0x00}, false), c.result) << c.name;
    EXPECT_EQ(err_, c.message) << c.name;
    EXPECT_EQ(fake::Count(Call::kWrite), c.writes) << c.name;
    // Nothing after the failing call: no further strobe, poll or read.
    EXPECT_EQ(fake::Get().log.back().call, c.refused) << c.name;
  }
}

TEST_F(ExchangeTest, StrobeModeGivesUpAfter50PollsAndLeavesTheBytesWaiting) {
  robot_.drop_last = true;
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x03, 0x00}, false), -3);
  EXPECT_EQ(fake::Count(Call::kInputCount), 50);
  int one_ms_pauses = 0;
  for (const auto& p : fake::Calls(Call::kPause))
    one_ms_pauses += p.value == 1 ? 1 : 0;
  EXPECT_EQ(one_ms_pauses, 50);
  EXPECT_EQ(fake::Count(Call::kRead), 0);
  EXPECT_EQ(fake::Waiting(), 2);  // for the next exchange
  EXPECT_EQ(err_, "");
}

// The last of the 50 pauses runs long (the process waited for the processor):
// a reply that arrived meanwhile is taken, not reported as a time-out. With
// pauses on time nothing changes: no look after the last pause.
TEST_F(ExchangeTest, StrobeModeLooksOnceMoreAfterALateLastPause) {
  struct Case {
    const char* name;
    std::uint64_t late;     // extra ms of the last pause
    std::uint64_t arrival;  // when the whole reply has arrived
    std::int32_t result;
    int polls;
  };
  // Strobes end at 24; polls at 24..73; the last pause ends at 74 + late.
  const Case cases[] = {
      {"on time, reply during the last pause", 0, 74, -3, 50},
      {"late, reply during the last pause", 30, 90, 0x80, 51},
      {"late, no reply yet", 30, 200, -3, 51},
  };
  for (const Case& c : cases) {
    ResetProcess();
    OpenPortQuietly();
    fake::Get().late_pauses[3 + 49] = c.late;  // 3 strobe pauses, then the 50
    fake::RobotSends(c.arrival, {0xE2, 0x03, 0x80});
    EXPECT_EQ(Exchange({0xE2, 0x03, 0x00}, false), c.result) << c.name;
    EXPECT_EQ(fake::Count(Call::kInputCount), c.polls) << c.name;
    EXPECT_EQ(err_, "") << c.name;
  }
}

TEST_F(ExchangeTest, EchoMismatchInBothModes) {
  robot_.bad_echo = true;
  robot_.Attach();
  EXPECT_EQ(Exchange({0xF7, 0x41, 0x01, 0x00}, false), -2);
  EXPECT_EQ(Exchange({0xF7, 0x41, 0x01, 0x00}, true), -2);
}

TEST_F(ExchangeTest, NoFlushBeforeSending) {
  // A byte left from earlier traffic is read as the start of the reply.
  fake::RobotSends(0, {0x55});
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x03, 0x00}, true), -2);
  EXPECT_EQ(RxBuffer[0], 0x55);
  EXPECT_EQ(fake::Get().rx.size(), 1u);  // the reply's last byte, for the next exchange
}

TEST_F(ExchangeTest, CableModeAwaitsEachEchoAndMakesNoRtsChanges) {
  robot_.delay = 3;
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x05, 0x00}, true), 0x80);
  EXPECT_EQ(fake::Count(Call::kClearRts) + fake::Count(Call::kSetRts), 0);
  const auto writes = fake::Calls(Call::kWrite);
  ASSERT_EQ(writes.size(), 3u);
  // Each echo is counted 3 ms after its byte; the next byte goes out then.
  EXPECT_EQ(writes[1].time, 3u);
  EXPECT_EQ(writes[2].time, 6u);
  EXPECT_EQ(fake::Calls(Call::kRead)[0].time, 9u);
}

TEST_F(ExchangeTest, CableModeLateEchoCompletesThroughTheFinalRead) {
  robot_.delay = 200;  // far beyond the 50 polls of each byte
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x05, 0x00}, true), 0x80);
  EXPECT_EQ(fake::Count(Call::kInputCount), 150);
}

TEST_F(ExchangeTest, CableModeShortReplyIsATimeoutNotStaleBytes) {
  // An earlier exchange left a matching reply in RxBuffer.
  RxBuffer[0] = 0xE2;
  RxBuffer[1] = 0x05;
  RxBuffer[2] = 0x77;
  robot_.drop_last = true;
  robot_.Attach();
  EXPECT_EQ(Exchange({0xE2, 0x05, 0x00}, true), -3);
  EXPECT_EQ(fake::Count(Call::kWrite), 3);
}

TEST_F(ExchangeTest, CableModeSendError) {
  fake::Refuse(Call::kWrite, 5, 0, 1);
  EXPECT_EQ(Exchange({0xE2, 0x05, 0x00}, true), -1);
  EXPECT_EQ(fake::Get().log.size(), 1u);
}

using PeekTest = ExchangeTest;

TEST_F(PeekTest, FramesOnTheWire) {
  robot_.Attach();
  g_link_mode = LinkMode::kCable;
  EXPECT_EQ(PeekAD(1, 3), 0x80);
  EXPECT_EQ(TxBuffer[0], 0xE2);
  EXPECT_EQ(PeekSRAM(1, 65, 1), 0x80);
  EXPECT_EQ(TxBuffer[0], 0xF7);
  EXPECT_EQ(PeekAD(1, 0x107), 0x80);  // the low byte of the argument
  EXPECT_EQ(robot_.frames,
            (std::vector<Bytes>{{0xE2, 0x03, 0x00}, {0xF7, 0x41, 0x01, 0x00}, {0xE2, 0x07, 0x00}}));
}

TEST_F(PeekTest, CableModePeekADReturnsTheValueQuietly) {
  fake::RobotSends(0, {0xE2, 0x03, 0x80});
  g_link_mode = LinkMode::kCable;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PeekAD(1, 3), 128);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(PeekTest, PeekSRAMEchoMismatch) {
  fake::RobotSends(0, {0xF7, 0x41, 0x02, 0x10});
  g_link_mode = LinkMode::kCable;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PeekSRAM(1, 65, 1), -2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "PeekSRAM:Echoeback unmatch.\n");
  EXPECT_EQ(TxBuffer[0], 0xF7);
}

TEST_F(PeekTest, EveryFailureHasItsMessage) {
  struct Case {
    std::int32_t result;
    const char* ad;    // stderr of PeekAD(3)
    const char* sram;  // stderr of PeekSRAM
  };
  const Case cases[] = {
      {-1, "PeekAD3:Send error.\n", "PeekSRAM:Send error.\n"},
      {-2, "PeekAD3:Echoeback unmatch.\n", "PeekSRAM:Echoeback unmatch.\n"},
      {-3, "PeekAD3:Echoeback timeout.\n", "PeekSRAM:Echoeback timeout.\n"},
      {-4, "SETRTS error\nPeekAD3:SETRTS error.\n", "SETRTS error\nPeekSRAM:SETRTS error.\n"},
      {-5, "CLRRTS error\nPeekAD3:CLRRTS error.\n", "CLRRTS error\nPeekSRAM:CLRRTS error.\n"},
  };
  for (const Case& c : cases) {
    for (bool ad : {true, false}) {
      ResetProcess();
      ASSERT_EQ(ComOpen(1, 256, 256), 0);
      FakeRobot robot;
      robot.bad_echo = c.result == -2;
      robot.drop_last = c.result == -3;
      robot.Attach();
      if (c.result == -1) fake::Refuse(Call::kWrite, 5);
      if (c.result == -4) fake::Refuse(Call::kSetRts, 5);
      if (c.result == -5) fake::Refuse(Call::kClearRts, 5);
      ::testing::internal::CaptureStderr();
      const std::int32_t r = ad ? PeekAD(1, 3) : PeekSRAM(1, 65, 1);
      EXPECT_EQ(r, c.result);
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), ad ? c.ad : c.sram);
      EXPECT_EQ(TxBuffer[0], ad ? 0xE2 : 0xF7);
    }
  }
}

}  // namespace
