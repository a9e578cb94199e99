// A serial device on POSIX as a Port: a terminal device, opened raw,
// non-blocking and locked by PlatformOpenSerialDevice.
#pragma once

#include <cstdint>

#include "platform/port.h"

class TerminalPort final : public Port {
 public:
  // Takes over the open device `fd`; `marked` when terminal::Mark marked it
  // for exclusive use, `low_latency` when terminal::RequestLowLatency set
  // the driver's low-latency flag; closing clears both.
  TerminalPort(int fd, bool marked, bool low_latency);
  ~TerminalPort() override;

  SysResult<LineConfig> GetConfig() override;
  SysResult<void> Configure(const LineConfig& config) override;
  SysResult<std::int32_t> Write(const std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Read(std::uint8_t* bytes, std::int32_t n,
                               std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Waiting() override;
  SysResult<std::int32_t> WaitFor(std::int32_t n, std::int32_t timeout_ms) override;
  SysResult<void> SetRts(bool on) override;
  SysResult<void> SetDtr(bool on) override;
  SysResult<void> Close() override;

 private:
  SysResult<void> SetLine(int line, bool on);

  int fd_;  // -1 once closed
  bool marked_;
  bool low_latency_;
  // The settings last applied, for what termios does not keep: the DTR and
  // RTS control, DSR flow, and CTS flow while RTS is the handshake. Opening
  // a device raises DTR and RTS.
  LineConfig kept_;
};
