// The modem-control lines of a remote port: each change goes to the server
// at once and is never waited for; its answer is taken in with whatever
// comes later, and an answer with another state fails the next change.
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"

namespace rfc2217 {

SysResult<void> RemotePort::SetRts(bool on) {
  return SetLine(kRts, on);
}

SysResult<void> RemotePort::SetDtr(bool on) {
  return SetLine(kDtr, on);
}

SysResult<void> RemotePort::SetLine(Setting line, bool on) {
  if (SysResult<void> open = CheckOpen(); !open) return open;
  EndSetUp();
  // Take in the answers that came meanwhile; a server that answered an
  // earlier change with another state did not make it.
  if (!Pump()) return Fail(LostError());
  const bool rts = line == kRts;
  const Mismatch m = engine_.TakeMismatch(line);
  if (m.seen) {
    const char* name = rts ? "RTS" : "DTR";
    return Fail(NetErrorF(rts ? kNetErrRtsRefused : kNetErrDtrRefused, "%s %s answered with %s %s",
                          name, ControlName(m.wanted), name, ControlName(m.got)));
  }
  const std::uint8_t value =
      rts ? (on ? kControlRtsOn : kControlRtsOff) : (on ? kControlDtrOn : kControlDtrOff);
  if (!engine_.SetControl(value, out_))
    return Fail(NetError(kNetErrConnectionLost, "the port server takes no more commands"));
  SendNow();
  if (lost_) return Fail(LostError());
  return {};
}

}  // namespace rfc2217
