#include "link/robot_link.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"

namespace {

// How long the strobe mode waits for the whole reply after the last strobe,
// and the cable mode for each byte's echo.
constexpr std::int32_t kReplyWaitMs = 50;

LinkError Failed(LinkFailure failure, std::optional<ComError> cause = std::nullopt) {
  return LinkError{failure, std::move(cause)};
}

}  // namespace

RobotLink::RobotLink(std::unique_ptr<Port> port, LinkMode mode, const Clock& clock)
    : life_(std::move(port), clock), mode_(mode), clock_(clock) {}

template <typename Op>
auto RobotLink::OnPort(Op op) {
  using R = decltype(op(std::declval<Port&>()));
  Port* port = life_.port();
  if (!port) {
    const std::optional<ComError>& gone = life_.GoneError();
    return R(Fail(gone ? *gone : ComError{ComStep::kTransfer, PlatformInvalidArgumentError()}));
  }
  R result = op(*port);
  if (!result) life_.Note(result.error());
  return result;
}

RobotLink::StrobeSteps RobotLink::Strobe() {
  StrobeSteps steps{OnPort([](Port& p) { return ComClearRts(p); }), {}};
  clock_.Pause(kStrobeMs);
  steps.set = OnPort([](Port& p) { return ComSetRts(p); });
  rts_down_ = !steps.set.ok();
  return steps;
}

void RobotLink::WaitOutUnfinished() {
  if (!unfinished_) return;
  const std::int64_t since = MsSince(*unfinished_, clock_.NowMs());
  if (since < kFrameQuietMs) clock_.Pause(static_cast<std::int32_t>(kFrameQuietMs - since));
  unfinished_.reset();
}

CommandOutcome RobotLink::SendCommand(std::uint8_t command, std::int32_t write_timeout_ms) {
  WaitOutUnfinished();
  CommandOutcome outcome;
  const ComResult<std::int32_t> written =
      OnPort([&](Port& p) { return ComWrite(p, &command, 1, write_timeout_ms); });
  outcome.sent = written.ok() && *written >= 1;
  if (mode_ == LinkMode::kCable) {
    clock_.Pause(kStrobeMs);
    return outcome;
  }
  const StrobeSteps strobe = Strobe();
  outcome.rts_cleared = strobe.clear.ok();
  outcome.rts_set = strobe.set.ok();
  return outcome;
}

// A byte that would follow the one before too late is held back: the robot
// may have dropped the request already and would take the byte on its own.
// The gap is measured from the tick taken before the last byte was written,
// so that a stop between that write and the tick after it (a process stopped
// as the write wakes the reader) never makes a late byte look timely; the
// quiet time after an unfinished request counts from the tick after it. The
// write of a byte after the first waits no longer than what is left of the
// gap, so that no wait of the port (room in its output, a remote station's
// answer) carries it past; what remains is the instant between the look at
// the clock and the write itself, which no program can close.
LinkResult<void> RobotLink::SendByte(std::int32_t i, ExchangeGo& go) {
  const std::uint64_t before = clock_.NowMs();
  const std::int64_t since = i > 0 ? MsSince(go.last_byte_at, before) : 0;
  if (since > kMaxRequestGapMs) {
    go.cut = true;
    return Fail(Failed(LinkFailure::kTimeout));
  }
  const std::int32_t wait =
      i > 0 ? static_cast<std::int32_t>(kMaxRequestGapMs - since) : kComDefaultTimeoutMs;
  const ComResult<std::int32_t> written =
      OnPort([&](Port& p) { return ComWrite(p, &tx_[static_cast<std::size_t>(i)], 1, wait); });
  if (!written) return Fail(Failed(LinkFailure::kSendError, written.error()));
  if (*written < 1) return Fail(Failed(LinkFailure::kSendError));
  ++go.sent;
  go.last_byte_at = before;
  go.last_byte_done_at = clock_.NowMs();
  return {};
}

// The reply is read into RxBuffer: the echo must match the request; the last
// byte is the value. Neither discipline flushes the input first, so bytes
// left from earlier traffic are read as the start of the reply. `earlier` is
// a port failure met while waiting, the cause of a time-out that has none of
// its own.
LinkResult<std::uint8_t> RobotLink::CheckReply(std::int32_t count, std::int32_t got,
                                               std::optional<ComError> earlier) {
  if (got < count) {
    const ComResult<std::int32_t> read =
        OnPort([&](Port& p) { return ComRead(p, rx_.data() + got, count - got); });
    if (!read) return Fail(Failed(LinkFailure::kTimeout, read.error()));
    got += *read;
  }
  // A short read leaves bytes of an earlier exchange in RxBuffer: the reply
  // did not arrive, whatever those bytes say.
  if (got < count) return Fail(Failed(LinkFailure::kTimeout, std::move(earlier)));
  if (!std::equal(rx_.begin(), rx_.begin() + (count - 1), tx_.begin()))
    return Fail(Failed(LinkFailure::kMismatch));
  return rx_[static_cast<std::size_t>(count - 1)];
}

