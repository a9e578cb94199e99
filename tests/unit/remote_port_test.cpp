// The remote port against the test's port server, in virtual time: the
// set-up, every line setting and its refusal, modem-line changes that never
// wait, the time-outs, 0xFF both ways, packets of any size, a lost
// connection, a closed port and the order of closing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/port_url.h"
#include "serial/rfc2217/remote_port.h"
#include "tests/support/port_server.h"
#include "tests/support/virtual_transport.h"

namespace {

using namespace testnet;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kUrl = "rfc2217://robot-pi:2217";

// The text of a failure, "" for a success; without the line end that the
// texts carry on Windows, like the system's own.
template <typename T>
std::string Err(const SysResult<T>& r) {
  if (r) return std::string();
  std::string text = r.error().text;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}
template <typename T>
std::int32_t Code(const SysResult<T>& r) {
  return r ? 0 : r.error().code;
}
// The kind of a failure; none for a success.
template <typename T>
std::optional<ErrorKind> Kind(const SysResult<T>& r) {
  if (r) return std::nullopt;
  return r.error().kind;
}

LineConfig Settings(std::uint32_t baud, bool dtr, bool rts) {
  LineConfig c;
  c.baud = baud;
  c.dtr = dtr ? LineControl::kOn : LineControl::kOff;
  c.rts = rts ? LineControl::kOn : LineControl::kOff;
  return c;
}

class RemotePortTest : public ::testing::Test {
 protected:
  // A server with the given behaviour, ready for a connection; the port of
  // an earlier one is closed first.
  void Serve(ServerBehaviour b = {}) {
    port_.reset();
    server_ = std::make_unique<PortServer>(std::move(b));
    transport_ = std::make_unique<VirtualTransport>(server_.get());
  }

  // Opens url through the transport, or fails with refusal_ when there is
  // none.
  SysResult<std::unique_ptr<Port>> Open(const std::string& url = kUrl,
                                        const rfc2217::SetUpLimits& limits = {}) {
    return rfc2217::OpenRemotePort(
        url,
        [this](const std::string& host, std::uint16_t port,
               std::int32_t timeout_ms) -> SysResult<std::unique_ptr<Connection>> {
          connected_to_ = host + ":" + std::to_string(port) + " in " + std::to_string(timeout_ms);
          if (!transport_) return Fail(refusal_);
          return transport_->Connect();
        },
        limits);
  }

  void OpenOrFail() {
    SysResult<std::unique_ptr<Port>> opened = Open();
    ASSERT_TRUE(opened) << opened.error().text;
    port_ = std::move(*opened);
  }

  // Closes the port, serves it anew and opens it again.
  void Reopen(ServerBehaviour b = {}) {
    Serve(std::move(b));
    OpenOrFail();
  }

  Port& port() { return *port_; }
  VirtualTransport& t() { return *transport_; }
  PortServer& server() { return *server_; }

  std::unique_ptr<PortServer> server_;
  std::unique_ptr<VirtualTransport> transport_;
  std::unique_ptr<Port> port_;
  SysError refusal_{kConnectErrConnect, "test: refused"};
  std::string connected_to_;
};

TEST_F(RemotePortTest, OpenNegotiatesPurgesAndLearnsTheServersSettings) {
  Serve();
  server().baud = 19200;
  server().datasize = 7;
  server().parity = 3;  // even
  server().stopsize = 2;
  // Left over from an earlier session, sent before the purge's answer.
  t().ServerSends(0, PortServer::Data({'o', 'l', 'd'}));
  OpenOrFail();
  EXPECT_EQ(connected_to_, "robot-pi:2217 in 5000");
  // Purge both queues, then ask for the four line values.
  EXPECT_THAT(server().Commands(12), ElementsAre(3u));
  EXPECT_THAT(server().Commands(1), ElementsAre(0u));
  EXPECT_THAT(server().Commands(2), ElementsAre(0u));
  const SysResult<LineConfig> c = port().GetConfig();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->baud, 19200u);
  EXPECT_EQ(c->data_bits, 7);
  EXPECT_EQ(c->parity, Parity::kEven);
  EXPECT_EQ(c->stop_bits, StopBits::kTwo);
  const SysResult<std::int32_t> waiting = port().Waiting();
  ASSERT_TRUE(waiting);
  EXPECT_EQ(*waiting, 0);
  // The server's greeting settles the negotiation (1 ms one way); then one
  // round trip for the purge and the queries.
  EXPECT_EQ(t().now, 3u);
}

