// A TCP connection as the system provides it: bytes moved without waiting,
// a wait for the connection, and the monotonic clock those waits are
// measured on. The remote port (serial/rfc2217) speaks its protocol over
// one; the unit tests give it one in virtual time.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/port.h"

// Why PlatformConnectTcp failed, with the detail as the error's text: the
// host name did not resolve ("host: reason"), or no connection came about
// ("host:port: reason", "host:port: no answer in N ms"; of kind refused when
// the other end refused it, timed out when it did not answer). They sit in
// the application range of the platforms' error codes (bit 29 set).
constexpr std::int32_t kConnectErrHostNotFound = 0x20000103;
constexpr std::int32_t kConnectErrConnect = 0x20000104;

// A deadline that never comes.
constexpr std::uint64_t kNoDeadlineMs = std::numeric_limits<std::uint64_t>::max();

class Connection {
 public:
  virtual ~Connection() = default;  // closes the connection
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Sends up to n bytes without waiting: the count taken, 0 when the
  // connection takes none now. Fails with the system's code and text once
  // the connection broke (of kind gone when it was reset or lost).
  virtual SysResult<std::int32_t> Send(const std::uint8_t* bytes, std::int32_t n) = 0;
  // Receives up to n bytes without waiting: the count, 0 when none are
  // there. Fails with kind ended (code 0, no text) when the other end closed
  // the connection, else with the system's code and text (of kind gone when
  // the connection was reset or lost).
  virtual SysResult<std::int32_t> Receive(std::uint8_t* bytes, std::int32_t n) = 0;
  // Waits until bytes can be received (or sent), or the connection ended or
  // failed, or until the deadline on NowMs's clock; false at the deadline.
  virtual bool WaitReadable(std::uint64_t deadline_ms) = 0;
  virtual bool WaitWritable(std::uint64_t deadline_ms) = 0;
  // Tells the other end that nothing more will be sent (a TCP half-close):
  // the bytes already sent arrive first, then the end. Receiving goes on.
  // Fails with the system's code and text.
  virtual SysResult<void> EndSending() = 0;
  // Monotonic milliseconds.
  virtual std::uint64_t NowMs() = 0;
};

// Connects to host (a name, an IPv4 address or an IPv6 address without
// brackets) on the TCP port, within timeout_ms. The connection sends each
// byte at once, without gathering them.
SysResult<std::unique_ptr<Connection>> PlatformConnectTcp(const std::string& host,
                                                          std::uint16_t port,
                                                          std::int32_t timeout_ms);
