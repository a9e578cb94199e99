// A connection to a PortServer in virtual time, for the remote port: each
// byte takes `latency` ms each way, the server answers the moment a byte
// arrives, waits move the clock to the next arrival or the deadline. It can
// deliver the server's bytes in packets of any size, hold back the client's
// bytes (a full socket buffer), stop the server for a while and end the
// connection at a chosen time. When the client says it sends no more, the
// server ends the connection as that reaches it, as ser2net does, unless
// told not to.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/connection.h"
#include "tests/support/port_server.h"

namespace testnet {

constexpr std::uint64_t kNever = kNoDeadlineMs;
// The code a send into a connection the server reset fails with (EPIPE).
constexpr std::int32_t kResetCode = 32;

class VirtualTransport {
 public:
  explicit VirtualTransport(PortServer* server) : server_(server) {}

  // The connection the port uses; the server's greeting is on its way.
  // The transport must outlive it.
  std::unique_ptr<Connection> Connect();

  std::uint64_t now = 0;
  std::uint64_t latency = 1;
  // Largest packet the client receives at once.
  std::size_t packet = std::numeric_limits<std::size_t>::max();
  // Bytes the connection takes from the client before it blocks, and when
  // it takes more again.
  std::size_t send_room = std::numeric_limits<std::size_t>::max();
  std::uint64_t room_again = kNever;
  // The server ends the connection at this time.
  std::uint64_t close_at = kNever;
  // The server's process is stopped from stopped_at until continued_at (a
  // SIGSTOP): what reaches it meanwhile is taken in by its system, and read
  // and answered when it goes on.
  std::uint64_t stopped_at = kNever;
  std::uint64_t continued_at = kNever;
  // Whether the server ends the connection when the client's end reaches it.
  bool ends_when_told = true;
  // When the client sent its end (EndSending) and when it closed.
  std::uint64_t end_sent_at = kNever;
  std::uint64_t closed_at = kNever;
  bool closed_by_client = false;
  // Waits that ended at once although nothing moved since the previous wait:
  // the port polling in a loop. After kMaxIdleWaits of them in a row the
  // clock jumps to the deadline, so that such a loop ends.
  std::size_t idle_waits = 0;
  static constexpr std::size_t kMaxIdleWaits = 100000;

  // The server sends these bytes, arriving at `time`.
  void ServerSends(std::uint64_t time, const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes)
      in_.emplace_back(std::max(time, in_.empty() ? time : in_.back().first), b);
  }

  SysResult<std::int32_t> Send(const std::uint8_t* p, std::int32_t n) {
    if (now >= close_at || end_sent_at != kNever) return Fail(Reset());
    if (send_room == 0 && now >= room_again) send_room = std::numeric_limits<std::size_t>::max();
    const std::size_t k = std::min(static_cast<std::size_t>(n), send_room);
    if (send_room != std::numeric_limits<std::size_t>::max()) send_room -= k;
    if (k == 0) return 0;
    moved_ = true;
    std::uint64_t arrives = now + latency;
    if (arrives >= stopped_at && arrives < continued_at) arrives = continued_at;
    ServerSends(arrives + latency, server_->Receive(p, k, arrives));
    return static_cast<std::int32_t>(k);
  }

  SysResult<std::int32_t> Receive(std::uint8_t* p, std::int32_t n) {
    std::int32_t k = 0;
    while (k < n && static_cast<std::size_t>(k) < packet && !in_.empty() &&
           in_.front().first <= now && in_.front().first < close_at) {
      p[k++] = in_.front().second;
      in_.pop_front();
    }
    if (k > 0) {
      moved_ = true;
      return k;
    }
    if (now >= close_at) return Fail(SysError{0, "", ErrorKind::kEnded});
    return 0;
  }

  SysResult<void> EndSending() {
    if (now >= close_at || end_sent_at != kNever) return Fail(Reset());
    end_sent_at = now;
    // The end reaches the server, which closes; its end comes back.
    if (ends_when_told) close_at = std::min(close_at, now + 2 * latency);
    return {};
  }

  bool Wait(bool write, std::uint64_t deadline) {
    std::uint64_t next = close_at;
    if (write) {
      if (send_room > 0) return true;
      next = std::min(next, room_again);
    } else if (!in_.empty()) {
      next = std::min(next, in_.front().first);
    }
    if (next <= now) {
      if (moved_) {
        moved_ = false;
        in_a_row_ = 0;
        return true;
      }
      ++idle_waits;
      if (++in_a_row_ < kMaxIdleWaits || deadline == kNever) return true;
      in_a_row_ = 0;
      now = std::max(now, deadline);
      return false;
    }
    moved_ = false;
    in_a_row_ = 0;
    if (next <= deadline) {
      now = next;
      return true;
    }
    if (deadline == kNever) {
      std::fprintf(stderr, "VirtualTransport: a wait without end\n");
      return false;
    }
    now = std::max(now, deadline);
    return false;
  }

 private:
  static SysError Reset() {
    return SysError{kResetCode, "error " + std::to_string(kResetCode), ErrorKind::kGone};
  }

  PortServer* server_;
  std::deque<std::pair<std::uint64_t, std::uint8_t>> in_;
  bool moved_ = true;  // bytes moved since the last wait
  std::size_t in_a_row_ = 0;
};

// The port's side of the transport.
class VirtualConnection final : public Connection {
 public:
  explicit VirtualConnection(VirtualTransport* t) : t_(t) {}
  ~VirtualConnection() override {
    t_->closed_by_client = true;
    t_->closed_at = t_->now;
  }

  SysResult<std::int32_t> Send(const std::uint8_t* bytes, std::int32_t n) override {
    return t_->Send(bytes, n);
  }
  SysResult<std::int32_t> Receive(std::uint8_t* bytes, std::int32_t n) override {
    return t_->Receive(bytes, n);
  }
  SysResult<void> EndSending() override { return t_->EndSending(); }
  bool WaitReadable(std::uint64_t deadline_ms) override { return t_->Wait(false, deadline_ms); }
  bool WaitWritable(std::uint64_t deadline_ms) override { return t_->Wait(true, deadline_ms); }
  std::uint64_t NowMs() override { return t_->now; }

 private:
  VirtualTransport* t_;
};

inline std::unique_ptr<Connection> VirtualTransport::Connect() {
  ServerSends(now + latency, server_->Greeting());
  return std::make_unique<VirtualConnection>(this);
}

}  // namespace testnet
