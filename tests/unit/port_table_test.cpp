#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "serial/com.h"
#include "serial/port_table.h"
#include "tests/support/fake_fixture.h"

namespace {

using fake::Call;
using ::testing::ElementsAre;

using PortTableTest = FakeTest;

TEST_F(PortTableTest, OpenRunsItsStepsInOrder) {
  ASSERT_EQ(ComOpen(5, 256, 128), 0);
  EXPECT_THAT(CallKinds(), ElementsAre(Call::kOpen, Call::kSetQueues, Call::kGetSettings,
                                       Call::kSetSettings, Call::kGetTimeouts, Call::kSetTimeouts,
                                       Call::kGetTimeouts, Call::kSetTimeouts));
  const auto& log = fake::Get().log;
  EXPECT_EQ(log[0].name, "fake:com5");
  EXPECT_EQ(log[1].value, (std::int64_t{256} << 32) | 128);
  EXPECT_EQ(ComCheck(5), 0);
  EXPECT_EQ(g_port_table.handle[4], log[0].handle);
  // Reads and writes get 1000 ms time-outs; the other half of the record is kept.
  EXPECT_EQ(log[5].timeouts, (PortTimeouts{1000, 0, 1000, 0, 0}));
  EXPECT_EQ(fake::Get().timeouts, (PortTimeouts{1000, 0, 1000, 0, 1000}));
  EXPECT_EQ(fake::Get().settings.BaudRate, 9600u);
}

TEST_F(PortTableTest, OpenRejectsNumbersOutsideTheTableWithoutTouchingThePlatform) {
  EXPECT_EQ(ComOpen(0, 256, 256), 1);
  EXPECT_EQ(ComOpen(257, 256, 256), 1);
  EXPECT_EQ(ComOpen(-1, 256, 256), 1);
  EXPECT_TRUE(fake::Get().log.empty());
  EXPECT_EQ(ComOpen(256, 256, 256), 0);
  EXPECT_EQ(fake::Get().log[0].name, "fake:com256");
  EXPECT_EQ(ComCheck(256), 0);
}

TEST_F(PortTableTest, SecondOpenOfAnOpenPortKeepsTheFirstHandle) {
  ASSERT_EQ(ComOpen(3, 256, 256), 0);
  const PlatformHandle first = g_port_table.handle[2];
  const auto calls = fake::Get().log.size();
  EXPECT_EQ(ComOpen(3, 256, 256), 2);
  EXPECT_EQ(fake::Get().log.size(), calls);
  EXPECT_EQ(g_port_table.handle[2], first);
  EXPECT_EQ(ComWrite(3, "x", 1), 1);
  EXPECT_EQ(fake::Get().log.back().handle, first);
}

TEST_F(PortTableTest, FailedOpenStoresTheHandleButLeavesThePortClosed) {
  fake::Refuse(Call::kOpen, 2);
  EXPECT_EQ(ComOpen(7, 256, 256), 3);
  EXPECT_EQ(g_port_table.handle[6], kInvalidPlatformHandle);
  EXPECT_EQ(ComCheck(7), 1);
  EXPECT_EQ(PlatformLastError(), 2);  // left as the open set it
  EXPECT_EQ(fake::Get().log.size(), 1u);
}

TEST_F(PortTableTest, OperationsOnAPortThatIsNotOpen) {
  char buf[4];
  for (int port : {0, 1, 256, 257}) {
    EXPECT_EQ(ComCheck(port), 1);
    EXPECT_EQ(ComRxCount(port), 0);
    EXPECT_EQ(ComRead(port, buf, 4), 0);
    EXPECT_EQ(ComWrite(port, buf, 4), 0);
    EXPECT_EQ(ComClose(port), 1);
    EXPECT_EQ(ComSetReadTimeout(port, 10), 1);
    EXPECT_EQ(ComSetWriteTimeout(port, 10), 1);
    EXPECT_EQ(ComConfig(port, kOpenSettingsWord), 1);
  }
  // Outside the table the RTS operations refuse rather than index past it.
  EXPECT_FALSE(ComSetRts(0));
  EXPECT_FALSE(ComClearRts(257));
  EXPECT_TRUE(fake::Get().log.empty());
}

TEST_F(PortTableTest, RefusedCloseLeavesThePortOpen) {
  ASSERT_EQ(ComOpen(1, 256, 256), 0);
  fake::Refuse(Call::kClose, 9, 0, 1);
  EXPECT_EQ(ComClose(1), 2);
  EXPECT_EQ(ComCheck(1), 0);
  EXPECT_EQ(ComClose(1), 0);
  EXPECT_EQ(ComCheck(1), 1);
}

TEST_F(PortTableTest, CloseAllClosesInAscendingOrderAndKeepsRefusedPorts) {
  for (int port : {200, 4, 60})
    ASSERT_EQ(ComOpen(port, 256, 256), 0);
  fake::Refuse(Call::kClose, 9, 1, 1);  // the second close, port 60's
  ComCloseAll();
  const auto closes = fake::Calls(Call::kClose);
  ASSERT_EQ(closes.size(), 3u);
  EXPECT_EQ(closes[0].handle, g_port_table.handle[3]);
  EXPECT_EQ(closes[1].handle, g_port_table.handle[59]);
  EXPECT_EQ(closes[2].handle, g_port_table.handle[199]);
  EXPECT_EQ(ComCheck(4), 1);
  EXPECT_EQ(ComCheck(60), 0);
  EXPECT_EQ(ComCheck(200), 1);
}

TEST_F(PortTableTest, TimeoutsChangeOnlyTheirOwnHalf) {
  ASSERT_EQ(ComOpen(1, 256, 256), 0);
  fake::Get().timeouts = PortTimeouts{1, 2, 3, 4, 5};
  EXPECT_EQ(ComSetReadTimeout(1, 70), 0);
  EXPECT_EQ(fake::Get().timeouts, (PortTimeouts{70, 0, 70, 4, 5}));
  EXPECT_EQ(ComSetWriteTimeout(1, 90), 0);
  EXPECT_EQ(fake::Get().timeouts, (PortTimeouts{70, 0, 70, 0, 90}));
}

TEST_F(PortTableTest, TimeoutFailures) {
  OpenPortQuietly();
  // Reading the current time-outs fails: nothing is written.
  fake::Refuse(Call::kGetTimeouts, 5, 0, 1);
  EXPECT_EQ(ComSetReadTimeout(1, 10), 2);
  EXPECT_EQ(fake::Count(Call::kSetTimeouts), 0);
  fake::Refuse(Call::kSetTimeouts, 5, 0, 1);
  EXPECT_EQ(ComSetWriteTimeout(1, 10), 2);
  EXPECT_EQ(PlatformLastError(), 5);
}

TEST_F(PortTableTest, InputCountIsZeroWhenTheQueryFails) {
  OpenPortQuietly();
  fake::RobotSends(0, {0x10, 0x20});
  EXPECT_EQ(ComRxCount(1), 2);
  fake::Refuse(Call::kInputCount, 5, 0, 1);
  EXPECT_EQ(ComRxCount(1), 0);
}

TEST_F(PortTableTest, ReadThatTimesOutReturnsWhatArrived) {
  OpenPortQuietly();
  fake::RobotSends(0, {0x10, 0x20});
  std::uint8_t buf[4] = {};
  EXPECT_EQ(ComRead(1, buf, 4), 2);
  EXPECT_EQ(fake::Get().now, 1000u);
  EXPECT_EQ(buf[0], 0x10);
  EXPECT_EQ(buf[1], 0x20);
  EXPECT_EQ(ComRead(1, buf, 4), 0);
}

TEST_F(PortTableTest, RefusedWriteMovesNothing) {
  OpenPortQuietly();
  const std::uint8_t buf[3] = {1, 2, 3};
  fake::Refuse(Call::kWrite, 5, 0, 1);
  EXPECT_EQ(ComWrite(1, buf, 1), 0);
  EXPECT_EQ(ComWrite(1, buf, 3), 3);
}

TEST_F(PortTableTest, RtsOperationsReportWhatThePlatformDid) {
  OpenPortQuietly();
  EXPECT_TRUE(ComSetRts(1));
  fake::Refuse(Call::kClearRts, 5);
  EXPECT_FALSE(ComClearRts(1));
}

// ComConfig: the settings word applied to an open port.
class ComConfigTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    OpenPortQuietly();
    fake::Get().settings = Before();
  }
  static LineSettings Before() {
    LineSettings s{};
    s.BaudRate = 1234;
    s.ByteSize = 6;
    s.fDtrControl = kDtrControlHandshake;
    return s;
  }
};

