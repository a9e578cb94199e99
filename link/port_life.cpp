#include "link/port_life.h"

#include <utility>

#include "platform/platform.h"

PortLife::PortLife(std::unique_ptr<Port> port, const Clock& clock)
    : port_(std::move(port)), clock_(clock), last_look_(clock.NowMs()) {}

void PortLife::Note(const ComError& error) {
  if (state_ == State::kUp && ComPortGone(error)) {
    state_ = State::kGone;
    gone_ = error;
  }
}

bool PortLife::Check() {
  if (state_ != State::kUp) return false;
  if (ComResult<std::int32_t> waiting = ComRxCount(*port_); !waiting) Note(waiting.error());
  return Up();
}

PortLife::Change PortLife::Step(bool watch, const Opener& open) {
  const std::uint64_t now = clock_.NowMs();
  switch (state_) {
    case State::kUp:
      if (!watch || MsSince(last_look_, now) < kWatchMs) return Change::kNone;
      last_look_ = now;
      if (Check()) return Change::kNone;
      [[fallthrough]];
    case State::kGone:
      if (!watch) return Change::kNone;  // a failed sample tells, and ends the run
      (void)Close();
      state_ = State::kRetrying;
      last_look_ = clock_.NowMs();
      return Change::kLost;
    case State::kRetrying:
      if (MsSince(last_look_, now) < kRetryMs) return Change::kNone;
      last_look_ = now;
      port_ = open();
      if (!port_) return Change::kNone;
      state_ = State::kUp;
      gone_.reset();
      return Change::kBack;
    case State::kClosed:
      break;
  }
  return Change::kNone;
}

// A port that is gone refuses the line changes; the close still goes on.
// A port closed already fails as a closed port's handle does.
ComResult<void> PortLife::Close() {
  if (!port_) return Fail(ComError{ComStep::kClose, PlatformInvalidArgumentError()});
  (void)port_->SetRts(false);
  (void)port_->SetDtr(false);
  ComResult<void> closed = ComClose(*port_);
  port_.reset();
  if (state_ != State::kRetrying) state_ = State::kClosed;
  return closed;
}
