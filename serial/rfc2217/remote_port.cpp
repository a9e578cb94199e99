// The remote port's traffic with the server: the outbox sent as far as the
// connection takes it, the server's bytes taken in through the telnet
// engine, waits to a deadline, a lost connection, and closing.
#include "serial/rfc2217/remote_port.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "serial/rfc2217/net_errors.h"

namespace rfc2217 {

namespace {

constexpr std::size_t kMaxLostReason = 159;

}  // namespace

RemotePort::RemotePort(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

RemotePort::~RemotePort() {
  if (connection_) EndInOrder();
}

SysResult<void> RemotePort::Close() {
  if (SysResult<void> open = CheckOpen(); !open) return open;
  EndInOrder();
  connection_.reset();
  return {};
}

// Ends the connection in order, within kCloseTimeoutMs: what is queued for
// the server goes out, the server is told that nothing more comes, and what
// it still sends is read and dropped until it ends the connection too. So
// the server has taken every byte sent (a stop command just before the
// close among them) before it lets go of its serial port, and the
// connection never ends in a reset: closing a socket with bytes unread (the
// answer to the last RTS change, say) resets the connection, and a reset
// throws away what is still on its way to the server.
void RemotePort::EndInOrder() {
  // A server late with an answer takes nothing more: nothing is waited for.
  if (!Pump() || Late()) return;
  const std::uint64_t deadline = Deadline(kCloseTimeoutMs);
  if (!SendAll(deadline) || !connection_->EndSending()) return;
  std::uint8_t dropped[512];
  while (Now() < deadline) {
    const SysResult<std::int32_t> r =
        connection_->Receive(dropped, static_cast<std::int32_t>(sizeof dropped));
    if (!r) return;  // the server's end, or a broken connection
    if (*r == 0) connection_->WaitReadable(deadline);
  }
}

SysResult<void> RemotePort::CheckOpen() const {
  if (!connection_) return Fail(NetError(kNetErrBadHandle, ""));
  return {};
}

std::uint64_t RemotePort::Deadline(std::int32_t timeout_ms) {
  return Now() + static_cast<std::uint64_t>(std::max<std::int32_t>(timeout_ms, 0));
}

void RemotePort::Lose(const SysError& error) {
  if (lost_) return;
  lost_ = true;
  ended_by_server_ = error.kind == ErrorKind::kEnded;
  lost_reason_ =
      ended_by_server_ ? std::string("closed by the server") : error.text.substr(0, kMaxLostReason);
}

SysError RemotePort::LostError() const {
  return NetError(kNetErrConnectionLost, lost_reason_);
}

// Sends what can go without waiting.
void RemotePort::SendNow() {
  while (out_.size > 0 && !lost_) {
    const SysResult<std::int32_t> r =
        connection_->Send(out_.bytes, static_cast<std::int32_t>(out_.size));
    if (!r) {
      Lose(r.error());
      return;
    }
    if (*r == 0) return;
    out_.Consume(static_cast<std::size_t>(*r));
  }
}

// Sends the outbox, waiting for the connection until the deadline (with a
// last try once it has passed); false when bytes are left.
bool RemotePort::SendAll(std::uint64_t deadline) {
  for (;;) {
    SendNow();
    if (out_.size == 0) return true;
    if (lost_ || Now() >= deadline) return false;
    connection_->WaitWritable(deadline);
  }
}

// Moves what the connection holds without waiting: sends the outbox,
// receives what has come (up to kMaxPumpBytes a call, so that a server that
// never stops sending cannot hold the port here) and sends the engine's
// replies. The server's answers come in the same stream as its data, so
// the stream is read on when the receive buffer is full: data that finds no
// room is dropped, as a serial device's driver drops what overruns its
// queue, and the answers behind it are taken. False once the connection is
// lost.
bool RemotePort::Pump() {
  if (lost_) return false;
  SendNow();
  if (rx_start_ > 0) {
    std::memmove(rx_.data(), rx_.data() + rx_start_, rx_size_);
    rx_start_ = 0;
  }
  std::size_t received = 0;
  while (!lost_ && received < kMaxPumpBytes) {
    std::uint8_t in[sizeof rx_];
    std::uint8_t data[sizeof rx_];
    const SysResult<std::int32_t> r =
        connection_->Receive(in, static_cast<std::int32_t>(sizeof in));
    if (!r) {
      Lose(r.error());
      break;
    }
    if (*r == 0) break;
    heard_at_ = Now();
    received += static_cast<std::size_t>(*r);
    const std::size_t n = engine_.Receive(in, static_cast<std::size_t>(*r), data, out_);
    const std::size_t kept = std::min(n, rx_.size() - rx_size_);
    std::memcpy(rx_.data() + rx_size_, data, kept);
    rx_size_ += kept;
    SendNow();
  }
  SendNow();
  if (asked_at_ && engine_.Answers(kBaud) != baud_answers_) asked_at_.reset();
  return !lost_;
}

bool RemotePort::Await(bool writable, std::uint64_t deadline) {
  if (set_up_ && set_up_->give_up) {
    if (set_up_->give_up()) return false;
    deadline = std::min(deadline, Now() + kGiveUpLookMs);
  }
  if (writable)
    connection_->WaitWritable(deadline);
  else
    connection_->WaitReadable(deadline);
  return true;
}

// Pumps until done(engine) or the deadline; while the port is set up, no
// later than its set-up may last, and given up when its limits say so.
RemotePort::Pumped RemotePort::PumpUntil(std::uint64_t deadline, bool (*done)(const Engine&)) {
  if (set_up_ && set_up_->total_ms > 0) deadline = std::min(deadline, set_up_until_);
  for (;;) {
    if (!Pump()) return Pumped::kLost;
    if (done(engine_)) return Pumped::kDone;
    if (Now() >= deadline) return Pumped::kTimeOut;
    if (!Await(out_.size > 0, deadline)) return Pumped::kGivenUp;
  }
}

std::size_t RemotePort::TakeData(std::uint8_t* out, std::size_t n) {
  const std::size_t k = std::min(n, rx_size_);
  std::memcpy(out, rx_.data() + rx_start_, k);
  rx_start_ += k;
  rx_size_ -= k;
  if (rx_size_ == 0) rx_start_ = 0;
  return k;
}

}  // namespace rfc2217
