// Data through a remote port: reads and counts from what the server sent,
// writes with 0xFF doubled for the telnet layer, each within its time-out.
#include <algorithm>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"

namespace rfc2217 {

SysResult<std::int32_t> RemotePort::Read(std::uint8_t* bytes, std::int32_t n,
                                         std::int32_t timeout_ms) {
  if (SysResult<void> open = CheckOpen(); !open) return Fail(open.error());
  EndSetUp();
  if (n <= 0) return 0;
  const std::uint64_t deadline = Deadline(timeout_ms);
  std::int32_t got = 0;
  for (;;) {
    got += static_cast<std::int32_t>(TakeData(bytes + got, static_cast<std::size_t>(n - got)));
    if (got == n) break;
    if (!Pump()) {
      if (rx_size_ > 0) continue;  // what came before the end
      // The bytes read so far count; the next call fails.
      if (got > 0) break;
      return Fail(LostError());
    }
    if (rx_size_ > 0) continue;
    // The look above, after the wait, was the last one.
    if (Now() >= deadline) break;
    connection_->WaitReadable(deadline);
  }
  return got;
}

SysResult<std::int32_t> RemotePort::Waiting() {
  if (SysResult<void> open = CheckOpen(); !open) return Fail(open.error());
  EndSetUp();
  // A look at an idle port asks a quiet server whether it runs, and finds
  // the connection lost when it did not answer.
  if (Pump() && !Late() && Now() - heard_at_ >= static_cast<std::uint64_t>(kQuietMs)) Ask();
  if (lost_ && rx_size_ == 0) return Fail(LostError());
  return static_cast<std::int32_t>(rx_size_);
}

SysResult<std::int32_t> RemotePort::WaitFor(std::int32_t n, std::int32_t timeout_ms) {
  if (SysResult<void> open = CheckOpen(); !open) return Fail(open.error());
  EndSetUp();
  const std::uint64_t deadline = Deadline(timeout_ms);
  for (;;) {
    Pump();
    if (lost_ && rx_size_ == 0) return Fail(LostError());
    // A lost connection brings nothing more, and a full buffer takes no more.
    if (static_cast<std::int64_t>(rx_size_) >= n || rx_size_ == rx_.size() || lost_ ||
        Now() >= deadline)
      break;
    connection_->WaitReadable(deadline);
  }
  return static_cast<std::int32_t>(rx_size_);
}

SysResult<std::int32_t> RemotePort::Write(const std::uint8_t* bytes, std::int32_t n,
                                          std::int32_t timeout_ms) {
  if (SysResult<void> open = CheckOpen(); !open) return Fail(open.error());
  EndSetUp();
  if (n <= 0) return 0;
  if (lost_) return Fail(LostError());
  const std::uint64_t deadline = Deadline(timeout_ms);
  // What must go first: replies and commands already queued.
  if (!SendAll(deadline)) {
    if (lost_) return Fail(LostError());
    return 0;
  }
  // Data goes only to a server known to run.
  const SysResult<bool> alive = MakeSureAlive(deadline);
  if (!alive) return Fail(alive.error());
  if (!*alive) return 0;
  const std::int32_t done = SendData(bytes, n, deadline);
  if (out_.size > 0) SendNow();
  if (lost_ && done == 0) return Fail(LostError());
  return done;
}

// Sends data bytes until the deadline (with a last try once it has
// passed); the count of those that went, or will go with the outbox.
std::int32_t RemotePort::SendData(const std::uint8_t* bytes, std::int32_t n,
                                  std::uint64_t deadline) {
  std::int32_t done = 0;
  while (done < n) {
    const std::size_t units = std::min<std::size_t>(static_cast<std::size_t>(n - done), 512);
    std::uint8_t wire[1024];
    const std::size_t len = EscapeData(bytes + done, units, wire);
    std::size_t sent = 0;
    while (sent < len) {
      const SysResult<std::int32_t> r =
          connection_->Send(wire + sent, static_cast<std::int32_t>(len - sent));
      if (!r) {
        Lose(r.error());
        break;
      }
      sent += static_cast<std::size_t>(*r);
      if (*r > 0) continue;
      if (Now() >= deadline) break;
      connection_->WaitWritable(deadline);
    }
    // The data bytes whose wire form went out whole. A send that ended in
    // the middle of a doubled 0xFF owes the server its second half.
    std::size_t pos = 0;
    std::int32_t whole = 0;
    for (std::size_t i = 0; i < units; ++i) {
      const std::size_t width = bytes[static_cast<std::size_t>(done) + i] == kIac ? 2 : 1;
      if (pos + width <= sent) {
        pos += width;
        ++whole;
      } else {
        if (pos < sent) {  // first half of a pair
          const std::uint8_t second = kIac;
          out_.Append(&second, 1);
          ++whole;
        }
        break;
      }
    }
    done += whole;
    if (sent < len) break;
  }
  return done;
}

}  // namespace rfc2217
