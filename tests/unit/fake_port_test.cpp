// The fake platform's serial device, which the link and app tests stand on:
// ports in virtual time, refusals, the robot's bytes and the device names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"

namespace {

using fake::Call;
using Bytes = std::vector<std::uint8_t>;

class FakePortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SysResult<std::unique_ptr<Port>> opened = PlatformOpenSerialDevice("fake:com1");
    ASSERT_TRUE(opened.ok());
    port_ = std::move(opened.value());
    fake::Get().log.clear();
  }

  fake::Platform platform_;
  std::unique_ptr<Port> port_;
};

TEST(FakePlatformTest, OpensPortsOnTheOneLineAndRefusesAsTold) {
  const fake::Platform fresh;
  auto first = PlatformOpenSerialDevice(PlatformSerialDeviceName(3));
  ASSERT_TRUE(first.ok());
  fake::Refuse(Call::kOpen, 16, 1, 1);
  auto second = PlatformOpenSerialDevice("fake:com4");
  ASSERT_TRUE(second.ok());
  auto refused = PlatformOpenSerialDevice("fake:com5");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, 16);
  EXPECT_EQ(refused.error().text, "error 16");

  const auto opens = fake::Calls(Call::kOpen);
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0].name, "fake:com3");
  EXPECT_EQ(opens[0].port, 1);
  EXPECT_EQ(opens[1].port, 2);
  EXPECT_FALSE(opens[2].ok);
  EXPECT_EQ(opens[2].port, 0);
  EXPECT_EQ(dynamic_cast<fake::FakePort&>(*second.value()).id(), 2);
  // Both ports are the same device: a byte arrives for either.
  fake::RobotSends(0, {0x41});
  EXPECT_EQ(first.value()->Waiting().value(), 1);
  EXPECT_EQ(second.value()->Waiting().value(), 1);
}

TEST(FakePlatformTest, NamesErrorsAndDescriptions) {
  const fake::Platform fresh;
  EXPECT_EQ(PlatformSerialDeviceName(12), "fake:com12");
  EXPECT_FALSE(PlatformReadLink("fake:com12").has_value());
  EXPECT_EQ(PlatformNoSuchPortError().code, 2);
  EXPECT_EQ(PlatformInvalidArgumentError().code, 22);
  EXPECT_EQ(PlatformInvalidArgumentError().text, "error 22");
  fake::Get().description.problem = PortProblem::kBusy;
  PortDescription d{};
  SerialDescribePort(7, "fake:com7", 16, &d);
  EXPECT_EQ(d.problem, PortProblem::kBusy);
  EXPECT_EQ(fake::Get().described_port, 7);
  EXPECT_EQ(fake::Get().described_path, "fake:com7");
  EXPECT_EQ(fake::Get().described_error, 16);
}

// WaitFor and Read return the moment the n-th byte is there, else at the
// deadline with what came; a time-out of 0 is a look.
TEST_F(FakePortTest, WaitsEndWithTheArrivalOrTheDeadline) {
  struct Case {
    const char* name;
    bool read;
    std::int32_t n;
    std::int32_t timeout;
    std::int32_t result;  // bytes waiting (WaitFor) or read (Read)
    std::uint64_t returns_at;
  };
  // Bytes arrive at 10, 20 and 30.
  const Bytes kArrivals = {1, 2, 3};
  const Case cases[] = {
      {"wait for 2", false, 2, 50, 2, 20},
      {"wait for 4", false, 4, 50, 3, 50},
      {"wait, deadline before the byte", false, 2, 15, 1, 15},
      {"wait for the byte at the deadline", false, 3, 30, 3, 30},
      {"look", false, 1, 0, 0, 0},
      {"wait for none", false, 0, 50, 0, 0},
      {"read 2", true, 2, 1000, 2, 20},
      {"read 5", true, 5, 1000, 3, 1000},
      {"read, deadline before the second byte", true, 2, 12, 1, 12},
  };
  for (const Case& c : cases) {
    fake::Get().now = 0;
    fake::Get().rx.clear();
    fake::RobotSends(10, kArrivals, 10);
    std::uint8_t buf[8] = {};
    auto r = c.read ? port_->Read(buf, c.n, c.timeout) : port_->WaitFor(c.n, c.timeout);
    ASSERT_TRUE(r.ok()) << c.name;
    EXPECT_EQ(*r, c.result) << c.name;
    EXPECT_EQ(fake::Get().now, c.returns_at) << c.name;
    const fake::Record& rec = fake::Get().log.back();
    EXPECT_EQ(rec.time, 0u) << c.name;
    EXPECT_EQ(rec.value, c.n) << c.name;
    EXPECT_EQ(rec.timeout, c.timeout) << c.name;
    EXPECT_EQ(rec.count, c.result) << c.name;
    if (c.read) {
      const Bytes first(kArrivals.begin(), kArrivals.begin() + c.result);
      EXPECT_EQ(Bytes(buf, buf + c.result), first) << c.name;
      EXPECT_EQ(rec.bytes, first) << c.name;
    }
    // A wait takes nothing; a read takes what it returns.
    EXPECT_EQ(fake::Get().rx.size(), kArrivals.size() - (c.read ? c.result : 0)) << c.name;
  }
}

