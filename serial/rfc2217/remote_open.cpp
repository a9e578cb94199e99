// Opening a remote port: the URL, the connection, the telnet negotiation,
// the purge of the server's queues and its line settings.
#include <string>
#include <utility>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"

namespace rfc2217 {

namespace {

// An IPv6 address in fe80::/10 without a zone: the system cannot tell
// which network it is on.
bool LinkLocalWithoutZone(const std::string& host) {
  if (host.size() < 4 || host.find(':') == std::string::npos || host.find('%') != std::string::npos)
    return false;
  const char c = static_cast<char>(host[2] | 0x20);
  return (host[0] | 0x20) == 'f' && (host[1] | 0x20) == 'e' &&
         (c == '8' || c == '9' || c == 'a' || c == 'b');
}

// The connector's failure as the port's: the platform's reasons get their
// text and keep their kind (a connection refused, no answer); any other
// error passes as it is.
SysError ConnectError(SysError error, const std::string& host) {
  if (error.code != kNetErrHostNotFound && error.code != kNetErrConnect) return error;
  std::string detail = error.text;
  if (error.code == kNetErrConnect && LinkLocalWithoutZone(host))
    detail += " (a link-local address needs its network interface, as in [fe80::2%eth0])";
  SysError named = NetError(error.code, detail);
  named.kind = error.kind;
  return named;
}

bool Negotiated(const Engine& e) {
  return e.Ready() || e.ComPortRefused() || e.BinaryRefused();
}

bool PurgedAndAnswered(const Engine& e) {
  return e.Outstanding(kPurge) == 0 && e.Outstanding(kBaud) == 0 && e.Outstanding(kDatasize) == 0 &&
         e.Outstanding(kParity) == 0 && e.Outstanding(kStopsize) == 0;
}

}  // namespace

SysResult<std::unique_ptr<Port>> OpenRemotePort(const std::string& url, const Connector& connect,
                                                const SetUpLimits& limits) {
  return RemotePort::Open(url, connect, limits);
}

SysResult<std::unique_ptr<Port>> RemotePort::Open(const std::string& url, const Connector& connect,
                                                  const SetUpLimits& limits) {
  SysResult<PortUrl> parsed = ParsePortUrl(url.c_str());
  if (!parsed) return Fail(std::move(parsed.error()));
  SysResult<std::unique_ptr<Connection>> connected =
      connect(parsed->host, parsed->port, kConnectTimeoutMs);
  if (!connected) return Fail(ConnectError(std::move(connected.error()), parsed->host));
  // Not made with make_unique: the constructor is private.
  std::unique_ptr<RemotePort> port(new RemotePort(std::move(*connected)));
  if (limits.total_ms > 0 || limits.give_up) {
    port->set_up_ = limits;
    port->set_up_until_ = port->Deadline(limits.total_ms);
  }
  if (SysResult<void> set_up = port->SetUp(*parsed); !set_up) return Fail(set_up.error());
  return std::unique_ptr<Port>(std::move(port));
}

// On a failure the connection is closed at once.
SysResult<void> RemotePort::SetUp(const PortUrl& url) {
  SysResult<void> r = Negotiate(url);
  if (r) r = PurgeAndQuery();
  if (!r) {
    connection_.reset();
    return r;
  }
  LearnSettings();
  return {};
}

// Telnet options: binary both ways, COM-PORT-OPTION.
SysResult<void> RemotePort::Negotiate(const PortUrl& url) {
  engine_.Start(out_);
  const Pumped negotiated = PumpUntil(Deadline(kAnswerTimeoutMs), Negotiated);
  if (negotiated == Pumped::kLost) return Fail(SetupError());
  if (negotiated == Pumped::kGivenUp) return Fail(GivenUpError());
  if (engine_.ComPortRefused())
    return Fail(NetErrorF(kNetErrNoComPort, "%s:%u", url.host.c_str(), unsigned{url.port}));
  if (engine_.BinaryRefused())
    return Fail(NetError(kNetErrNegotiation, "binary transmission refused"));
  if (negotiated == Pumped::kTimeOut) {
    SysError mute = NetErrorF(kNetErrNegotiation, "no answer in %d ms", kAnswerTimeoutMs);
    mute.kind = ErrorKind::kTimedOut;
    return Fail(mute);
  }
  return {};
}

// Empties both of the server's queues and asks for its line settings.
SysResult<void> RemotePort::PurgeAndQuery() {
  engine_.PurgeData(kPurgeBoth, out_);
  engine_.SetBaudrate(0, out_);
  engine_.SetDatasize(0, out_);
  engine_.SetParity(0, out_);
  engine_.SetStopsize(0, out_);
  const Pumped answered = PumpUntil(Deadline(kAnswerTimeoutMs), PurgedAndAnswered);
  if (answered == Pumped::kLost) return Fail(SetupError());
  if (answered == Pumped::kGivenUp) return Fail(GivenUpError());
  if (answered == Pumped::kTimeOut) {
    return Fail(NetErrorF(kNetErrNoAnswer, "no answer to the purge and the queries in %d ms",
                          kAnswerTimeoutMs));
  }
  return {};
}

// Takes the server's answers to the queries as the settings in force; what
// was on its way before the purge is dropped.
void RemotePort::LearnSettings() {
  rx_start_ = 0;
  rx_size_ = 0;
  config_.baud = engine_.LastAnswer(kBaud);
  const std::uint32_t bits = engine_.LastAnswer(kDatasize);
  if (bits >= 5 && bits <= 8) config_.data_bits = static_cast<std::uint8_t>(bits);
  const std::uint32_t parity = engine_.LastAnswer(kParity);
  if (parity >= 1 && parity <= 5) config_.parity = static_cast<Parity>(parity - 1);
  const std::uint32_t stop = engine_.LastAnswer(kStopsize);
  config_.stop_bits = stop == 2   ? StopBits::kTwo
                      : stop == 3 ? StopBits::kOneAndHalf
                                  : StopBits::kOne;
  for (int s = 0; s < kSettingCount; ++s)
    engine_.TakeMismatch(static_cast<Setting>(s));
  heard_at_ = Now();
}

// The set-up was given up (an end request, a quit key): of kind ended.
SysError RemotePort::GivenUpError() {
  SysError error = NetError(kNetErrNegotiation, "given up");
  error.kind = ErrorKind::kEnded;
  return error;
}

// The server closed the connection (or it broke) while the port was being
// set up; what it said before, if anything, is the reason. Of kind ended
// when the server closed it in order, else gone.
SysError RemotePort::SetupError() const {
  std::string text;
  for (std::size_t i = 0; i < rx_size_ && text.size() < 127; ++i) {
    const std::uint8_t c = rx_[rx_start_ + i];
    if (c >= 0x20 && c < 0x7F)
      text += static_cast<char>(c);
    else if ((c == '\r' || c == '\n') && !text.empty() && text.back() != ' ')
      text += ' ';
  }
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  if (text.empty())
    text = ended_by_server_ || lost_reason_.empty()
               ? std::string("before the serial port was set up")
               : lost_reason_;
  SysError error = NetError(kNetErrClosed, text);
  if (!ended_by_server_) error.kind = ErrorKind::kGone;
  return error;
}

}  // namespace rfc2217
