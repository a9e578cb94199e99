// The telnet COM-PORT-OPTION engine on its own: the telnet layer stripped
// from the server's bytes wherever the packets split, negotiation without
// loops, the commands on the wire, and answers checked against requests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "serial/rfc2217/telnet_engine.h"
#include "tests/support/port_server.h"

namespace {

using namespace testnet;
using rfc2217::Engine;
using rfc2217::Outbox;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Bytes = std::vector<std::uint8_t>;

Bytes Out(const Outbox& o) {
  return Bytes(o.bytes, o.bytes + o.size);
}

// Feeds bytes in the given packet sizes; returns the data bytes.
Bytes Feed(Engine& e, const Bytes& in, Outbox& out, const std::vector<std::size_t>& cuts = {}) {
  Bytes data;
  std::size_t pos = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(in.size());
  for (std::size_t end : ends) {
    std::vector<std::uint8_t> buf(end - pos + 1);
    const std::size_t n = e.Receive(in.data() + pos, end - pos, buf.data(), out);
    data.insert(data.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
    pos = end;
  }
  return data;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

// What ser2net opens a connection with.
const Bytes kGreeting = {IAC,    WILL,     SGA,  IAC,    DO,       SGA, IAC,
                         WILL,   ECHO_OPT, IAC,  DONT,   ECHO_OPT, IAC, DO,
                         BINARY, IAC,      WILL, BINARY, IAC,      DO,  COM_PORT};

TEST(Rfc2217Engine, OpensWithBinarySuppressGoAheadAndComPort) {
  Engine e;
  Outbox out;
  e.Start(out);
  EXPECT_THAT(Out(out), ElementsAre(IAC, WILL, BINARY, IAC, DO, BINARY, IAC, WILL, SGA, IAC, DO,
                                    SGA, IAC, WILL, COM_PORT));
  EXPECT_FALSE(e.Ready());
}

TEST(Rfc2217Engine, NegotiationAgreesOnceRefusesTheRestAndNeverLoops) {
  Engine e;
  Outbox out;
  e.Start(out);
  out.size = 0;
  Feed(e, kGreeting, out);
  EXPECT_TRUE(e.Ready());
  // Everything asked for was granted; only ECHO is refused.
  EXPECT_THAT(Out(out), ElementsAre(IAC, DONT, ECHO_OPT));
  out.size = 0;
  // The server repeating itself gets no answer; a new request does.
  Feed(e, {IAC, WILL, BINARY, IAC, DO, COM_PORT, IAC, DO, 24, IAC, WILL, 31}, out);
  EXPECT_THAT(Out(out), ElementsAre(IAC, WONT, 24, IAC, DONT, 31));
  out.size = 0;
  // Turning binary off is acknowledged once, and shows.
  Feed(e, {IAC, WONT, BINARY, IAC, WONT, BINARY}, out);
  EXPECT_THAT(Out(out), ElementsAre(IAC, DONT, BINARY));
  EXPECT_TRUE(e.BinaryRefused());
}

TEST(Rfc2217Engine, RefusalsOfTheRequiredOptionsShow) {
  struct Case {
    Bytes answer;
    bool com_port_refused;
    bool binary_refused;
  };
  const Case cases[] = {
      {{IAC, DONT, COM_PORT}, true, false},
      {{IAC, WONT, BINARY}, false, true},
      {{IAC, DONT, BINARY}, false, true},
      {{IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COM_PORT}, false, false},
  };
  for (const Case& c : cases) {
    Engine e;
    Outbox out;
    e.Start(out);
    Feed(e, c.answer, out);
    EXPECT_EQ(e.ComPortRefused(), c.com_port_refused);
    EXPECT_EQ(e.BinaryRefused(), c.binary_refused);
    EXPECT_EQ(e.Ready(), !c.com_port_refused && !c.binary_refused);
  }
}

TEST(Rfc2217Engine, DataFFIsDoubledOnTheWireAndUndoubledFromIt) {
  const Bytes data = {0x00, 0xFF, 0x41, 0xFF, 0xFF, 0xF0, 0xFA};
  Bytes wire(2 * data.size());
  wire.resize(rfc2217::EscapeData(data.data(), data.size(), wire.data()));
  EXPECT_THAT(wire, ElementsAre(0x00, 0xFF, 0xFF, 0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFA));
  Engine e;
  Outbox out;
  EXPECT_EQ(Feed(e, wire, out), data);
  EXPECT_EQ(out.size, 0u);
}

// A stream with everything a server may put between data bytes.
Bytes BusyStream() {
  return Cat({kGreeting,
              {'a', IAC, IAC, 'b'},
              PortServer::Sub(101, {0x00, 0x00, 0xFF, 0x00}),  // 65280 baud, 0xFF inside
              {'c', IAC, NOP, 'd', IAC, GA, IAC, 242 /* data mark */},
              PortServer::Sub(107, {0x30}),  // modem state, inside data
              {IAC, IAC},
              PortServer::Sub(105, {12}),
              {'e', IAC, WILL, 5, 'f'},
              PortServer::Sub(112, {3}),
              {0x0D, 0x00, 0x0A}});
}

const Bytes kBusyData = {'a', 0xFF, 'b', 'c', 'd', 0xFF, 'e', 'f', 0x0D, 0x00, 0x0A};

TEST(Rfc2217Engine, CommandsInsideDataAreTakenOutWhereverThePacketsSplit) {
  const Bytes stream = BusyStream();
  Engine whole;
  Outbox whole_out;
  whole.Start(whole_out);
  ASSERT_EQ(Feed(whole, stream, whole_out), kBusyData);
  EXPECT_EQ(whole.LastAnswer(rfc2217::kBaud), 65280u);
  EXPECT_EQ(whole.Modemstate(), 0x30);
  EXPECT_EQ(whole.LastAnswer(rfc2217::kRts), 12u);
  EXPECT_EQ(whole.Answers(rfc2217::kPurge), 1u);
  // Two packets, cut after every byte; and one byte per packet.
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    Engine e;
    Outbox out;
    e.Start(out);
    ASSERT_EQ(Feed(e, stream, out, {cut}), kBusyData) << "cut at " << cut;
    EXPECT_EQ(Out(out), Out(whole_out)) << "cut at " << cut;
    EXPECT_EQ(e.LastAnswer(rfc2217::kBaud), 65280u);
    EXPECT_EQ(e.Modemstate(), 0x30);
    EXPECT_TRUE(e.Ready());
  }
  std::vector<std::size_t> every;
  for (std::size_t i = 1; i < stream.size(); ++i)
    every.push_back(i);
  Engine e;
  Outbox out;
  e.Start(out);
  EXPECT_EQ(Feed(e, stream, out, every), kBusyData);
  EXPECT_EQ(Out(out), Out(whole_out));
}

TEST(Rfc2217Engine, BrokenSubnegotiationsAreDroppedWithoutLosingData) {
  Engine e;
  Outbox out;
  // A subnegotiation cut short by a command; an overlong one; one for
  // another option; an empty one; a short answer.
  Bytes overlong = {IAC, SB, COM_PORT, 101};
  overlong.insert(overlong.end(), 100, 0x01);
  overlong.insert(overlong.end(), {IAC, SE});
  const Bytes stream = Cat({{IAC, SB, COM_PORT, 101, 0, 0, IAC, NOP, 'x'},
                            overlong,
                            {'y', IAC, SB, 24, 0, 'Q', IAC, SE, 'z'},
                            {IAC, SB, IAC, SE, IAC, SB, COM_PORT, 101, 1, IAC, SE, 'w'}});
  EXPECT_THAT(Feed(e, stream, out), ElementsAre('x', 'y', 'z', 'w'));
  EXPECT_EQ(e.Answers(rfc2217::kBaud), 0u);
}

TEST(Rfc2217Engine, ASignatureRequestIsAnswered) {
  Engine e;
  Outbox out;
  Feed(e, PortServer::Sub(100, {}), out);
  EXPECT_EQ(Out(out), PortServer::Sub(0, {'p', 'a', 'd', 'l', 'i', 'n', 'k'}));
  out.size = 0;
  Feed(e, PortServer::Sub(100, {'s', 'e', 'r'}), out);  // the server's own: nothing to say
  EXPECT_EQ(out.size, 0u);
}

TEST(Rfc2217Engine, CommandsOnTheWire) {
  Engine e;
  Outbox out;
  e.SetBaudrate(9600, out);
  e.SetBaudrate(0x00FFFF00, out);  // 0xFF inside the value is doubled
  e.SetDatasize(8, out);
  e.SetParity(3, out);
  e.SetStopsize(2, out);
  e.SetControl(rfc2217::kControlRtsOff, out);
  e.PurgeData(rfc2217::kPurgeBoth, out);
  EXPECT_EQ(Out(out),
            Cat({PortServer::Sub(1, {0, 0, 0x25, 0x80}), PortServer::Sub(1, {0, 0xFF, 0xFF, 0}),
                 PortServer::Sub(2, {8}), PortServer::Sub(3, {3}), PortServer::Sub(4, {2}),
                 PortServer::Sub(5, {12}), PortServer::Sub(12, {3})}));
  EXPECT_THAT(Out(out), ::testing::Contains(0xFF));
  EXPECT_EQ(e.Outstanding(rfc2217::kBaud), 2);
}

TEST(Rfc2217Engine, AnswersAreCheckedAgainstTheRequestsInFlight) {
  Engine e;
  Outbox out;
  // Two quick RTS changes answered both with the later state: no refusal.
  e.SetControl(rfc2217::kControlRtsOn, out);
  e.SetControl(rfc2217::kControlRtsOff, out);
  Feed(e, Cat({PortServer::Sub(105, {12}), PortServer::Sub(105, {12})}), out);
  EXPECT_FALSE(e.TakeMismatch(rfc2217::kRts).seen);
  EXPECT_EQ(e.Outstanding(rfc2217::kRts), 0);
  // A line that stays on: refused, with what was asked and what came.
  e.SetControl(rfc2217::kControlRtsOff, out);
  Feed(e, PortServer::Sub(105, {11}), out);
  const rfc2217::Mismatch m = e.TakeMismatch(rfc2217::kRts);
  EXPECT_TRUE(m.seen);
  EXPECT_EQ(m.wanted, 12u);
  EXPECT_EQ(m.got, 11u);
  EXPECT_FALSE(e.TakeMismatch(rfc2217::kRts).seen);  // taken
  // A query behind a refused request does not excuse it.
  e.SetControl(rfc2217::kControlNoFlow, out);
  e.SetControl(rfc2217::kControlFlowQuery, out);
  Feed(e, Cat({PortServer::Sub(105, {3}), PortServer::Sub(105, {3})}), out);
  EXPECT_TRUE(e.TakeMismatch(rfc2217::kFlow).seen);
  // A query takes any answer; answers nobody asked for are only noted.
  e.SetBaudrate(0, out);
  Feed(e, Cat({PortServer::Sub(101, {0, 0, 0x4B, 0}), PortServer::Sub(102, {7})}), out);
  EXPECT_FALSE(e.TakeMismatch(rfc2217::kBaud).seen);
  EXPECT_FALSE(e.TakeMismatch(rfc2217::kDatasize).seen);
  EXPECT_EQ(e.LastAnswer(rfc2217::kBaud), 19200u);
  EXPECT_EQ(e.LastAnswer(rfc2217::kDatasize), 7u);
  // A server that never answers: the oldest requests are forgotten, none
  // is refused.
  for (int i = 0; i < 100; ++i)
    e.SetControl(i % 2 ? rfc2217::kControlRtsOn : rfc2217::kControlRtsOff, out);
  EXPECT_EQ(e.Outstanding(rfc2217::kRts), 16);
  e.Forget(rfc2217::kRts);
  EXPECT_EQ(e.Outstanding(rfc2217::kRts), 0);
}

}  // namespace