// A server that sends more data than the receive buffer holds ahead of its
// answers, before the open and after it: the answers behind the data are
// read all the same. What came before the purge goes with it; what finds
// the buffer full later is dropped, as a serial driver drops an overrun.
// No wait comes back at once with nothing moved (a loop that spins).
TEST_F(RemotePortTest, DataAheadOfTheAnswersNeitherHoldsThemBackNorSpins) {
  Bytes flood(65536);
  for (std::size_t i = 0; i < flood.size(); ++i)
    flood[i] = static_cast<std::uint8_t>(i % 251);
  for (const std::size_t packet : {std::size_t{1460}, std::size_t{65536}}) {
    SCOPED_TRACE(packet);
    Serve();
    t().packet = packet;
    t().ServerSends(0, PortServer::Data(flood));
    ASSERT_NO_FATAL_FAILURE(OpenOrFail());
    EXPECT_EQ(*port().Waiting(), 0);
    t().ServerSends(t().now, PortServer::Data(flood));
    ASSERT_EQ(Err(port().Configure(Settings(9600, false, false))), "");
    ASSERT_EQ(*port().Waiting(), static_cast<std::int32_t>(rfc2217::kReceiveBufferBytes));
    Bytes got(rfc2217::kReceiveBufferBytes);
    ASSERT_EQ(*port().Read(got.data(), static_cast<std::int32_t>(got.size()), 0),
              static_cast<std::int32_t>(got.size()));
    EXPECT_EQ(got, Bytes(flood.begin(), flood.begin() + static_cast<long>(got.size())));
    EXPECT_EQ(t().idle_waits, 0u);
  }
}

