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

RobotLink::RobotLink(std::unique_ptr<Port> port, LinkMode mode)
    : port_(std::move(port)), mode_(mode) {}

template <typename T>
const ComResult<T>& RobotLink::Noted(const ComResult<T>& result) {
  if (!result && !gone_ && ComPortGone(result.error())) gone_ = result.error();
  return result;
}

RobotLink::StrobeSteps RobotLink::Strobe() {
  StrobeSteps steps{Noted(ComClearRts(*port_)), {}};
  PlatformPause(kStrobeMs);
  steps.set = Noted(ComSetRts(*port_));
  rts_down_ = !steps.set.ok();
  return steps;
}

void RobotLink::WaitOutUnfinished() {
  if (!unfinished_) return;
  const std::uint32_t since = PlatformTickMs() - *unfinished_;
  if (since < static_cast<std::uint32_t>(kFrameQuietMs))
    PlatformPause(kFrameQuietMs - static_cast<std::int32_t>(since));
  unfinished_.reset();
}

CommandOutcome RobotLink::SendCommand(std::uint8_t command) {
  WaitOutUnfinished();
  last_command_ = command;
  CommandOutcome outcome;
  const ComResult<std::int32_t> written = Noted(ComWrite(*port_, &command, 1));
  outcome.sent = written.ok() && *written >= 1;
  if (mode_ == LinkMode::kCable) {
    PlatformPause(kStrobeMs);
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
// quiet time after an unfinished request counts from the tick after it.
LinkResult<void> RobotLink::SendByte(std::int32_t i) {
  const std::uint32_t before = PlatformTickMs();
  if (i > 0 && before - last_byte_tick_ > static_cast<std::uint32_t>(kMaxRequestGapMs)) {
    cut_ = true;
    return Fail(Failed(LinkFailure::kTimeout));
  }
  const ComResult<std::int32_t> written =
      Noted(ComWrite(*port_, &tx_[static_cast<std::size_t>(i)], 1));
  if (!written) return Fail(Failed(LinkFailure::kSendError, written.error()));
  if (*written < 1) return Fail(Failed(LinkFailure::kSendError));
  ++sent_;
  last_byte_tick_ = before;
  last_byte_done_tick_ = PlatformTickMs();
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
    const ComResult<std::int32_t> read = Noted(ComRead(*port_, rx_.data() + got, count - got));
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

LinkResult<std::uint8_t> RobotLink::ExchangeStrobed(std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    if (LinkResult<void> sent = SendByte(i); !sent) return Fail(std::move(sent.error()));
    StrobeSteps strobe = Strobe();
    if (!strobe.clear) return Fail(Failed(LinkFailure::kClearRts, std::move(strobe.clear.error())));
    if (!strobe.set) return Fail(Failed(LinkFailure::kSetRts, std::move(strobe.set.error())));
  }
  const ComResult<std::int32_t> waiting = Noted(ComWaitRx(*port_, count, kReplyWaitMs));
  if (!waiting) return Fail(Failed(LinkFailure::kTimeout, waiting.error()));
  if (*waiting < count) return Fail(Failed(LinkFailure::kTimeout));
  return CheckReply(count, 0, std::nullopt);
}

LinkResult<std::uint8_t> RobotLink::ExchangeCable(std::int32_t count) {
  std::optional<ComError> wait_failure;
  std::int32_t got = 0;  // reply bytes read so far
  for (std::int32_t i = 0; i < count; ++i) {
    if (LinkResult<void> sent = SendByte(i); !sent) return Fail(std::move(sent.error()));
    // This byte's echo, read the moment it arrives, so that the wait for the
    // next one starts from an empty queue; a late one is caught by the final
    // read, and so is the reply after a read the port failed.
    const ComResult<std::int32_t> echoed =
        Noted(ComRead(*port_, rx_.data() + got, i + 1 - got, kReplyWaitMs));
    if (echoed)
      got += *echoed;
    else if (!wait_failure)
      wait_failure = echoed.error();
  }
  return CheckReply(count, got, std::move(wait_failure));
}

// One go at the exchange; a request left with some of its bytes sent is
// unfinished for the robot.
LinkResult<std::uint8_t> RobotLink::Exchange(std::int32_t count) {
  sent_ = 0;
  cut_ = false;
  LinkResult<std::uint8_t> result =
      mode_ == LinkMode::kCable ? ExchangeCable(count) : ExchangeStrobed(count);
  if (sent_ > 0 && sent_ < count) unfinished_ = last_byte_done_tick_;
  return result;
}

// The echoes of a request that was given up, and anything else waiting.
void RobotLink::DrainInput() {
  Frame sink;
  for (;;) {
    const ComResult<std::int32_t> waiting = Noted(ComRxCount(*port_));
    if (!waiting || *waiting <= 0) return;
    const ComResult<std::int32_t> read =
        Noted(ComRead(*port_, sink.data(), std::min(*waiting, kFrameSize), 0));
    if (!read || *read <= 0) return;
  }
}

LinkResult<std::uint8_t> RobotLink::EchoExchange(std::int32_t count) {
  if (count < 1 || count > kFrameSize)
    return Fail(Failed(LinkFailure::kSendError,
                       ComError{ComStep::kTransfer, PlatformInvalidArgumentError()}));
  WaitOutUnfinished();
  LinkResult<std::uint8_t> result = Exchange(count);
  if (!cut_) return result;
  WaitOutUnfinished();
  DrainInput();
  return Exchange(count);
}

LinkResult<std::uint8_t> RobotLink::Request(const std::uint8_t* frame, std::int32_t count) {
  std::copy(frame, frame + count, tx_.begin());
  // A request is no command: the next key is never taken for a repeat.
  last_command_ = 0;
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

bool RobotLink::CheckPort() {
  (void)Noted(ComRxCount(*port_));
  return !gone_;
}

void RobotLink::ReplacePort(std::unique_ptr<Port> port) {
  port_ = std::move(port);
  gone_.reset();
  rts_down_ = false;
}

void RobotLink::RaiseRts() {
  if (mode_ == LinkMode::kStrobe && rts_down_) rts_down_ = !Noted(ComSetRts(*port_)).ok();
}

// A port that is gone refuses the line changes; the close still goes on.
ComResult<void> RobotLink::Close() {
  (void)port_->SetRts(false);
  (void)port_->SetDtr(false);
  return ComClose(*port_);
}
