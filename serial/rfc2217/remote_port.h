// A serial port on a port server, reached over TCP with the telnet
// COM-PORT-OPTION protocol (RFC 2217). It keeps the promises of every Port:
// line settings, reads and writes with their time-outs, and the modem lines,
// with the same semantics as a local serial device.
//
// Every wait is measured on the connection's clock, so the timing (the
// time-outs, modem-line changes that never wait) runs the same over a
// connection in virtual time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/connection.h"
#include "platform/port.h"
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/port_url.h"
#include "serial/rfc2217/telnet_engine.h"

namespace rfc2217 {

// Makes the connection to the port server: PlatformConnectTcp, or a
// connection of the tests'.
using Connector = std::function<SysResult<std::unique_ptr<Connection>>(
    const std::string& host, std::uint16_t port, std::int32_t timeout_ms)>;

// Limits of the port's own waits: the connection, and each round of the
// telnet negotiation and of the server's answers to the line settings.
constexpr std::int32_t kConnectTimeoutMs = 5000;
constexpr std::int32_t kAnswerTimeoutMs = 3000;
// How long closing waits for the server to take the last bytes and end the
// connection in turn.
constexpr std::int32_t kCloseTimeoutMs = 1000;

// A port server (or a tunnel to it) can stop without the connection ending:
// the system takes in and acknowledges what is sent to a stopped process,
// and hands it on once the process goes on. Only an answer shows the server
// runs. When nothing came from it for kQuietMs, a look at the port
// (Waiting) asks it for its baud rate, a question it must answer and that
// changes nothing, and data goes out (Write) only after its answer; a server
// that leaves the question unanswered for kAnswerDueMs is taken for lost.
constexpr std::int32_t kQuietMs = 100;
constexpr std::int32_t kAnswerDueMs = 200;

// While a port is set up for a run that tries it again (it is opened and
// configured, up to its first transfer): every wait ends within total_ms
// of the connection (0: each wait has its own time-out only), and at once
// when give_up, asked every kGiveUpLookMs while a wait lasts, says so (an
// end request, a quit key).
struct SetUpLimits {
  std::int32_t total_ms = 0;
  std::function<bool()> give_up;
};
constexpr std::int32_t kGiveUpLookMs = 10;

// Most bytes taken from the connection in one look at it.
constexpr std::size_t kMaxPumpBytes = 65536;
// Data from the server waiting to be read: as much as a serial device's
// driver holds. What finds it full is dropped.
constexpr std::size_t kReceiveBufferBytes = 4096;

// Opens the remote port that url (rfc2217://host:port) names: connects,
// negotiates the telnet options, empties the server's queues and learns its
// line settings. Fails with the reason (net_errors.h); a URL that is not
// valid fails before any connection is made.
SysResult<std::unique_ptr<Port>> OpenRemotePort(const std::string& url,
                                                const Connector& connect = PlatformConnectTcp,
                                                const SetUpLimits& limits = {});

// The name of a SET-CONTROL value ("on", "off", "XON/XOFF", ...), for the
// texts of refusals.
const char* ControlName(std::uint32_t wire);

class RemotePort final : public Port {
 public:
  // OpenRemotePort.
  static SysResult<std::unique_ptr<Port>> Open(const std::string& url, const Connector& connect,
                                               const SetUpLimits& limits);
  ~RemotePort() override;

  SysResult<LineConfig> GetConfig() override;
  SysResult<void> Configure(const LineConfig& config) override;
  SysResult<std::int32_t> Write(const std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Read(std::uint8_t* bytes, std::int32_t n,
                               std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Waiting() override;
  SysResult<std::int32_t> WaitFor(std::int32_t n, std::int32_t timeout_ms) override;
  SysResult<void> SetRts(bool on) override;
  SysResult<void> SetDtr(bool on) override;
  SysResult<void> Close() override;

 private:
  // How a wait for the server ended.
  enum class Pumped { kDone, kTimeOut, kLost, kGivenUp };

  explicit RemotePort(std::unique_ptr<Connection> connection);

  // remote_port.cpp: moving bytes.
  std::uint64_t Now() { return connection_->NowMs(); }
  std::uint64_t Deadline(std::int32_t timeout_ms);
  void Lose(const SysError& error);
  SysError LostError() const;
  SysResult<void> CheckOpen() const;
  void EndInOrder();
  void SendNow();
  bool SendAll(std::uint64_t deadline);
  bool Pump();
  Pumped PumpUntil(std::uint64_t deadline, bool (*done)(const Engine&));
  std::size_t TakeData(std::uint8_t* out, std::size_t n);
  // Waits for the connection until the deadline, in steps of kGiveUpLookMs
  // while the set-up may be given up; false when it is.
  bool Await(bool writable, std::uint64_t deadline);
  void EndSetUp() { set_up_.reset(); }

  // remote_alive.cpp: whether the server still answers.
  void Ask();
  bool Late();
  SysResult<bool> MakeSureAlive(std::uint64_t deadline);

  // remote_open.cpp: setting up.
  SysResult<void> SetUp(const PortUrl& url);
  SysResult<void> Negotiate(const PortUrl& url);
  SysResult<void> PurgeAndQuery();
  void LearnSettings();
  SysError SetupError() const;
  static SysError GivenUpError();

  // remote_settings.cpp: line settings.
  void SendLineValues(const LineConfig& config);
  SysResult<void> AwaitSettingAnswers();
  SysResult<void> CheckAnswers();

  // remote_transfer.cpp: data.
  std::int32_t SendData(const std::uint8_t* bytes, std::int32_t n, std::uint64_t deadline);

  // remote_lines.cpp: modem lines.
  SysResult<void> SetLine(Setting line, bool on);

  std::unique_ptr<Connection> connection_;  // null once closed
  Engine engine_;
  // Data from the server with the telnet layer removed, not yet read.
  std::array<std::uint8_t, kReceiveBufferBytes> rx_{};
  std::size_t rx_start_ = 0;
  std::size_t rx_size_ = 0;
  // Bytes for the server, in order: negotiation replies, commands, and the
  // rest of a data byte whose escape was cut by a short send.
  Outbox out_;
  LineConfig config_;
  // The limits of the set-up, until the first transfer.
  std::optional<SetUpLimits> set_up_;
  std::uint64_t set_up_until_ = 0;
  // When anything last came from the server, and when it was asked whether
  // it runs (with its answers to the baud rate then), while unanswered.
  std::uint64_t heard_at_ = 0;
  std::optional<std::uint64_t> asked_at_;
  std::uint32_t baud_answers_ = 0;
  bool lost_ = false;
  bool ended_by_server_ = false;  // lost as the server ended the connection in order
  std::string lost_reason_;
};

}  // namespace rfc2217
