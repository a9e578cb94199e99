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

RobotLink::StrobeSteps RobotLink::Strobe() {
  StrobeSteps steps{ComClearRts(*port_), {}};
  PlatformPause(kStrobeMs);
  steps.set = ComSetRts(*port_);
  return steps;
}

CommandOutcome RobotLink::SendCommand(std::uint8_t command) {
  last_command_ = command;
  CommandOutcome outcome;
  const ComResult<std::int32_t> written = ComWrite(*port_, &command, 1);
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

LinkResult<void> RobotLink::SendByte(std::uint8_t byte) {
  const ComResult<std::int32_t> written = ComWrite(*port_, &byte, 1);
  if (!written) return Fail(Failed(LinkFailure::kSendError, written.error()));
  if (*written < 1) return Fail(Failed(LinkFailure::kSendError));
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
    const ComResult<std::int32_t> read = ComRead(*port_, rx_.data() + got, count - got);
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
    if (LinkResult<void> sent = SendByte(tx_[static_cast<std::size_t>(i)]); !sent)
      return Fail(std::move(sent.error()));
    StrobeSteps strobe = Strobe();
    if (!strobe.clear) return Fail(Failed(LinkFailure::kClearRts, std::move(strobe.clear.error())));
    if (!strobe.set) return Fail(Failed(LinkFailure::kSetRts, std::move(strobe.set.error())));
  }
  const ComResult<std::int32_t> waiting = ComWaitRx(*port_, count, kReplyWaitMs);
  if (!waiting) return Fail(Failed(LinkFailure::kTimeout, waiting.error()));
  if (*waiting < count) return Fail(Failed(LinkFailure::kTimeout));
  return CheckReply(count, 0, std::nullopt);
}

LinkResult<std::uint8_t> RobotLink::ExchangeCable(std::int32_t count) {
  std::optional<ComError> wait_failure;
  std::int32_t got = 0;  // reply bytes read so far
  for (std::int32_t i = 0; i < count; ++i) {
    if (LinkResult<void> sent = SendByte(tx_[static_cast<std::size_t>(i)]); !sent)
      return Fail(std::move(sent.error()));
    // This byte's echo, read the moment it arrives, so that the wait for the
    // next one starts from an empty queue; a late one is caught by the final
    // read, and so is the reply after a read the port failed.
    const ComResult<std::int32_t> echoed =
        ComRead(*port_, rx_.data() + got, i + 1 - got, kReplyWaitMs);
    if (echoed)
      got += *echoed;
    else if (!wait_failure)
      wait_failure = echoed.error();
  }
  return CheckReply(count, got, std::move(wait_failure));
}

LinkResult<std::uint8_t> RobotLink::EchoExchange(std::int32_t count) {
  if (count < 1 || count > kFrameSize)
    return Fail(Failed(LinkFailure::kSendError,
                       ComError{ComStep::kTransfer, PlatformInvalidArgumentError()}));
  return mode_ == LinkMode::kCable ? ExchangeCable(count) : ExchangeStrobed(count);
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

ComResult<void> RobotLink::Close() {
  return ComClose(*port_);
}
