// A serial port on a port server, reached over TCP with the telnet
// COM-PORT-OPTION protocol (RFC 2217). It does for the port table what a
// local serial device does: line settings, time-outs, reads, writes and the
// RTS line, with the same semantics. The platform layer supplies the
// connection (POSIX sockets, Winsock) as a Transport and routes every serial
// call for a handle of this table here.
//
// Every wait is measured on the transport's clock, so the timing (the
// time-outs, RTS changes that never wait) runs the same against a transport
// in virtual time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "serial/rfc2217/port_url.h"

namespace rfc2217 {

// The connection to the server: non-blocking moves of bytes, a wait, and a
// monotonic millisecond clock, as a table of operations on `self`.
struct Transport {
  void* self;
  std::uint64_t (*now_ms)(void* self);
  // Bytes moved without waiting, 0 when none can move now; -1 when the
  // connection failed or ended, with *err the system's code, 0 for an
  // orderly close by the server.
  int (*send)(void* self, const std::uint8_t* p, int n, int* err);
  int (*receive)(void* self, std::uint8_t* p, int n, int* err);
  // Waits until bytes can be received (or sent, with `write`) or the
  // connection ended, or until the deadline; false at the deadline.
  bool (*wait)(void* self, bool write, std::uint64_t deadline_ms);
  // Ends the connection; the transport is not used afterwards.
  void (*close)(void* self);
  // The system's text for an error code of send or receive.
  void (*describe_error)(void* self, int err, char* buf, std::size_t size);
};

// Connects to the server within timeout_ms: the transport, or nullptr with
// the error pending (net_errors.h).
using Connector = Transport* (*)(const PortUrl& url, std::uint32_t timeout_ms);

// Limits of the device's own waits: the connection, and each round of the
// telnet negotiation and of the server's answers to the line settings.
constexpr std::uint32_t kConnectTimeoutMs = 5000;
constexpr std::uint32_t kAnswerTimeoutMs = 3000;

// Handles of remote ports: a range no file descriptor or Windows handle
// reaches.
constexpr PlatformHandle kFirstNetHandle = 0x4E455400;
constexpr int kMaxNetDevices = 4;

bool IsNetHandle(PlatformHandle h);

// The serial operations of platform.h for remote ports. A failure leaves
// its error pending (net_errors.h).
PlatformHandle NetOpen(const char* url, Connector connect);
bool NetGetSettings(PlatformHandle h, LineSettings* settings);
bool NetSetSettings(PlatformHandle h, const LineSettings* settings);
bool NetGetTimeouts(PlatformHandle h, PortTimeouts* timeouts);
bool NetSetTimeouts(PlatformHandle h, const PortTimeouts* timeouts);
bool NetInputCount(PlatformHandle h, std::int32_t* count);
std::int32_t NetRead(PlatformHandle h, void* buf, std::int32_t n);
std::int32_t NetWrite(PlatformHandle h, const void* buf, std::int32_t n);
bool NetEscape(PlatformHandle h, RtsEscape function);
bool NetClose(PlatformHandle h);

}  // namespace rfc2217