LinkResult<std::uint8_t> RobotLink::ExchangeStrobed(std::int32_t count, ExchangeGo& go) {
  for (std::int32_t i = 0; i < count; ++i) {
    if (LinkResult<void> sent = SendByte(i, go); !sent) return Fail(std::move(sent.error()));
    StrobeSteps strobe = Strobe();
    if (!strobe.clear) return Fail(Failed(LinkFailure::kClearRts, std::move(strobe.clear.error())));
    if (!strobe.set) return Fail(Failed(LinkFailure::kSetRts, std::move(strobe.set.error())));
  }
  const ComResult<std::int32_t> waiting =
      OnPort([&](Port& p) { return ComWaitRx(p, count, kReplyWaitMs); });
  if (!waiting) return Fail(Failed(LinkFailure::kTimeout, waiting.error()));
  if (*waiting < count) return Fail(Failed(LinkFailure::kTimeout));
  return CheckReply(count, 0, std::nullopt);
}

LinkResult<std::uint8_t> RobotLink::ExchangeCable(std::int32_t count, ExchangeGo& go) {
  std::optional<ComError> wait_failure;
  std::int32_t got = 0;  // reply bytes read so far
  for (std::int32_t i = 0; i < count; ++i) {
    if (LinkResult<void> sent = SendByte(i, go); !sent) return Fail(std::move(sent.error()));
    // This byte's echo, read the moment it arrives, so that the wait for the
    // next one starts from an empty queue; a late one is caught by the final
    // read, and so is the reply after a read the port failed.
    const ComResult<std::int32_t> echoed =
        OnPort([&](Port& p) { return ComRead(p, rx_.data() + got, i + 1 - got, kReplyWaitMs); });
    if (echoed)
      got += *echoed;
    else if (!wait_failure)
      wait_failure = echoed.error();
  }
  return CheckReply(count, got, std::move(wait_failure));
}

// One go at the exchange, which `go` tells of; a request left with some of
// its bytes sent is unfinished for the robot.
LinkResult<std::uint8_t> RobotLink::Exchange(std::int32_t count, ExchangeGo& go) {
  LinkResult<std::uint8_t> result =
      mode_ == LinkMode::kCable ? ExchangeCable(count, go) : ExchangeStrobed(count, go);
  if (go.sent > 0 && go.sent < count) unfinished_ = go.last_byte_done_at;
  return result;
}

// The echoes of a request that was given up, and anything else waiting.
void RobotLink::DrainInput() {
  Frame sink;
  for (;;) {
    const ComResult<std::int32_t> waiting = OnPort([](Port& p) { return ComRxCount(p); });
    if (!waiting || *waiting <= 0) return;
    const ComResult<std::int32_t> read =
        OnPort([&](Port& p) { return ComRead(p, sink.data(), std::min(*waiting, kFrameSize), 0); });
    if (!read || *read <= 0) return;
  }
}

LinkResult<std::uint8_t> RobotLink::EchoExchange(std::int32_t count) {
  if (count < 1 || count > kFrameSize)
    return Fail(Failed(LinkFailure::kSendError,
                       ComError{ComStep::kTransfer, PlatformInvalidArgumentError()}));
  WaitOutUnfinished();
  ExchangeGo first;
  LinkResult<std::uint8_t> result = Exchange(count, first);
  if (!first.cut) return result;
  WaitOutUnfinished();
  DrainInput();
  ExchangeGo again;
  return Exchange(count, again);
}

LinkResult<std::uint8_t> RobotLink::Request(const std::uint8_t* frame, std::int32_t count) {
  std::copy(frame, frame + count, tx_.begin());
  ++requests_;
  return EchoExchange(count);
}

LinkResult<std::uint8_t> RobotLink::PeekAD(std::int32_t channel) {
  const std::uint8_t frame[] = {0xE2, static_cast<std::uint8_t>(channel), 0x00};
  return Request(frame, sizeof frame);
}

LinkResult<std::uint8_t> RobotLink::PeekSRAM(std::int32_t p1, std::int32_t p2) {
  const std::uint8_t frame[] = {0xF7, static_cast<std::uint8_t>(p1), static_cast<std::uint8_t>(p2),
                                0x00};
  return Request(frame, sizeof frame);
}

PortLife::Change RobotLink::KeepPort(bool watch, const PortLife::Opener& open) {
  const PortLife::Change change = life_.Step(watch, open);
  if (change == PortLife::Change::kBack) rts_down_ = false;
  return change;
}

void RobotLink::RaiseRts() {
  if (mode_ == LinkMode::kStrobe && rts_down_)
    rts_down_ = !OnPort([](Port& p) { return ComSetRts(p); }).ok();
}
