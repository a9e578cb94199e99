// The serial layer on the fake platform: where a port number leads, opening
// a port, and the settings word applied to an open port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "serial/com.h"
#include "tests/support/fake_fixture.h"

namespace {

using fake::Call;
using ::testing::ElementsAre;

using ResolvePortTest = FakeTest;

TEST_F(ResolvePortTest, NumbersOutsideOneTo256LeadNowhereWithoutTouchingThePlatform) {
  for (std::int32_t n : {0, 257, -1}) {
    ComResult<PortAddress> r = ResolvePort(n);
    ASSERT_FALSE(r.ok()) << n;
    EXPECT_EQ(r.error().step, ComStep::kOpen);
    EXPECT_EQ(r.error().cause.code, 2) << n;  // the platform's "no such port"
  }
  EXPECT_TRUE(fake::Get().log.empty());
  EXPECT_EQ(ResolvePort(256).value(), PortAddress{DevicePath{"fake:com256"}});
}

TEST_F(ResolvePortTest, TheEnvironmentNamesARemotePortAndWinsOverTheDevice) {
  struct Case {
    const char* value;
    const char* url;  // the remote port's URL; else an error, or the device when blank
  };
  const Case cases[] = {
      {"rfc2217://lab-pi:2217", "rfc2217://lab-pi:2217"},
      {" rfc2217://lab-pi:2217\t\r\n", "rfc2217://lab-pi:2217"},  // blanks around it
      {"", nullptr},
      {" \t", nullptr},
      {"/dev/ttyUSB0", nullptr},
  };
  for (const Case& c : cases) {
    SetVariable("PADLINK_PORT_7", c.value);
    ComResult<PortAddress> r = ResolvePort(7);
    SetVariable("PADLINK_PORT_7", nullptr);
    if (c.url) {
      EXPECT_EQ(r.value(), PortAddress{RemoteUrl{c.url}}) << c.value;
    } else if (c.value[0] == '/') {
      ASSERT_FALSE(r.ok()) << c.value;
      EXPECT_THAT(r.error().cause.text,
                  ::testing::HasSubstr("PADLINK_PORT_7 holds \"/dev/ttyUSB0\""));
    } else {
      EXPECT_EQ(r.value(), PortAddress{DevicePath{"fake:com7"}}) << c.value;
    }
  }
}

using ComOpenTest = FakeTest;

TEST_F(ComOpenTest, OpensTheDeviceThenAppliesTheOpenSettings) {
  fake::Get().config.baud = 1200;
  fake::Get().config.dtr = LineControl::kOff;
  ComResult<std::unique_ptr<Port>> port = ComOpen(DevicePath{"fake:com5"});
  ASSERT_TRUE(port.ok());
  EXPECT_THAT(CallKinds(), ElementsAre(Call::kOpen, Call::kGetConfig, Call::kConfigure));
  EXPECT_EQ(fake::Get().log[0].name, "fake:com5");
  EXPECT_EQ(fake::Get().config, LineConfig{});  // 9600 8N1, DTR and RTS on, no flow control
}

TEST_F(ComOpenTest, RefusedOpenIsAnOpenErrorWithTheReason) {
  fake::Refuse(Call::kOpen, 16);
  ComResult<std::unique_ptr<Port>> port = ComOpen(DevicePath{"fake:com7"});
  ASSERT_FALSE(port.ok());
  EXPECT_EQ(port.error().step, ComStep::kOpen);
  EXPECT_EQ(port.error().cause.code, 16);
  EXPECT_EQ(port.error().cause.text, "error 16");
  EXPECT_EQ(fake::Get().log.size(), 1u);
}

TEST_F(ComOpenTest, RefusedOpenSettingsStillOpenThePort) {
  // The link mode's settings come next and report what the port cannot do.
  fake::Refuse(Call::kConfigure, 87);
  EXPECT_TRUE(ComOpen(DevicePath{"fake:com1"}).ok());
}

// ComConfig: the settings word applied to an open port.
class ComConfigTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    port_ = OpenQuietly();
    fake::Get().config = Before();
  }
  static LineConfig Before() {
    LineConfig c;
    c.baud = 1234;
    c.data_bits = 6;
    c.dtr = LineControl::kHandshake;
    c.cts_flow = true;
    return c;
  }
  std::unique_ptr<Port> port_;
};

