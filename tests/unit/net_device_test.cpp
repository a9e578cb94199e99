// The remote serial device against the test's port server, in virtual time:
// the set-up, every line setting and its refusal, RTS changes that never
// wait, the time-outs, 0xFF both ways, packets of any size, and a lost
// connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/rfc2217/net_device.h"
#include "platform/rfc2217/net_errors.h"
#include "tests/support/port_server.h"
#include "tests/support/virtual_transport.h"

namespace {

using namespace testnet;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using Bytes = std::vector<std::uint8_t>;

VirtualTransport* g_transport = nullptr;

rfc2217::Transport* Connect(const rfc2217::PortUrl&, std::uint32_t) {
  if (!g_transport) {
    rfc2217::SetError(rfc2217::kNetErrConnect, "test: refused");
    return nullptr;
  }
  g_transport->Connect();
  return g_transport->ops();
}

std::string LastErrorText() {
  char buf[512];
  const std::int32_t code = rfc2217::TakeError();
  if (!rfc2217::ErrorText(code, buf, sizeof buf)) return "code " + std::to_string(code);
  return buf;
}

LineSettings Settings(std::uint32_t baud, bool dtr, bool rts) {
  LineSettings s{};
  s.DCBlength = sizeof s;
  s.BaudRate = baud;
  s.fBinary = 1;
  s.ByteSize = 8;
  s.Parity = kNoParity;
  s.StopBits = kOneStopBit;
  s.fDtrControl = dtr ? kDtrControlEnable : kDtrControlDisable;
  s.fRtsControl = rts ? kRtsControlEnable : kRtsControlDisable;
  return s;
}

class NetDeviceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (h_ != kInvalidPlatformHandle) rfc2217::NetClose(h_);
    g_transport = nullptr;
    rfc2217::TakeError();
  }

  // A server with the given behaviour, connected.
  void Serve(ServerBehaviour b = {}) {
    server_ = std::make_unique<PortServer>(std::move(b));
    transport_ = std::make_unique<VirtualTransport>(server_.get());
    g_transport = transport_.get();
  }

  PlatformHandle Open() { return h_ = rfc2217::NetOpen("rfc2217://robot-pi:2217", Connect); }

  // Closes the port, serves it anew and opens it again.
  void Reopen(ServerBehaviour b = {}) {
    if (h_ != kInvalidPlatformHandle) rfc2217::NetClose(h_);
    h_ = kInvalidPlatformHandle;
    Serve(std::move(b));
    OpenOrFail();
  }

  void OpenOrFail() { ASSERT_NE(Open(), kInvalidPlatformHandle) << LastErrorText(); }

  void SetTimeouts(std::uint32_t interval, std::uint32_t total) {
    const PortTimeouts t{interval, 0, total, 0, total};
    ASSERT_TRUE(rfc2217::NetSetTimeouts(h_, &t));
  }

  VirtualTransport& t() { return *transport_; }
  PortServer& server() { return *server_; }

  std::unique_ptr<PortServer> server_;
  std::unique_ptr<VirtualTransport> transport_;
  PlatformHandle h_ = kInvalidPlatformHandle;
};

TEST_F(NetDeviceTest, OpenNegotiatesPurgesAndLearnsTheServersSettings) {
  Serve();
  server().baud = 19200;
  server().datasize = 7;
  server().parity = 3;  // even
  server().stopsize = 2;
  // Left over from an earlier session, sent before the purge's answer.
  t().ServerSends(0, PortServer::Data({'o', 'l', 'd'}));
  OpenOrFail();
  EXPECT_TRUE(rfc2217::IsNetHandle(h_));
  // Purge both queues, then ask for the four line values.
  EXPECT_THAT(server().Commands(12), ElementsAre(3u));
  EXPECT_THAT(server().Commands(1), ElementsAre(0u));
  EXPECT_THAT(server().Commands(2), ElementsAre(0u));
  LineSettings s{};
  ASSERT_TRUE(rfc2217::NetGetSettings(h_, &s));
  EXPECT_EQ(s.BaudRate, 19200u);
  EXPECT_EQ(s.ByteSize, 7);
  EXPECT_EQ(s.Parity, kEvenParity);
  EXPECT_EQ(s.StopBits, kTwoStopBits);
  std::int32_t count = -1;
  ASSERT_TRUE(rfc2217::NetInputCount(h_, &count));
  EXPECT_EQ(count, 0);
  // The server's greeting settles the negotiation (1 ms one way); then one
  // round trip for the purge and the queries.
  EXPECT_EQ(t().now, 3u);
}