TEST_F(RemotePortTest, OpenFailuresNameTheirReason) {
  struct Case {
    const char* name;
    ServerBehaviour b;
    std::uint64_t close_at;
    Bytes says;
    std::int32_t code;
    const char* text;
    std::uint64_t ends_at;  // virtual time when the open gave up
    ErrorKind kind;
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
  const Bytes busy = {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'};
  const Case cases[] = {
      {"no com port",
       no_com_port,
       kNever,
       {},
       rfc2217::kNetErrNoComPort,
       "The port server does not offer serial port control (telnet COM-PORT-OPTION, RFC 2217): "
       "robot-pi:2217",
       1,
       ErrorKind::kRefused},
      {"no binary",
       no_binary,
       kNever,
       {},
       rfc2217::kNetErrNegotiation,
       "binary transmission refused",
       1,
       ErrorKind::kRefused},
      {"mute",
       mute,
       kNever,
       {},
       rfc2217::kNetErrNegotiation,
       "telnet options of a serial port: no answer in 3000 ms",
       3000,
       ErrorKind::kTimedOut},
      {"no answers",
       no_answers,
       kNever,
       {},
       rfc2217::kNetErrNoAnswer,
       "did not answer the line settings: no answer to the purge and the queries in 3000 ms",
       3001,
       ErrorKind::kTimedOut},
      {"busy",
       {},
       2,
       busy,
       rfc2217::kNetErrClosed,
       "The port server closed the connection: Port in use",
       2,
       ErrorKind::kEnded},
      {"closes",
       {},
       1,
       {},
       rfc2217::kNetErrClosed,
       "closed the connection: before the serial port was set up",
       1,
       ErrorKind::kEnded},
  };
  for (const Case& c : cases) {
    Serve(c.b);
    t().close_at = c.close_at;
    t().ServerSends(1, c.says);
    const SysResult<std::unique_ptr<Port>> opened = Open();
    EXPECT_EQ(Code(opened), c.code) << c.name;
    EXPECT_THAT(Err(opened), HasSubstr(c.text)) << c.name;
    EXPECT_EQ(Kind(opened), c.kind) << c.name;
    EXPECT_EQ(t().now, c.ends_at) << c.name;
    EXPECT_TRUE(t().closed_by_client) << c.name;
  }
  // The connector's own reasons get the remote port's text, and keep their
  // kind.
  transport_.reset();
  refusal_.kind = ErrorKind::kRefused;
  SysResult<std::unique_ptr<Port>> opened = Open();
  EXPECT_EQ(Code(opened), rfc2217::kNetErrConnect);
  EXPECT_EQ(Err(opened), "Cannot connect to the port server: test: refused");
  EXPECT_EQ(Kind(opened), ErrorKind::kRefused);
  refusal_ = SysError{kConnectErrHostNotFound, "robot-pi: unknown"};
  opened = Open();
  EXPECT_EQ(Code(opened), rfc2217::kNetErrHostNotFound);
  EXPECT_EQ(Err(opened), "The port server's host name cannot be resolved: robot-pi: unknown");
}

// A link-local address that the system cannot connect to without its zone:
// the failure says what it lacks.
TEST_F(RemotePortTest, ALinkLocalAddressWithoutItsZoneSaysWhatItLacks) {
  refusal_ = SysError{kConnectErrConnect, "fe80::2:2217: Invalid argument"};
  SysResult<std::unique_ptr<Port>> opened = Open("rfc2217://[fe80::2]:2217");
  EXPECT_EQ(Err(opened),
            "Cannot connect to the port server: fe80::2:2217: Invalid argument (a link-local "
            "address needs its network interface, as in [fe80::2%eth0])");
  opened = Open("rfc2217://[fe80::2%25eth0]:2217");
  EXPECT_EQ(Err(opened), "Cannot connect to the port server: fe80::2:2217: Invalid argument");
}

TEST_F(RemotePortTest, UrlsThatNameNoPortServer) {
  struct Case {
    const char* url;
    std::int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {"tcp://pi:2217", rfc2217::kNetErrUnknownScheme,
       "The port's URL has an unknown scheme (remote ports are rfc2217://host:port): \"tcp\" in "
       "\"tcp://pi:2217\""},
      {"rfc2217://pi", rfc2217::kNetErrBadUrl,
       "The port's address is not a valid URL (rfc2217://host:port): no port number in "
       "\"rfc2217://pi\""},
      {"rfc2217://:2217", rfc2217::kNetErrBadUrl, "no host name"},
      {"rfc2217://pi:0", rfc2217::kNetErrBadUrl, "port number outside 1..65535"},
      {"rfc2217://pi:65536", rfc2217::kNetErrBadUrl, "port number outside 1..65535"},
      {"rfc2217://pi:2217/x", rfc2217::kNetErrBadUrl, "unexpected text after the port number"},
      {"rfc2217://pi pi:2217", rfc2217::kNetErrBadUrl, "invalid character in the host name"},
      {"rfc2217://[::1:2217", rfc2217::kNetErrBadUrl, "unclosed or invalid [IPv6 address]"},
      {"rfc2217://[]:2217", rfc2217::kNetErrBadUrl, "no host name"},
      {"rfc2217://[%eth0]:2217", rfc2217::kNetErrBadUrl, "no host name"},
      {"rfc2217://[fe80::2%]:2217", rfc2217::kNetErrBadUrl, "invalid zone"},
      {"rfc2217://[fe80::2%25]x:2217", rfc2217::kNetErrBadUrl, "invalid character"},
      {"rfc2217://[fe80::2%eth/0]:2217", rfc2217::kNetErrBadUrl, "invalid zone"},
      {"rfc2217://[fe80::2%eth0:2217", rfc2217::kNetErrBadUrl, "invalid zone"},
  };
  Serve();
  for (const Case& c : cases) {
    const SysResult<std::unique_ptr<Port>> opened = Open(c.url);
    EXPECT_EQ(Code(opened), c.code) << c.url;
    EXPECT_THAT(Err(opened), HasSubstr(c.text)) << c.url;
  }
  EXPECT_EQ(connected_to_, "");  // nothing was connected
  // The host as the system's name lookup takes it. A link-local address
  // names its zone (interface) after "%", which a URL writes "%25".
  const std::pair<const char*, const char*> good[] = {
      {"RFC2217://[fe80::1]:2217/", "fe80::1"},
      {"rfc2217://[fe80::2%25eth0]:2217", "fe80::2%eth0"},
      {"rfc2217://[fe80::2%eth0]:2217", "fe80::2%eth0"},
      {"rfc2217://[FE80::2%2512]:2217", "FE80::2%12"},
      {"rfc2217://[fe80::2%25]:2217", "fe80::2%25"},  // zone 25
      {"rfc2217://[fe80::2%2525]:2217", "fe80::2%25"},
      {"rfc2217://[fe80::2%wl-p2_s.0~]:2217", "fe80::2%wl-p2_s.0~"},
      {"rfc2217://[::ffff:10.0.0.1]:2217", "::ffff:10.0.0.1"},
  };
  for (const auto& [text, host] : good) {
    const SysResult<rfc2217::PortUrl> url = rfc2217::ParsePortUrl(text);
    ASSERT_TRUE(url) << text << ": " << Err(url);
    EXPECT_EQ(url->host, host);
    EXPECT_EQ(url->port, 2217);
  }
  // Opened, the zone reaches the connection.
  ASSERT_TRUE(Open("rfc2217://[fe80::2%25eth0]:2217"));
  EXPECT_EQ(connected_to_, "fe80::2%eth0:2217 in 5000");
  EXPECT_TRUE(rfc2217::LooksLikeUrl("rfc2217://x"));
  EXPECT_FALSE(rfc2217::LooksLikeUrl("/dev/ttyUSB0"));
  EXPECT_FALSE(rfc2217::LooksLikeUrl("ttyUSB0:1"));
  EXPECT_FALSE(rfc2217::LooksLikeUrl("/nonexistent/rfc2217:"));  // a file's name
}

TEST_F(RemotePortTest, APortVariableHoldsAUrlOrNothing) {
  using Url = std::optional<std::string>;
  EXPECT_EQ(*rfc2217::UrlFromVariable("PADLINK_PORT_4", nullptr), Url());
  EXPECT_EQ(*rfc2217::UrlFromVariable("PADLINK_PORT_4", ""), Url());  // empty: as unset
  EXPECT_EQ(*rfc2217::UrlFromVariable("PADLINK_PORT_4", "rfc2217://[::1]:7000"),
            Url("rfc2217://[::1]:7000"));
  // Any URL passes here; its scheme is checked when the port is opened.
  EXPECT_EQ(*rfc2217::UrlFromVariable("PADLINK_PORT_4", "tcp://pi:2217"), Url("tcp://pi:2217"));
  const auto no_url = rfc2217::UrlFromVariable("PADLINK_PORT_4", "lab-pi:2217");
  EXPECT_EQ(Code(no_url), rfc2217::kNetErrBadUrl);
  EXPECT_EQ(Err(no_url),
            "The port's address is not a valid URL (rfc2217://host:port): PADLINK_PORT_4 holds "
            "\"lab-pi:2217\"");
}

TEST_F(RemotePortTest, EverySettingGoesOutAndIsCheckedAgainstTheAnswer) {
  Serve();
  OpenOrFail();
  LineConfig s = Settings(115200, false, true);
  s.data_bits = 7;
  s.parity = Parity::kOdd;
  s.stop_bits = StopBits::kTwo;
  const SysResult<void> configured = port().Configure(s);
  ASSERT_TRUE(configured) << Err(configured);
  EXPECT_EQ(server().baud, 115200u);
  EXPECT_EQ(server().datasize, 7u);
  EXPECT_EQ(server().parity, 2u);
  EXPECT_EQ(server().stopsize, 2u);
  EXPECT_FALSE(server().dtr);
  EXPECT_TRUE(server().rts);
  // Flow control off, DTR, RTS, then the closing query.
  EXPECT_THAT(server().Commands(5), ElementsAre(1u, 9u, 11u, 0u));
  const SysResult<LineConfig> back = port().GetConfig();
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, s);
  // Each setting the server puts in force otherwise is refused, named, and
  // the previous line values are asked for again.
  struct Case {
    std::uint8_t code;
    std::uint32_t answered;
    const char* text;
  };
  const Case cases[] = {
      {1, 57600, "The port server refused the line settings: baud rate 9600 answered with 57600"},
      {2, 7, "data bits 8 answered with 7"},
      {3, 3, "parity none answered with even"},
      {4, 3, "stop bits 1 answered with 1.5"},
      {5, 2, "flow control off answered with XON/XOFF"},
  };
  for (const Case& c : cases) {
    ServerBehaviour b;
    b.apply = [c](std::uint8_t code, std::uint32_t v) { return code == c.code ? c.answered : v; };
    Reopen(b);
    const LineConfig before = *port().GetConfig();
    const SysResult<void> configured = port().Configure(Settings(9600, true, true));
    EXPECT_EQ(Code(configured), rfc2217::kNetErrSettingRefused);
    EXPECT_THAT(Err(configured), HasSubstr(c.text));
    EXPECT_EQ(*port().GetConfig(), before);
    EXPECT_EQ(server().Commands(1).back(), before.baud);
  }
}

TEST_F(RemotePortTest, ModemLinesAreCheckedWhenAnsweredAndTakenWhenNot) {
  // A server that keeps DTR on whatever it is told.
  ServerBehaviour stuck;
  stuck.apply = [](std::uint8_t code, std::uint32_t v) { return code == 5 && v == 9 ? 8u : v; };
  Serve(stuck);
  OpenOrFail();
  const LineConfig s = Settings(9600, false, false);
  EXPECT_THAT(Err(port().Configure(s)), HasSubstr("DTR off answered with on"));
  // A server whose device has no modem lines answers nothing about them
  // (ser2net on a pseudo-terminal): the settings stand, after one round
  // trip, as on a local port without modem lines.
  ServerBehaviour no_lines;
  no_lines.answer_modem_lines = false;
  Reopen(no_lines);
  const std::uint64_t start = t().now;
  EXPECT_EQ(Err(port().Configure(s)), "");
  EXPECT_EQ(t().now - start, 2u);
  EXPECT_THAT(server().Commands(5), ElementsAre(1u, 9u, 12u, 0u));
}

TEST_F(RemotePortTest, SettingsTheServerLeavesUnansweredOrARemotePortCannotDoFail) {
  Serve();
  OpenOrFail();
  struct Case {
    std::function<void(LineConfig&)> change;
    const char* what;
  };
  const Case cases[] = {
      {[](LineConfig& c) { c.cts_flow = true; }, "flow control"},
      {[](LineConfig& c) { c.xon_xoff = true; }, "flow control"},
      {[](LineConfig& c) { c.rts = LineControl::kToggle; }, "RTS handshake or toggle"},
      {[](LineConfig& c) { c.rts = LineControl::kHandshake; }, "RTS handshake or toggle"},
      {[](LineConfig& c) { c.dtr = LineControl::kHandshake; }, "DTR handshake"},
      {[](LineConfig& c) { c.baud = 0; }, "a baud rate of 0"},
      {[](LineConfig& c) { c.data_bits = 9; }, "data bits outside 5..8"},
  };
  const std::size_t events = server().events().size();
  for (const Case& c : cases) {
    LineConfig s = Settings(9600, false, false);
    c.change(s);
    const SysResult<void> configured = port().Configure(s);
    EXPECT_EQ(Code(configured), rfc2217::kNetErrUnsupportedSetting) << c.what;
    EXPECT_EQ(Err(configured),
              std::string("A remote port cannot do the requested line settings: ") + c.what);
  }
  EXPECT_EQ(server().events().size(), events);  // nothing was sent
  // A server that stops answering: the settings fail after 3000 ms.
  ServerBehaviour silent;
  silent.answer_commands = false;
  *server_ = PortServer(silent);
  const std::uint64_t start = t().now;
  const SysResult<void> configured = port().Configure(Settings(9600, false, false));
  EXPECT_EQ(Code(configured), rfc2217::kNetErrNoAnswer);
  EXPECT_EQ(Err(configured),
            "The port server did not answer the line settings: no answer to the baud rate in "
            "3000 ms");
  EXPECT_EQ(t().now - start, 3000u);
}

TEST_F(RemotePortTest, ModemLineChangesLeaveAtOnceAndKeepTheirSpacingAtTheServer) {
  Serve();
  OpenOrFail();
  t().latency = 20;  // answers come 40 ms after each change
  const Bytes byte = {0x0B};
  // The strobe of a command byte: write, RTS off, 8 ms, RTS on.
  const std::uint64_t t0 = t().now;
  ASSERT_EQ(*port().Write(byte.data(), 1, 1000), 1);
  ASSERT_TRUE(port().SetRts(false));
  EXPECT_EQ(t().now, t0);  // nothing waited for the answer
  t().now += 8;
  ASSERT_TRUE(port().SetRts(true));
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
  EXPECT_EQ(*port().Waiting(), 1);
  // A server that cannot move a line answers with the state it has: the
  // next change of that line fails with the reason.
  struct Case {
    std::uint32_t off, on;  // SET-CONTROL values
    std::function<SysResult<void>(Port&, bool)> set;
    std::int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {12, 11, [](Port& p, bool on) { return p.SetRts(on); }, rfc2217::kNetErrRtsRefused,
       "The port server did not apply an RTS change: RTS off answered with RTS on"},
      {9, 8, [](Port& p, bool on) { return p.SetDtr(on); }, rfc2217::kNetErrDtrRefused,
       "The port server did not apply a DTR change: DTR off answered with DTR on"},
  };
  for (const Case& c : cases) {
    ServerBehaviour stuck;
    stuck.apply = [c](std::uint8_t code, std::uint32_t v) {
      return code == 5 && v == c.off ? c.on : v;
    };
    Reopen(stuck);
    const std::uint64_t start = t().now;
    ASSERT_TRUE(c.set(port(), false));
    EXPECT_EQ(server().Commands(5).back(), c.off);
    EXPECT_EQ(t().now, start);
    t().now += 8;
    const SysResult<void> again = c.set(port(), true);
    EXPECT_EQ(Code(again), c.code);
    EXPECT_EQ(Err(again), c.text);
  }
}

TEST_F(RemotePortTest, ReadsAndWaitsEndWhenTheBytesAreThereOrAtTheirTimeOut) {
  struct Arrival {
    std::uint64_t at;  // ms after the call
    Bytes bytes;
  };
  struct Case {
    const char* name;
    std::vector<Arrival> arrivals;
    std::int32_t timeout_ms;
    std::int32_t count;     // of the 3 asked for
    std::uint64_t ends_at;  // ms after the call
  };
  const Case cases[] = {
      {"all before the time-out", {{10, {1, 2}}, {410, {3}}}, 1000, 3, 410},
      {"one, then silence", {{50, {4}}}, 1000, 1, 1000},
      {"nothing", {}, 1000, 0, 1000},
      {"one every 600 ms", {{600, {5}}, {1200, {5}}, {1800, {5}}}, 1000, 1, 1000},
      {"what is there, at once", {{0, {6}}}, 0, 1, 0},
      {"nothing, at once", {}, 0, 0, 0},
      {"one as the time runs out", {{100, {7}}}, 100, 1, 100},
  };
  for (const bool read : {true, false}) {
    for (const Case& c : cases) {
      Reopen();
      const std::uint64_t t0 = t().now;
      Bytes sent;
      for (const Arrival& a : c.arrivals) {
        t().ServerSends(t0 + a.at, PortServer::Data(a.bytes));
        sent.insert(sent.end(), a.bytes.begin(), a.bytes.end());
      }
      std::uint8_t buf[3] = {};
      const SysResult<std::int32_t> r =
          read ? port().Read(buf, 3, c.timeout_ms) : port().WaitFor(3, c.timeout_ms);
      const std::string name = std::string(read ? "Read: " : "WaitFor: ") + c.name;
      ASSERT_TRUE(r) << name;
      EXPECT_EQ(*r, c.count) << name;
      EXPECT_EQ(t().now - t0, c.ends_at) << name;
      if (read) {
        EXPECT_EQ(Bytes(buf, buf + *r), Bytes(sent.begin(), sent.begin() + *r)) << name;
      }
    }
  }
}

TEST_F(RemotePortTest, EveryByteValuePassesBothWaysInPacketsOfAnySize) {
  Bytes all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  for (std::size_t packet :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{4096}}) {
    Reopen();
    t().packet = packet;
    ASSERT_EQ(*port().Write(all.data(), 256, 1000), 256);
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
    ASSERT_EQ(*port().Read(got.data(), 256, 1000), 256) << packet;
    EXPECT_EQ(got, all) << packet;
  }
}

