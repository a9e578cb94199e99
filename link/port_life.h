// The life of the robot's port, in one place. Every state and every way
// between them:
//
//   kUp ------ a call fails with a gone error (Note) ------> kGone
//   kUp ------ a look finds it gone (Step, watching) -------> kGone
//   kGone ---- Step: closed at once ------------------------> kRetrying  (kLost)
//   kRetrying  Step, every kRetryMs: opened again ----------> kUp        (kBack)
//   any ------ Close: the lines off and closed -------------> kClosed
//
// A port that is gone takes nothing more: the link sends nothing to it. A
// port that is retrying has no port object at all; it is closed at once, so
// that an adapter plugged in again gets its old name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/clock.h"
#include "platform/port.h"
#include "serial/com.h"

class PortLife {
 public:
  enum class State {
    kUp,        // open, and no call found it gone
    kGone,      // a call found it gone; still open, nothing more is sent
    kRetrying,  // closed; opened again every kRetryMs until it is back
    kClosed,    // closed for good, at the end of the run
  };
  // What a step changed, for the run to tell and to act on.
  enum class Change { kNone, kLost, kBack };
  // Opens the port again: null while it cannot be had.
  using Opener = std::function<std::unique_ptr<Port>()>;

  // How often a watched port is looked at, and a port that is gone tried.
  static constexpr std::int64_t kWatchMs = 100;
  static constexpr std::int64_t kRetryMs = 500;

  PortLife(std::unique_ptr<Port> port, const Clock& clock);

  State state() const { return state_; }
  bool Up() const { return state_ == State::kUp; }
  // The open port: null while retrying and once closed.
  Port* port() { return port_.get(); }

  // A failure of a call on the port: kUp -> kGone when it shows the port
  // gone (ComPortGone). The first such failure is kept.
  void Note(const ComError& error);
  const std::optional<ComError>& GoneError() const { return gone_; }

  // Looks at the port without sending or taking anything: false, and
  // kGone, when it is gone.
  bool Check();
  // A step of the port's life: while up and `watch`, a look every
  // kWatchMs; a port that is gone is closed (kLost); while retrying, `open`
  // every kRetryMs since the port was lost or last tried (kBack once it
  // gives a port).
  Change Step(bool watch, const Opener& open);

  // The lines off (DTR and RTS, as no program drives them) and the port
  // closed; a failure when there is no open port.
  ComResult<void> Close();

 private:
  std::unique_ptr<Port> port_;
  const Clock& clock_;
  State state_ = State::kUp;
  std::optional<ComError> gone_;
  std::uint64_t last_look_;  // the last look at the port, or try to open it
};