TEST_F(NetDeviceTest, OpenFailuresNameTheirReason) {
  struct Case {
    const char* name;
    ServerBehaviour b;
    std::uint64_t close_at;
    Bytes says;
    const char* text;
    std::uint64_t ends_at;  // virtual time when the open gave up
  };
  ServerBehaviour no_com_port;
  no_com_port.refuse_com_port = true;
  ServerBehaviour no_binary;
  no_binary.refuse_binary = true;
  ServerBehaviour mute;
  mute.greet = false;
  mute.negotiate = false;
  ServerBehaviour no_answers;
  no_answers.answer_commands = false;
  const Case cases[] = {
      {"no com port",
       no_com_port,
       kNever,
       {},
       "The port server does not offer serial port control",
       1},
      {"no binary", no_binary, kNever, {}, "binary transmission refused", 1},
      {"mute", mute, kNever, {}, "telnet options of a serial port: no answer in 3000 ms", 3000},
      {"no answers",
       no_answers,
       kNever,
       {},
       "did not answer the line settings: no answer to the purge",
       3001},
      {"busy",
       {},
       2,
       {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'},
       "The port server closed the connection: Port in use",
       2},
      {"closes", {}, 1, {}, "closed the connection: before the serial port was set up", 1},
  };
  for (const Case& c : cases) {
    Serve(c.b);
    t().close_at = c.close_at;
    t().ServerSends(1, c.says);
    EXPECT_EQ(Open(), kInvalidPlatformHandle) << c.name;
    EXPECT_THAT(LastErrorText(), HasSubstr(c.text)) << c.name;
    EXPECT_EQ(t().now, c.ends_at) << c.name;
    EXPECT_TRUE(t().closed_by_client) << c.name;
  }
  g_transport = nullptr;
  EXPECT_EQ(Open(), kInvalidPlatformHandle);
  EXPECT_EQ(LastErrorText(), "Cannot connect to the port server: test: refused");
}

TEST_F(NetDeviceTest, UrlsThatNameNoPortServer) {
  struct Case {
    const char* url;
    const char* text;
  };
  const Case cases[] = {
      {"tcp://pi:2217", "unknown scheme (remote ports are rfc2217://host:port): \"tcp\""},
      {"rfc2217://pi", "no port number in \"rfc2217://pi\""},
      {"rfc2217://:2217", "no host name"},
      {"rfc2217://pi:0", "port number outside 1..65535"},
      {"rfc2217://pi:65536", "port number outside 1..65535"},
      {"rfc2217://pi:2217/x", "unexpected text after the port number"},
      {"rfc2217://pi pi:2217", "invalid character in the host name"},
      {"rfc2217://[::1:2217", "unclosed or invalid [IPv6 address]"},
  };
  Serve();
  for (const Case& c : cases) {
    EXPECT_EQ(rfc2217::NetOpen(c.url, Connect), kInvalidPlatformHandle) << c.url;
    EXPECT_THAT(LastErrorText(), HasSubstr(c.text)) << c.url;
  }
  rfc2217::PortUrl url{};
  EXPECT_EQ(rfc2217::ParsePortUrl("RFC2217://[fe80::1]:2217/", &url), 0);
  EXPECT_STREQ(url.host, "fe80::1");
  EXPECT_STREQ(url.port, "2217");
  EXPECT_TRUE(rfc2217::LooksLikeUrl("rfc2217://x"));
  EXPECT_FALSE(rfc2217::LooksLikeUrl("/dev/ttyUSB0"));
  EXPECT_FALSE(rfc2217::LooksLikeUrl("ttyUSB0:1"));
  EXPECT_EQ(server().events().size(), 0u);  // nothing was connected
}

TEST_F(NetDeviceTest, EverySettingGoesOutAndIsCheckedAgainstTheAnswer) {
  Serve();
  OpenOrFail();
  LineSettings s = Settings(115200, false, true);
  s.ByteSize = 7;
  s.Parity = kOddParity;
  s.StopBits = kTwoStopBits;
  ASSERT_TRUE(rfc2217::NetSetSettings(h_, &s)) << LastErrorText();
  EXPECT_EQ(server().baud, 115200u);
  EXPECT_EQ(server().datasize, 7u);
  EXPECT_EQ(server().parity, 2u);
  EXPECT_EQ(server().stopsize, 2u);
  EXPECT_FALSE(server().dtr);
  EXPECT_TRUE(server().rts);
  // Flow control off, DTR, RTS, then the closing query.
  EXPECT_THAT(server().Commands(5), ElementsAre(1u, 9u, 11u, 0u));
  LineSettings back{};
  ASSERT_TRUE(rfc2217::NetGetSettings(h_, &back));
  EXPECT_EQ(back, s);
  // Each setting the server puts in force otherwise is refused, named, and
  // the previous line values are asked for again.
  struct Case {
    std::uint8_t code;
    std::uint32_t answered;
    const char* text;
  };
  const Case cases[] = {
      {1, 57600, "refused the line settings: baud rate 9600 answered with 57600"},
      {2, 7, "data bits 8 answered with 7"},
      {3, 3, "parity none answered with even"},
      {4, 3, "stop bits 1 answered with 1.5"},
      {5, 2, "flow control off answered with XON/XOFF"},
  };
  for (const Case& c : cases) {
    ServerBehaviour b;
    b.apply = [c](std::uint8_t code, std::uint32_t v) { return code == c.code ? c.answered : v; };
    Reopen(b);
    const LineSettings before = [this] {
      LineSettings x{};
      rfc2217::NetGetSettings(h_, &x);
      return x;
    }();
    const LineSettings want = Settings(9600, true, true);
    EXPECT_FALSE(rfc2217::NetSetSettings(h_, &want));
    EXPECT_THAT(LastErrorText(), HasSubstr(c.text));
    LineSettings kept{};
    rfc2217::NetGetSettings(h_, &kept);
    EXPECT_EQ(kept, before);
    EXPECT_EQ(server().Commands(1).back(), before.BaudRate);
  }
}

TEST_F(NetDeviceTest, ModemLinesAreCheckedWhenAnsweredAndTakenWhenNot) {
  // A server that keeps DTR on whatever it is told.
  ServerBehaviour stuck;
  stuck.apply = [](std::uint8_t code, std::uint32_t v) { return code == 5 && v == 9 ? 8u : v; };
  Serve(stuck);
  OpenOrFail();
  const LineSettings s = Settings(9600, false, false);
  EXPECT_FALSE(rfc2217::NetSetSettings(h_, &s));
  EXPECT_THAT(LastErrorText(), HasSubstr("DTR off answered with on"));
  // A server whose device has no modem lines answers nothing about them
  // (ser2net on a pseudo-terminal): the settings stand, after one round
  // trip, as on a local port without modem lines.
  ServerBehaviour no_lines;
  no_lines.answer_modem_lines = false;
  Reopen(no_lines);
  const std::uint64_t start = t().now;
  EXPECT_TRUE(rfc2217::NetSetSettings(h_, &s)) << LastErrorText();
  EXPECT_EQ(t().now - start, 2u);
  EXPECT_THAT(server().Commands(5), ElementsAre(1u, 9u, 12u, 0u));
}

TEST_F(NetDeviceTest, SettingsTheServerLeavesUnansweredOrARemotePortCannotDoFail) {
  ServerBehaviour b;
  Serve(b);
  OpenOrFail();
  LineSettings s = Settings(9600, false, false);
  s.fOutxCtsFlow = 1;
  const std::size_t events = server().events().size();
  EXPECT_FALSE(rfc2217::NetSetSettings(h_, &s));
  EXPECT_EQ(LastErrorText(), "A remote port cannot do the requested line settings: flow control");
  s = Settings(9600, false, false);
  s.fRtsControl = kRtsControlToggle;
  EXPECT_FALSE(rfc2217::NetSetSettings(h_, &s));
  EXPECT_THAT(LastErrorText(), HasSubstr("RTS handshake or toggle"));
  EXPECT_EQ(server().events().size(), events);  // nothing was sent
  // A server that stops answering: the settings fail after 3000 ms.
  ServerBehaviour silent;
  silent.answer_commands = false;
  *server_ = PortServer(silent);
  const std::uint64_t start = t().now;
  s = Settings(9600, false, false);
  EXPECT_FALSE(rfc2217::NetSetSettings(h_, &s));
  EXPECT_EQ(LastErrorText(),
            "The port server did not answer the line settings: no answer to the baud rate in "
            "3000 ms");
  EXPECT_EQ(t().now - start, 3000u);
}

TEST_F(NetDeviceTest, RtsChangesLeaveAtOnceAndKeepTheirSpacingAtTheServer) {
  Serve();
  OpenOrFail();
  t().latency = 20;  // answers come 40 ms after each change
  const Bytes byte = {0x0B};
  // The strobe of a command byte: write, RTS off, 8 ms, RTS on.
  const std::uint64_t t0 = t().now;
  ASSERT_EQ(rfc2217::NetWrite(h_, byte.data(), 1), 1);
  ASSERT_TRUE(rfc2217::NetEscape(h_, RtsEscape::kClear));
  EXPECT_EQ(t().now, t0);  // nothing waited for the answer
  t().now += 8;
  ASSERT_TRUE(rfc2217::NetEscape(h_, RtsEscape::kSet));
  EXPECT_EQ(t().now, t0 + 8);
  // At the server: the byte, then RTS off and on exactly 8 ms apart.
  const auto rts = server().Commands(5);
  const auto times = server().CommandTimes(5);
  ASSERT_GE(rts.size(), 2u);
  EXPECT_THAT(std::vector<std::uint32_t>(rts.end() - 2, rts.end()), ElementsAre(12u, 11u));
  EXPECT_EQ(times[times.size() - 1] - times[times.size() - 2], 8u);
  EXPECT_EQ(server().DataReceived(), byte);
  // The answers arrive later and are taken in as they come, between data.
  t().now += 100;
  t().ServerSends(t().now, PortServer::Data({0x0B}));
  std::int32_t count = 0;
  ASSERT_TRUE(rfc2217::NetInputCount(h_, &count));
  EXPECT_EQ(count, 1);
  // A server that cannot move RTS answers with the state it has: the next
  // RTS function fails with the reason.
  ServerBehaviour stuck;
  stuck.apply = [](std::uint8_t code, std::uint32_t v) { return code == 5 && v == 12 ? 11u : v; };
  Reopen(stuck);
  ASSERT_TRUE(rfc2217::NetEscape(h_, RtsEscape::kClear));
  t().now += 8;
  EXPECT_FALSE(rfc2217::NetEscape(h_, RtsEscape::kSet));
  EXPECT_EQ(LastErrorText(),
            "The port server did not apply an RTS change: RTS off answered with RTS on");
}

TEST_F(NetDeviceTest, ReadsKeepTheTimeOutsOfASerialPort) {
  Serve();
  OpenOrFail();
  SetTimeouts(1000, 1000);
  std::uint8_t buf[16];
  // Two bytes now, the third after 400 ms: a read of three takes them all.
  std::uint64_t t0 = t().now;
  t().ServerSends(t0 + 10, PortServer::Data({1, 2}));
  t().ServerSends(t0 + 410, PortServer::Data({3}));
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 3);
  EXPECT_EQ(t().now, t0 + 410);
  // One byte and then silence: the interval ends the read 100 ms after it.
  SetTimeouts(100, 1000);
  t0 = t().now;
  t().ServerSends(t0 + 50, PortServer::Data({4}));
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 1);
  EXPECT_EQ(t().now, t0 + 150);
  SetTimeouts(1000, 1000);
  // Nothing at all: the total ends it.
  t0 = t().now;
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 0);
  EXPECT_EQ(t().now, t0 + 1000);
  // Bytes that keep coming every 600 ms: the total ends it before the
  // interval would.
  t0 = t().now;
  for (int i = 1; i <= 3; ++i)
    t().ServerSends(t0 + 600 * static_cast<std::uint64_t>(i), PortServer::Data({5}));
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 1);
  EXPECT_EQ(t().now, t0 + 1000);
  // MAXDWORD interval and no total: what is there, at once.
  const PortTimeouts immediate{0xFFFFFFFFu, 0, 0, 0, 1000};
  ASSERT_TRUE(rfc2217::NetSetTimeouts(h_, &immediate));
  t().now += 300;  // the byte sent at +1200 arrived
  t0 = t().now;
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 1);
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 3), 0);
  EXPECT_EQ(t().now, t0);
}