// A wait that wakes up late (the process did not run) returns with what
// came meanwhile; a read still takes no more than it asked for.
TEST_F(FakePortTest, ALateWaitTakesWhatCameMeanwhile) {
  fake::RobotSends(10, {1, 2, 3}, 10);
  fake::Get().late_waits[1] = 40;  // the second wait that is not refused
  fake::Refuse(Call::kWaitFor, 5, 1, 1);
  EXPECT_EQ(port_->WaitFor(1, 5).value(), 0);   // wait 0, on time: at 5
  EXPECT_FALSE(port_->WaitFor(1, 5).ok());      // refused: no wait
  EXPECT_EQ(port_->Waiting().value(), 0);       // no wait
  EXPECT_EQ(port_->WaitFor(3, 10).value(), 3);  // wait 1: ends at 15, runs again at 55
  EXPECT_EQ(fake::Get().now, 55u);
  fake::Get().rx.clear();
  fake::RobotSends(60, {4, 5, 6}, 10);
  fake::Get().late_waits[2] = 30;
  std::uint8_t buf[4] = {};
  EXPECT_EQ(port_->Read(buf, 2, 1000).value(), 2);  // the second byte at 70, runs again at 100
  EXPECT_EQ(fake::Get().now, 100u);
  EXPECT_EQ(Bytes(buf, buf + 2), (Bytes{4, 5}));
  EXPECT_EQ(fake::Waiting(), 1);
}

TEST_F(FakePortTest, RefusesEachKindOfCallWithItsError) {
  struct Case {
    Call call;
    std::function<bool(Port&)> make;  // the call; true when it succeeded
  };
  std::uint8_t buf[2] = {7, 8};
  const Case cases[] = {
      {Call::kGetConfig, [](Port& p) { return p.GetConfig().ok(); }},
      {Call::kConfigure, [](Port& p) { return p.Configure(LineConfig{}).ok(); }},
      {Call::kWaiting, [](Port& p) { return p.Waiting().ok(); }},
      {Call::kWaitFor, [](Port& p) { return p.WaitFor(1, 10).ok(); }},
      {Call::kRead, [&buf](Port& p) { return p.Read(buf, 1, 10).ok(); }},
      {Call::kWrite, [&buf](Port& p) { return p.Write(buf, 2, 10).ok(); }},
      {Call::kSetRts, [](Port& p) { return p.SetRts(true).ok(); }},
      {Call::kSetDtr, [](Port& p) { return p.SetDtr(false).ok(); }},
  };
  for (const Case& c : cases) {
    const int kind = static_cast<int>(c.call);
    fake::Get().log.clear();
    fake::Get().refusals.clear();
    // Of the calls from now on, the second and third are refused.
    fake::Refuse(c.call, 5, 1, 2);
    std::vector<bool> made;
    for (int i = 0; i < 4; ++i)
      made.push_back(c.make(*port_));
    EXPECT_EQ(made, (std::vector<bool>{true, false, false, true})) << kind;
    std::vector<bool> recorded;
    for (const fake::Record& r : fake::Calls(c.call))
      recorded.push_back(r.ok);
    EXPECT_EQ(recorded, made) << kind;
    fake::Refuse(c.call, 5);
    fake::Get().log.clear();
    c.make(*port_);
    EXPECT_EQ(fake::Get().log.size(), 1u) << kind;
    EXPECT_EQ(fake::Get().log[0].port, 1) << kind;
  }
  fake::Refuse(Call::kSetRts, 5);
  auto refused = port_->SetRts(false);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, 5);
  EXPECT_EQ(refused.error().text, "error 5");
}