TEST_F(RemotePortTest, AWriteCutInsideADoubledFFOwesTheServerItsSecondHalf) {
  Serve();
  OpenOrFail();
  // Room for "A" and the first half of 0xFF's pair; then none for 100 ms.
  t().send_room = 2;
  t().room_again = t().now + 100;
  const Bytes data = {'A', 0xFF, 'B'};
  const std::uint64_t t0 = t().now;
  EXPECT_EQ(*port().Write(data.data(), 3, 50), 2);  // 'A' and 0xFF went (or will)
  EXPECT_EQ(t().now, t0 + 50);
  t().now = t0 + 100;
  ASSERT_TRUE(port().SetRts(false));
  // The pair was completed before the command, so the stream stays intact.
  EXPECT_EQ(server().DataReceived(), Bytes({'A', 0xFF}));
  EXPECT_EQ(server().Commands(5).back(), 12u);
}

TEST_F(RemotePortTest, ALostConnectionFailsEveryCallAtOnceWithTheReason) {
  Serve();
  OpenOrFail();
  // The server sends two bytes and then ends the connection at +100.
  const std::uint64_t t0 = t().now;
  t().ServerSends(t0 + 50, PortServer::Data({7, 8}));
  t().close_at = t0 + 100;
  std::uint8_t buf[4];
  // What came before the end is read; the read ends with the connection,
  // not at its time-out.
  EXPECT_EQ(*port().Read(buf, 4, 1000), 2);
  EXPECT_EQ(t().now, t0 + 100);
  const std::string lost = "The connection to the port server was lost: closed by the server";
  const SysResult<std::int32_t> read = port().Read(buf, 1, 1000);
  EXPECT_EQ(Code(read), rfc2217::kNetErrConnectionLost);
  EXPECT_EQ(Err(read), lost);
  EXPECT_EQ(Err(port().Write(buf, 1, 1000)), lost);
  EXPECT_EQ(Err(port().SetRts(false)), lost);
  EXPECT_EQ(Err(port().SetDtr(false)), lost);
  EXPECT_EQ(Err(port().Waiting()), lost);
  EXPECT_EQ(Err(port().WaitFor(1, 1000)), lost);
  EXPECT_EQ(Err(port().Configure(Settings(9600, false, false))), lost);
  EXPECT_EQ(Err(port().GetConfig()), lost);
  EXPECT_EQ(t().now, t0 + 100);  // none of them waited
  EXPECT_TRUE(port().Close());
  // A write into a connection the server reset fails with the system's text.
  Reopen();
  t().close_at = t().now;
  EXPECT_EQ(Err(port().Write(buf, 1, 1000)),
            "The connection to the port server was lost: error 32");
}

