// Whether the port server still runs: a question it must answer when it has
// been quiet, and the connection taken for lost when the answer is late.
#include <algorithm>
#include <string>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"

namespace rfc2217 {

// Asks the server for its baud rate (SET-BAUDRATE 0, which changes
// nothing), once until it answers.
void RemotePort::Ask() {
  if (asked_at_ || lost_) return;
  baud_answers_ = engine_.Answers(kBaud);
  if (!engine_.SetBaudrate(0, out_)) return;  // the outbox is full: the next look asks
  asked_at_ = Now();
  SendNow();
}

// True, with the connection lost, when the question has waited for its
// answer kAnswerDueMs or longer. Call it after a pump, which takes the
// answer in.
bool RemotePort::Late() {
  if (lost_) return true;
  if (!asked_at_ || Now() - *asked_at_ < static_cast<std::uint64_t>(kAnswerDueMs)) return false;
  Lose(SysError{0, "the port server did not answer in " + std::to_string(kAnswerDueMs) + " ms",
                ErrorKind::kGone});
  return true;
}

// Before data goes out: a server that has been quiet for kQuietMs is asked,
// and the data waits for its answer (until the deadline at most): true once
// the server is known to run, false when the deadline came first (the
// question stays open). A server that does not answer in time has its
// connection lost, and the data never goes.
SysResult<bool> RemotePort::MakeSureAlive(std::uint64_t deadline) {
  if (!asked_at_ && Now() - heard_at_ < static_cast<std::uint64_t>(kQuietMs)) return true;
  for (;;) {
    if (!Pump() || Late()) return Fail(LostError());
    if (!asked_at_) {
      if (Now() - heard_at_ < static_cast<std::uint64_t>(kQuietMs)) return true;
      Ask();
      if (!asked_at_) return true;  // no room to ask: the data goes, as it would have
      continue;
    }
    if (Now() >= deadline) return false;
    Await(false, std::min(deadline, *asked_at_ + static_cast<std::uint64_t>(kAnswerDueMs)));
  }
}

}  // namespace rfc2217