TEST_F(ComConfigTest, ReadsChangesAndWritesTheSettingsOnce) {
  ASSERT_TRUE(ComConfig(*port_, kCableModeSettingsWord).ok());
  EXPECT_THAT(CallKinds(), ElementsAre(Call::kGetConfig, Call::kConfigure));
  LineConfig expected = Before();
  ApplySettingsWord(kCableModeSettingsWord, &expected);
  EXPECT_EQ(fake::Get().config, expected);
}

TEST_F(ComConfigTest, FailuresLeaveThePortAsItWas) {
  struct Case {
    Call refused;
    PortSettingsWord word;
    std::int32_t code;
    std::size_t calls;  // what the attempt touched
  };
  const Case cases[] = {
      {Call::kConfigure, kStrobeModeSettingsWord, 87, 2},
      {Call::kConfigure, 0, 87, 2},
      {Call::kGetConfig, kStrobeModeSettingsWord, 6, 1},  // nothing is written
      {Call::kOpen, 0x600, 22, 0},  // a word that names nothing: refused before the port
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    fake::Get().config = Before();
    fake::Refuse(c.refused, c.code);
    ComResult<void> r = ComConfig(*port_, c.word);
    ASSERT_FALSE(r.ok()) << c.word;
    EXPECT_EQ(r.error().step, ComStep::kConfig);
    EXPECT_EQ(r.error().cause.code, c.code) << c.word;
    EXPECT_EQ(fake::Get().log.size(), c.calls) << c.word;
    EXPECT_EQ(fake::Get().config, Before()) << c.word;
  }
}

// A port is gone when the platform says its failure is of that kind, from
// whichever call met it; its code plays no part. Every other kind is a
// failure the port lives through.
using ComPortGoneTest = FakeTest;

// The failure of the Com operation that makes the call.
ComError FailureOf(Port& port, Call call) {
  std::uint8_t byte = 7;
  switch (call) {
    case Call::kWrite:
      return ComWrite(port, &byte, 1).error();
    case Call::kRead:
      return ComRead(port, &byte, 1).error();
    case Call::kSetRts:
      return ComClearRts(port).error();
    default:
      return ComRxCount(port).error();
  }
}

TEST_F(ComPortGoneTest, TellsAPortThatIsGoneByTheKindOfItsFailure) {
  struct Case {
    const char* name;
    Call refused;
    std::int32_t code;
    std::optional<ErrorKind> kind;  // none: the fake's kind for the code
    ErrorKind seen;
    bool gone;
  };
  const Case cases[] = {
      {"the fake's code of a device gone",
       Call::kWrite,
       fake::kDeviceGone,
       {},
       ErrorKind::kGone,
       true},
      {"another code", Call::kWrite, 5, {}, ErrorKind::kOther, false},
      {"gone by its kind", Call::kRead, 5, ErrorKind::kGone, ErrorKind::kGone, true},
      {"gone on a modem line", Call::kSetRts, 6, ErrorKind::kGone, ErrorKind::kGone, true},
      {"busy", Call::kWaiting, 16, ErrorKind::kBusy, ErrorKind::kBusy, false},
      {"refused", Call::kSetRts, 31, ErrorKind::kRefused, ErrorKind::kRefused, false},
      {"timed out", Call::kRead, 110, ErrorKind::kTimedOut, ErrorKind::kTimedOut, false},
      {"ended", Call::kRead, 0, ErrorKind::kEnded, ErrorKind::kEnded, false},
  };
  for (const Case& c : cases) {
    const fake::Platform fresh;
    std::unique_ptr<Port> port = OpenQuietly();
    if (c.kind)
      fake::Refuse(c.refused, c.code, *c.kind);
    else
      fake::Refuse(c.refused, c.code);
    const ComError error = FailureOf(*port, c.refused);
    EXPECT_EQ(error.cause.code, c.code) << c.name;
    EXPECT_EQ(error.cause.kind, c.seen) << c.name;
    EXPECT_EQ(ComPortGone(error), c.gone) << c.name;
  }
}

}  // namespace