TEST_F(NetDeviceTest, EveryByteValuePassesBothWaysInPacketsOfAnySize) {
  Bytes all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  for (std::size_t packet :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{4096}}) {
    Reopen();
    t().packet = packet;
    SetTimeouts(1000, 1000);
    ASSERT_EQ(rfc2217::NetWrite(h_, all.data(), 256), 256);
    EXPECT_EQ(server().DataReceived(), all) << packet;
    // From the server, with answers and notices between the bytes.
    Bytes wire;
    for (int i = 0; i < 256; ++i) {
      const auto d = PortServer::Data({all[static_cast<std::size_t>(i)]});
      wire.insert(wire.end(), d.begin(), d.end());
      if (i % 50 == 0) {
        const auto n = PortServer::Sub(107, {0x30});
        wire.insert(wire.end(), n.begin(), n.end());
        wire.insert(wire.end(), {IAC, NOP});
      }
    }
    t().ServerSends(t().now + 1, wire);
    Bytes got(256);
    ASSERT_EQ(rfc2217::NetRead(h_, got.data(), 256), 256) << packet;
    EXPECT_EQ(got, all) << packet;
  }
}

TEST_F(NetDeviceTest, AWriteCutInsideADoubledFFOwesTheServerItsSecondHalf) {
  Serve();
  OpenOrFail();
  SetTimeouts(1000, 50);
  // Room for "A" and the first half of 0xFF's pair; then none for 100 ms.
  t().send_room = 2;
  t().room_again = t().now + 100;
  const Bytes data = {'A', 0xFF, 'B'};
  const std::uint64_t t0 = t().now;
  EXPECT_EQ(rfc2217::NetWrite(h_, data.data(), 3), 2);  // 'A' and 0xFF went (or will)
  EXPECT_EQ(t().now, t0 + 50);
  t().now = t0 + 100;
  ASSERT_TRUE(rfc2217::NetEscape(h_, RtsEscape::kClear));
  // The pair was completed before the command, so the stream stays intact.
  EXPECT_EQ(server().DataReceived(), Bytes({'A', 0xFF}));
  EXPECT_EQ(server().Commands(5).back(), 12u);
}