// Each failure of an open port says by its kind what it means: the layers
// above tell a port that is gone by the kind alone.
TEST_F(RemotePortTest, TheFailuresOfAnOpenPortHaveTheirKinds) {
  ServerBehaviour baud_stuck;
  baud_stuck.apply = [](std::uint8_t code, std::uint32_t v) { return code == 1 ? 57600u : v; };
  ServerBehaviour rts_stuck;
  rts_stuck.apply = [](std::uint8_t code, std::uint32_t v) {
    return code == 5 && v == 12 ? 11u : v;
  };
  std::uint8_t byte = 0;
  struct Case {
    const char* name;
    ServerBehaviour b;
    std::function<std::optional<ErrorKind>()> fail;
    ErrorKind kind;
  };
  const Case cases[] = {
      {"closed by the server",
       {},
       [&] {
         t().close_at = t().now;
         return Kind(port().Read(&byte, 1, 1000));
       },
       ErrorKind::kGone},
      {"reset",
       {},
       [&] {
         t().close_at = t().now;
         return Kind(port().Write(&byte, 1, 1000));
       },
       ErrorKind::kGone},
      {"a setting refused", baud_stuck,
       [&] { return Kind(port().Configure(Settings(9600, true, true))); }, ErrorKind::kRefused},
      {"a setting no remote port can do",
       {},
       [&] {
         LineConfig c = Settings(9600, true, true);
         c.xon_xoff = true;
         return Kind(port().Configure(c));
       },
       ErrorKind::kRefused},
      {"an RTS change refused", rts_stuck,
       [&] {
         EXPECT_TRUE(port().SetRts(false));
         t().now += 8;
         return Kind(port().SetRts(true));
       },
       ErrorKind::kRefused},
      {"no answer",
       {},
       [&] {
         ServerBehaviour silent;
         silent.answer_commands = false;
         *server_ = PortServer(silent);
         return Kind(port().Configure(Settings(9600, true, true)));
       },
       ErrorKind::kTimedOut},
      {"a closed port",
       {},
       [&] {
         EXPECT_TRUE(port().Close());
         return Kind(port().Read(&byte, 1, 0));
       },
       ErrorKind::kOther},
  };
  for (const Case& c : cases) {
    Reopen(c.b);
    EXPECT_EQ(c.fail(), c.kind) << c.name;
  }
}