TEST_F(FakePortTest, WritesGoToTheRobotAtOnceUnlessRefusedOrStalled) {
  std::vector<std::pair<std::uint8_t, std::uint64_t>> seen;
  fake::Get().robot = [&seen](std::uint8_t b, std::uint64_t t) { seen.emplace_back(b, t); };
  const std::uint8_t bytes[] = {0x10, 0x20};
  fake::Get().now = 5;
  EXPECT_EQ(port_->Write(bytes, 2, 1000).value(), 2);
  fake::Refuse(Call::kWrite, 5, 0, 1);
  EXPECT_FALSE(port_->Write(bytes, 1, 1000).ok());
  fake::StallWrites(0, 1);
  EXPECT_EQ(port_->Write(bytes + 1, 1, 300).value(), 0);
  EXPECT_EQ(fake::Get().now, 305u);  // the stalled write waited out its time-out
  EXPECT_EQ(port_->Write(bytes + 1, 1, 300).value(), 1);
  EXPECT_EQ(seen, (std::vector<std::pair<std::uint8_t, std::uint64_t>>{
                      {0x10, 5}, {0x20, 5}, {0x20, 305}}));
  EXPECT_EQ(fake::Written(), (Bytes{0x10, 0x20, 0x20}));
  const auto writes = fake::Calls(Call::kWrite);
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[1].bytes, (Bytes{0x10}));  // what it was asked to write
  EXPECT_EQ(writes[1].count, 0);
  EXPECT_TRUE(writes[2].ok);
  EXPECT_EQ(writes[2].count, 0);
  EXPECT_EQ(writes[2].timeout, 300);
}

TEST_F(FakePortTest, LinesAndSettings) {
  LineConfig config;
  config.baud = 19200;
  config.rts = LineControl::kOff;
  ASSERT_TRUE(port_->Configure(config).ok());
  EXPECT_EQ(port_->GetConfig().value(), config);
  fake::Refuse(Call::kConfigure, 5);
  LineConfig other = config;
  other.baud = 300;
  EXPECT_FALSE(port_->Configure(other).ok());
  EXPECT_EQ(port_->GetConfig().value(), config);  // a refused change keeps the settings
  EXPECT_EQ(fake::Calls(Call::kConfigure)[1].config, other);
  ASSERT_TRUE(port_->SetRts(false).ok());
  ASSERT_TRUE(port_->SetRts(true).ok());
  ASSERT_TRUE(port_->SetDtr(false).ok());
  std::vector<std::int64_t> rts;
  for (const fake::Record& r : fake::Calls(Call::kSetRts))
    rts.push_back(r.value);
  EXPECT_EQ(rts, (std::vector<std::int64_t>{0, 1}));
  EXPECT_EQ(fake::Calls(Call::kSetDtr)[0].value, 0);
}

TEST_F(FakePortTest, AClosedPortRefusesEverything) {
  ASSERT_TRUE(port_->Close().ok());
  auto waiting = port_->Waiting();
  ASSERT_FALSE(waiting.ok());
  EXPECT_EQ(waiting.error().code, 9);
  EXPECT_FALSE(port_->Close().ok());
  port_.reset();  // closed already: nothing more to record
  std::vector<Call> kinds;
  for (const fake::Record& r : fake::Get().log)
    kinds.push_back(r.call);
  EXPECT_EQ(kinds, (std::vector<Call>{Call::kClose, Call::kWaiting, Call::kClose}));
}

TEST_F(FakePortTest, APortDestroyedOpenIsClosedAndAFailedCloseReleasesIt) {
  port_.reset();
  EXPECT_EQ(fake::Count(Call::kClose), 1);
  auto opened = PlatformOpenSerialDevice("fake:com1");
  ASSERT_TRUE(opened.ok());
  fake::Refuse(Call::kClose, 5, 0, 1);
  EXPECT_EQ(opened.value()->Close().error().code, 5);
  opened.value().reset();
  EXPECT_EQ(fake::Count(Call::kClose), 2);
}

}  // namespace
