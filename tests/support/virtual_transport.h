// A connection to a PortServer in virtual time, for the remote-port device:
// each byte takes `latency` ms each way, the server answers the moment a
// byte arrives, waits move the clock to the next arrival or the deadline.
// It can deliver the server's bytes in packets of any size, hold back the
// client's bytes (a full socket buffer) and end the connection at a chosen
// time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <limits>
#include <utility>
#include <vector>

#include "platform/rfc2217/net_device.h"
#include "tests/support/port_server.h"

namespace testnet {

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

class VirtualTransport {
 public:
  explicit VirtualTransport(PortServer* server) : server_(server) {}

  // The operations the device calls.
  rfc2217::Transport* ops() {
    ops_ = {this,
            [](void* s) { return static_cast<VirtualTransport*>(s)->NowMs(); },
            [](void* s, const std::uint8_t* p, int n, int* err) {
              return static_cast<VirtualTransport*>(s)->Send(p, n, err);
            },
            [](void* s, std::uint8_t* p, int n, int* err) {
              return static_cast<VirtualTransport*>(s)->Receive(p, n, err);
            },
            [](void* s, bool write, std::uint64_t deadline) {
              return static_cast<VirtualTransport*>(s)->Wait(write, deadline);
            },
            [](void* s) { static_cast<VirtualTransport*>(s)->Close(); },
            [](void* s, int err, char* buf, std::size_t size) {
              static_cast<VirtualTransport*>(s)->DescribeError(err, buf, size);
            }};
    return &ops_;
  }

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
  bool closed_by_client = false;
  int receives = 0;  // calls of Receive that returned bytes

  // The server sends these bytes, arriving at `time`.
  void ServerSends(std::uint64_t time, const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes)
      in_.emplace_back(std::max(time, in_.empty() ? time : in_.back().first), b);
  }
  void Connect() { ServerSends(now + latency, server_->Greeting()); }
  std::size_t Pending() const { return in_.size(); }

  std::uint64_t NowMs() { return now; }

  int Send(const std::uint8_t* p, int n, int* err) {
    if (now >= close_at) {
      *err = 32;  // EPIPE
      return -1;
    }
    if (send_room == 0 && now >= room_again) send_room = std::numeric_limits<std::size_t>::max();
    const std::size_t k = std::min(static_cast<std::size_t>(n), send_room);
    if (send_room != std::numeric_limits<std::size_t>::max()) send_room -= k;
    if (k == 0) return 0;
    ServerSends(now + 2 * latency, server_->Receive(p, k, now + latency));
    return static_cast<int>(k);
  }

  int Receive(std::uint8_t* p, int n, int* err) {
    int k = 0;
    while (k < n && static_cast<std::size_t>(k) < packet && !in_.empty() &&
           in_.front().first <= now && in_.front().first < close_at) {
      p[k++] = in_.front().second;
      in_.pop_front();
    }
    if (k > 0) {
      ++receives;
      return k;
    }
    if (now >= close_at) {
      *err = 0;
      return -1;
    }
    return 0;
  }

  bool Wait(bool write, std::uint64_t deadline) {
    std::uint64_t next = close_at;
    if (write) {
      if (send_room > 0) return true;
      next = std::min(next, room_again);
    } else if (!in_.empty()) {
      next = std::min(next, in_.front().first);
    }
    if (next <= now) return true;
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

  void Close() { closed_by_client = true; }

  void DescribeError(int err, char* buf, std::size_t size) {
    std::snprintf(buf, size, "error %d", err);
  }

 private:
  PortServer* server_;
  rfc2217::Transport ops_{};
  std::deque<std::pair<std::uint64_t, std::uint8_t>> in_;
};

}  // namespace testnet