TEST_F(RemotePortTest, AClosedPortEndsItsConnectionAndRefusesEveryCall) {
  Reopen();
  ASSERT_TRUE(port().Close());
  EXPECT_TRUE(t().closed_by_client);
  std::uint8_t buf[1] = {};
  const std::string closed = "Not an open remote port";
  const SysResult<void> again = port().Close();
  EXPECT_EQ(Code(again), rfc2217::kNetErrBadHandle);
  EXPECT_EQ(Err(again), closed);
  EXPECT_EQ(Err(port().Read(buf, 1, 0)), closed);
  EXPECT_EQ(Err(port().Write(buf, 1, 0)), closed);
  EXPECT_EQ(Err(port().Waiting()), closed);
  EXPECT_EQ(Err(port().WaitFor(1, 0)), closed);
  EXPECT_EQ(Err(port().SetRts(true)), closed);
  EXPECT_EQ(Err(port().SetDtr(true)), closed);
  EXPECT_EQ(Err(port().GetConfig()), closed);
  EXPECT_EQ(Err(port().Configure(LineConfig{})), closed);
  // Letting go of the port closes it too.
  Reopen();
  port_.reset();
  EXPECT_TRUE(t().closed_by_client);
}

// Closing: the bytes still queued go out, then the end; what the server
// sends meanwhile is read and dropped until its end comes back, so that the
// connection never ends in a reset. A server that does not end it, or a
// queue that never empties, holds the close for kCloseTimeoutMs at most.
TEST_F(RemotePortTest, ClosingSendsWhatIsQueuedEndsAndWaitsForTheServersEnd) {
  constexpr std::uint64_t L = 5;  // latency each way
  constexpr std::uint64_t kLimit = rfc2217::kCloseTimeoutMs;
  struct Case {
    const char* what;
    std::function<void(VirtualTransport&, Port&)> arrange;
    std::uint64_t end_sent_after;  // ms after the close began, or kNever
    std::uint64_t closed_after;
  };
  const Case cases[] = {
      {"the server ends in turn", [](VirtualTransport&, Port&) {}, 0, 2 * L},
      {"what the server still sends is dropped",
       [](VirtualTransport& t, Port&) {
         t.ServerSends(t.now + 3, PortServer::Data({1, 2, 0xFF}));
       },
       0, 2 * L},
      {"an RTS change still queued goes first",
       [](VirtualTransport& t, Port& p) {
         t.send_room = 0;
         t.room_again = t.now + 100;
         ASSERT_TRUE(p.SetRts(false));
       },
       100, 100 + 2 * L},
      {"a server that never ends", [](VirtualTransport& t, Port&) { t.ends_when_told = false; }, 0,
       kLimit},
      {"a server that never stops sending",
       [](VirtualTransport& t, Port&) {
         t.ends_when_told = false;
         for (std::uint64_t ms = 0; ms < 3 * kLimit; ++ms)
           t.ServerSends(t.now + ms, PortServer::Data({0x55}));
       },
       0, kLimit},
      {"a queue that never empties",
       [](VirtualTransport& t, Port& p) {
         t.send_room = 0;
         t.room_again = kNever;
         ASSERT_TRUE(p.SetRts(false));
       },
       kNever, kLimit},
      {"a connection already lost", [](VirtualTransport& t, Port&) { t.close_at = t.now; }, kNever,
       0},
  };
  for (const Case& c : cases) {
    Reopen();
    t().latency = L;
    const std::uint64_t t0 = t().now;
    c.arrange(t(), port());
    ASSERT_TRUE(port().Close()) << c.what;
    ASSERT_TRUE(t().closed_by_client) << c.what;
    EXPECT_EQ(t().closed_at - t0, c.closed_after) << c.what;
    if (c.end_sent_after == kNever)
      EXPECT_EQ(t().end_sent_at, kNever) << c.what;
    else
      EXPECT_EQ(t().end_sent_at - t0, c.end_sent_after) << c.what;
  }
  // The RTS change held back reached the server before the end.
  Reopen();
  t().send_room = 0;
  t().room_again = t().now + 100;
  ASSERT_TRUE(port().SetRts(false));
  port_.reset();  // letting go of the port closes it in order too
  EXPECT_EQ(server().Commands(5).back(), 12u);
  EXPECT_NE(t().end_sent_at, kNever);
}