TEST_F(NetDeviceTest, ALostConnectionFailsEveryCallAtOnceWithTheReason) {
  Serve();
  OpenOrFail();
  SetTimeouts(1000, 1000);
  // The server sends two bytes and then ends the connection at +100.
  const std::uint64_t t0 = t().now;
  t().ServerSends(t0 + 50, PortServer::Data({7, 8}));
  t().close_at = t0 + 100;
  std::uint8_t buf[4];
  // What came before the end is read; the read ends with the connection,
  // not at its time-out.
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 4), 2);
  EXPECT_EQ(t().now, t0 + 100);
  EXPECT_EQ(LastErrorText(), "The connection to the port server was lost: closed by the server");
  EXPECT_EQ(rfc2217::NetRead(h_, buf, 1), 0);
  EXPECT_THAT(LastErrorText(), HasSubstr("was lost"));
  EXPECT_EQ(rfc2217::NetWrite(h_, buf, 1), 0);
  EXPECT_THAT(LastErrorText(), HasSubstr("was lost"));
  EXPECT_FALSE(rfc2217::NetEscape(h_, RtsEscape::kClear));
  std::int32_t count = 0;
  EXPECT_FALSE(rfc2217::NetInputCount(h_, &count));
  const LineSettings s = Settings(9600, false, false);
  EXPECT_FALSE(rfc2217::NetSetSettings(h_, &s));
  EXPECT_EQ(t().now, t0 + 100);  // none of them waited
  EXPECT_TRUE(rfc2217::NetClose(h_));
  h_ = kInvalidPlatformHandle;
  // A write into a connection the server reset fails with the system's code.
  Serve();
  OpenOrFail();
  t().close_at = t().now;
  EXPECT_EQ(rfc2217::NetWrite(h_, buf, 1), 0);
  EXPECT_EQ(LastErrorText(), "The connection to the port server was lost: error 32");
}

TEST_F(NetDeviceTest, HandlesOutsideTheTableAreRefused) {
  EXPECT_FALSE(rfc2217::IsNetHandle(3));
  EXPECT_FALSE(rfc2217::IsNetHandle(kInvalidPlatformHandle));
  LineSettings s{};
  EXPECT_FALSE(rfc2217::NetGetSettings(rfc2217::kFirstNetHandle, &s));
  EXPECT_EQ(LastErrorText(), "Not an open remote port");
  EXPECT_FALSE(rfc2217::NetClose(rfc2217::kFirstNetHandle + 1));
}

}  // namespace