TEST_F(ComConfigTest, ReadsChangesAndWritesTheRecordOnce) {
  ASSERT_EQ(ComConfig(1, kCableModeSettingsWord), 0);
  EXPECT_THAT(CallKinds(), ElementsAre(Call::kGetSettings, Call::kSetSettings));
  LineSettings expected = Before();
  ApplySettingsWord(kCableModeSettingsWord, &expected);
  EXPECT_EQ(fake::Get().settings, expected);
}

TEST_F(ComConfigTest, RefusedWriteLeavesThePortAsItWas) {
  fake::Refuse(Call::kSetSettings, 87);
  EXPECT_EQ(ComConfig(1, kStrobeModeSettingsWord), 2);
  EXPECT_EQ(ComConfig(1, 0), 2);
  EXPECT_EQ(fake::Get().settings, Before());
  EXPECT_EQ(PlatformLastError(), 87);
  EXPECT_EQ(ComCheck(1), 0);
}

TEST_F(ComConfigTest, FailedReadWritesNothing) {
  fake::Refuse(Call::kGetSettings, 6);
  EXPECT_EQ(ComConfig(1, kStrobeModeSettingsWord), 2);
  EXPECT_EQ(fake::Count(Call::kSetSettings), 0);
  EXPECT_EQ(PlatformLastError(), 6);
}

TEST_F(ComConfigTest, InvalidWordIsRejectedBeforeTouchingThePort) {
  EXPECT_EQ(ComConfig(1, 0x600), 2);
  EXPECT_EQ(PlatformLastError(), 22);
  EXPECT_TRUE(fake::Get().log.empty());
  EXPECT_EQ(fake::Get().settings, Before());
}

TEST_F(ComConfigTest, PortNotOpenTouchesNothing) {
  EXPECT_EQ(ComConfig(2, kOpenSettingsWord), 1);
  EXPECT_TRUE(fake::Get().log.empty());
}

}  // namespace