// A port server can stop (SIGSTOP) without its connection ending: the
// system takes in what is sent to it. A look at an idle port asks it for its
// baud rate when it has been quiet for 100 ms; one that leaves the question
// unanswered for 200 ms is lost, found within 300 ms when the run looks
// every 100 ms. Nothing sent after that ever reaches it.
TEST_F(RemotePortTest, AServerThatStopsIsFoundLostAndGetsNoData) {
  Serve();
  OpenOrFail();
  const std::uint64_t t0 = t().now;
  t().stopped_at = t0 + 50;
  t().continued_at = t0 + 4000;
  std::uint64_t lost_at = 0;
  for (std::uint64_t look = t0 + 100; look <= t0 + 1000 && !lost_at; look += 100) {
    t().now = look;
    const SysResult<std::int32_t> waiting = port().Waiting();
    if (waiting) continue;
    lost_at = look;
    EXPECT_EQ(Kind(waiting), ErrorKind::kGone);
    EXPECT_EQ(Err(waiting),
              "The connection to the port server was lost: the port server did not answer in "
              "200 ms");
  }
  EXPECT_EQ(lost_at, t0 + 300);
  const std::uint8_t key = 3;
  EXPECT_EQ(Kind(port().Write(&key, 1, 1000)), ErrorKind::kGone);
  EXPECT_TRUE(port().Close());
  EXPECT_EQ(t().now, t0 + 300);  // the close waits for nothing
  EXPECT_TRUE(server().DataReceived().empty());
  // A server that runs answers each question, and the port stays: asked at
  // every other look, as the answer of the one before counts for 100 ms.
  Reopen();
  const std::uint64_t t1 = t().now;
  const std::size_t queries = server().Commands(1).size();
  for (std::uint64_t look = t1 + 100; look <= t1 + 2000; look += 100) {
    t().now = look;
    EXPECT_TRUE(port().Waiting()) << look;
  }
  EXPECT_EQ(server().Commands(1).size() - queries, 10u);
  for (std::uint32_t baud : server().Commands(1))
    EXPECT_EQ(baud, 0u);
}

// Data goes only to a server known to run: after 100 ms without a byte
// from it, a write asks first and sends once the answer came. A server that
// does not answer within 200 ms is lost, and the data never reaches it, not
// even when it goes on.
TEST_F(RemotePortTest, DataGoesOnlyToAServerKnownToRun) {
  constexpr std::uint64_t L = 3;  // latency each way
  Serve();
  t().latency = L;
  OpenOrFail();
  const std::uint8_t key = 7;
  t().now += 500;
  std::uint64_t start = t().now;
  EXPECT_EQ(*port().Write(&key, 1, 1000), 1);
  EXPECT_EQ(t().now - start, 2 * L);  // the question's round trip
  ASSERT_FALSE(server().events().empty());
  EXPECT_EQ(server().events().back().kind, ServerEvent::kData);
  EXPECT_EQ(server().CommandTimes(1).back(), start + L);
  // Heard from just now: the next byte goes at once.
  start = t().now;
  EXPECT_EQ(*port().Write(&key, 1, 1000), 1);
  EXPECT_EQ(t().now, start);
  EXPECT_EQ(server().DataReceived(), (Bytes{7, 7}));
  // Stopped: the write waits 200 ms for the answer, then the port is lost.
  t().now += 500;
  t().stopped_at = t().now;
  t().continued_at = t().now + 5000;
  start = t().now;
  const SysResult<std::int32_t> written = port().Write(&key, 1, 1000);
  EXPECT_EQ(Kind(written), ErrorKind::kGone);
  EXPECT_EQ(t().now - start, 200u);
  EXPECT_EQ(Kind(port().Write(&key, 1, 1000)), ErrorKind::kGone);
  port_.reset();
  EXPECT_EQ(server().DataReceived(), (Bytes{7, 7}));
  // A write whose time-out comes before the answer is due moves nothing and
  // leaves the port as it is.
  Reopen();
  t().now += 500;
  t().stopped_at = t().now;
  t().continued_at = t().now + 50;
  EXPECT_EQ(*port().Write(&key, 1, 20), 0);
  t().now += 60;
  EXPECT_EQ(*port().Write(&key, 1, 1000), 1);
}

// A port tried again while a run goes on is set up within the time it is
// given (its negotiation, purge and settings, up to its first transfer),
// and given up at once when the run says so: a server that accepts the
// connection and never answers holds the run no longer.
TEST_F(RemotePortTest, ASetUpEndsWithinItsLimitsAndAtOnceWhenGivenUp) {
  ServerBehaviour mute;
  mute.negotiate = false;
  ServerBehaviour no_purge;
  no_purge.answer_commands = false;
  struct Case {
    const char* name;
    ServerBehaviour behaviour;
    std::uint64_t give_up_at;  // kNever: not given up
    std::uint64_t ended_at;
    ErrorKind kind;
  };
  const Case cases[] = {
      {"no negotiation", mute, kNever, 250, ErrorKind::kTimedOut},
      {"no answer to the purge", no_purge, kNever, 250, ErrorKind::kTimedOut},
      {"no negotiation, given up", mute, 123, 123, ErrorKind::kEnded},
      {"no answer to the purge, given up", no_purge, 40, 40, ErrorKind::kEnded},
  };
  for (const Case& c : cases) {
    Serve(c.behaviour);
    const std::uint64_t give_up_at = c.give_up_at;
    VirtualTransport* transport = transport_.get();
    const rfc2217::SetUpLimits limits{250, [=] { return transport->now >= give_up_at; }};
    const SysResult<std::unique_ptr<Port>> opened = Open(kUrl, limits);
    ASSERT_FALSE(opened) << c.name;
    EXPECT_EQ(Kind(opened), c.kind) << c.name;
    EXPECT_GE(t().now, c.ended_at) << c.name;
    EXPECT_LE(t().now, c.ended_at + rfc2217::kGiveUpLookMs) << c.name;
  }
  // The settings made after the open, before the first transfer, are part
  // of the set-up: a server that leaves them unanswered holds it no longer.
  Serve();
  SysResult<std::unique_ptr<Port>> opened = Open(kUrl, {250, nullptr});
  ASSERT_TRUE(opened);
  port_ = std::move(*opened);
  ServerBehaviour silent;
  silent.answer_commands = false;
  *server_ = PortServer(silent);
  EXPECT_EQ(Code(port().Configure(Settings(9600, false, false))), rfc2217::kNetErrNoAnswer);
  EXPECT_EQ(t().now, 250u);
}

}  // namespace
