// Serial ports on Windows: \\.\COMn through the communications API, opened
// for plain (not overlapped) transfers. The driver keeps the waits: each
// read and write sets the port's time-outs to its own (only when they differ
// from those in force), so a read returns as soon as its bytes are there.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/win32/count_wait.h"
#include "platform/win32/dcb_mapping.h"

static_assert(kDcbNoParity == NOPARITY && kDcbOddParity == ODDPARITY &&
              kDcbEvenParity == EVENPARITY && kDcbMarkParity == MARKPARITY &&
              kDcbSpaceParity == SPACEPARITY);
static_assert(kDcbOneStopBit == ONESTOPBIT && kDcbOne5StopBits == ONE5STOPBITS &&
              kDcbTwoStopBits == TWOSTOPBITS);
static_assert(kDcbControlDisable == DTR_CONTROL_DISABLE &&
              kDcbControlEnable == DTR_CONTROL_ENABLE &&
              kDcbControlHandshake == DTR_CONTROL_HANDSHAKE &&
              kDcbControlDisable == RTS_CONTROL_DISABLE &&
              kDcbControlEnable == RTS_CONTROL_ENABLE &&
              kDcbControlHandshake == RTS_CONTROL_HANDSHAKE &&
              kDcbRtsControlToggle == RTS_CONTROL_TOGGLE);

namespace {

// The driver's queue sizes asked for when a port opens.
constexpr DWORD kQueueSize = 256;

// What a USB serial adapter's driver answers once the adapter is unplugged:
// most fail every call with "the device does not recognize the command" or
// "a device attached to the system is not functioning", others with access
// denied, "the device is not ready" (also Wine's answer for a line that hung
// up) or one of the codes that say the device is gone.
bool DeviceGone(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case 433:  // ERROR_NO_SUCH_DEVICE, which not every SDK names
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

// The failure of a call on an open port: gone for the codes of an adapter
// that is no more.
SysError LastError() {
  const DWORD code = GetLastError();
  SysError error = PlatformError(static_cast<std::int32_t>(code));
  if (DeviceGone(code)) error.kind = ErrorKind::kGone;
  return error;
}

// A port that would not open: a COM port shares with no one, so access
// denied is a port another program has.
SysError OpenError() {
  const DWORD code = GetLastError();
  SysError error = PlatformError(static_cast<std::int32_t>(code));
  if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) error.kind = ErrorKind::kBusy;
  return error;
}

// A read that returns at once with what has arrived.
constexpr COMMTIMEOUTS kNoWait{MAXDWORD, 0, 0, 0, 0};

// Read time-outs: up to timeout_ms for all of the bytes asked for, and no
// limit between two bytes; no time at all (all zeros would wait forever)
// returns at once. The write time-outs stay as they are in `base`.
COMMTIMEOUTS ReadTimeouts(COMMTIMEOUTS base, std::int32_t timeout_ms) {
  if (timeout_ms <= 0) {
    base.ReadIntervalTimeout = kNoWait.ReadIntervalTimeout;
    base.ReadTotalTimeoutMultiplier = kNoWait.ReadTotalTimeoutMultiplier;
    base.ReadTotalTimeoutConstant = kNoWait.ReadTotalTimeoutConstant;
    return base;
  }
  base.ReadIntervalTimeout = 0;
  base.ReadTotalTimeoutMultiplier = 0;
  base.ReadTotalTimeoutConstant = static_cast<DWORD>(timeout_ms);
  return base;
}

// Write time-outs: up to timeout_ms for the whole write, at least 1 ms (0
// would mean no limit). The read time-outs stay as they are in `base`.
COMMTIMEOUTS WriteTimeouts(COMMTIMEOUTS base, std::int32_t timeout_ms) {
  base.WriteTotalTimeoutMultiplier = 0;
  base.WriteTotalTimeoutConstant = static_cast<DWORD>(timeout_ms > 0 ? timeout_ms : 1);
  return base;
}

bool SameTimeouts(const COMMTIMEOUTS& a, const COMMTIMEOUTS& b) {
  return a.ReadIntervalTimeout == b.ReadIntervalTimeout &&
         a.ReadTotalTimeoutMultiplier == b.ReadTotalTimeoutMultiplier &&
         a.ReadTotalTimeoutConstant == b.ReadTotalTimeoutConstant &&
         a.WriteTotalTimeoutMultiplier == b.WriteTotalTimeoutMultiplier &&
         a.WriteTotalTimeoutConstant == b.WriteTotalTimeoutConstant;
}

class ComPort final : public Port {
 public:
  explicit ComPort(HANDLE handle) : handle_(handle) {}
  ~ComPort() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  SysResult<LineConfig> GetConfig() override;
  SysResult<void> Configure(const LineConfig& config) override;
  SysResult<std::int32_t> Write(const std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Read(std::uint8_t* bytes, std::int32_t n,
                               std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Waiting() override;
  SysResult<std::int32_t> WaitFor(std::int32_t n, std::int32_t timeout_ms) override;
  SysResult<void> SetRts(bool on) override { return Escape(on ? SETRTS : CLRRTS); }
  SysResult<void> SetDtr(bool on) override { return Escape(on ? SETDTR : CLRDTR); }
  SysResult<void> Close() override;

 private:
  SysResult<void> Usable() const;
  SysResult<void> UseTimeouts(const COMMTIMEOUTS& timeouts);
  bool ClearedLineError(const SysError& error);
  SysResult<std::int32_t> ReadOnce(std::uint8_t* bytes, std::int32_t n);
  SysResult<std::int32_t> WriteOnce(const std::uint8_t* bytes, std::int32_t n);
  SysResult<void> Escape(DWORD function);

  HANDLE handle_;
  // The time-outs last set on the port; nothing until the first transfer.
  std::optional<COMMTIMEOUTS> in_force_;
};

// A closed port answers every call as a handle that is no longer valid.
SysResult<void> ComPort::Usable() const {
  if (handle_ == INVALID_HANDLE_VALUE) return Fail(PlatformError(ERROR_INVALID_HANDLE));
  return {};
}

SysResult<void> ComPort::UseTimeouts(const COMMTIMEOUTS& timeouts) {
  if (in_force_ && SameTimeouts(*in_force_, timeouts)) return {};
  COMMTIMEOUTS copy = timeouts;
  if (!SetCommTimeouts(handle_, &copy)) {
    in_force_.reset();
    return Fail(LastError());
  }
  in_force_ = timeouts;
  return {};
}

SysResult<LineConfig> ComPort::GetConfig() {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) return Fail(LastError());
  return LineConfigFromDcb(dcb);
}

// The driver takes the block's parts one after another, so a refusal can
// leave some of them set: the block as it was read is put back then.
SysResult<void> ComPort::Configure(const LineConfig& config) {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  DCB before{};
  before.DCBlength = sizeof before;
  if (!GetCommState(handle_, &before)) return Fail(LastError());
  DCB dcb = before;
  if (!ApplyLineConfigToDcb(config, &dcb)) {
    SysError refused = PlatformInvalidArgumentError();
    refused.kind = ErrorKind::kRefused;
    return Fail(refused);
  }
  if (SetCommState(handle_, &dcb)) return {};
  SysError refused = LastError();
  if (refused.kind != ErrorKind::kGone) refused.kind = ErrorKind::kRefused;
  SetCommState(handle_, &before);
  return Fail(refused);
}

// A line error stops every transfer on a port set to abort on errors until
// the error is cleared: true when that was the failure and it is cleared,
// so that the transfer can be tried once more.
bool ComPort::ClearedLineError(const SysError& error) {
  DWORD errors = 0;
  return error.code == ERROR_OPERATION_ABORTED && ClearCommError(handle_, &errors, nullptr);
}

SysResult<std::int32_t> ComPort::ReadOnce(std::uint8_t* bytes, std::int32_t n) {
  for (int attempt = 0;; ++attempt) {
    DWORD got = 0;
    if (ReadFile(handle_, bytes, static_cast<DWORD>(n), &got, nullptr))
      return static_cast<std::int32_t>(got);
    const SysError error = LastError();
    if (attempt > 0 || got > 0 || !ClearedLineError(error)) return Fail(error);
  }
}

SysResult<std::int32_t> ComPort::WriteOnce(const std::uint8_t* bytes, std::int32_t n) {
  for (int attempt = 0;; ++attempt) {
    DWORD done = 0;
    if (WriteFile(handle_, bytes, static_cast<DWORD>(n), &done, nullptr))
      return static_cast<std::int32_t>(done);
    const SysError error = LastError();
    if (attempt > 0 || done > 0 || !ClearedLineError(error)) return Fail(error);
  }
}

SysResult<std::int32_t> ComPort::Read(std::uint8_t* bytes, std::int32_t n,
                                      std::int32_t timeout_ms) {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  if (n <= 0) return 0;
  const COMMTIMEOUTS base = in_force_.value_or(kNoWait);
  if (auto set = UseTimeouts(ReadTimeouts(base, timeout_ms)); !set) return Fail(set.error());
  SysResult<std::int32_t> got = ReadOnce(bytes, n);
  if (!got || *got == n || timeout_ms <= 0) return got;
  // The last look: what arrived as the time ran out.
  SysResult<std::int32_t> waiting = Waiting();
  if (!waiting) return Fail(waiting.error());
  if (*waiting == 0) return got;
  if (auto set = UseTimeouts(ReadTimeouts(base, 0)); !set) return Fail(set.error());
  SysResult<std::int32_t> more = ReadOnce(bytes + *got, n - *got);
  if (!more) return Fail(more.error());
  return *got + *more;
}

SysResult<std::int32_t> ComPort::Write(const std::uint8_t* bytes, std::int32_t n,
                                       std::int32_t timeout_ms) {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  if (n <= 0) return 0;
  const COMMTIMEOUTS base = in_force_.value_or(kNoWait);
  if (auto set = UseTimeouts(WriteTimeouts(base, timeout_ms)); !set) return Fail(set.error());
  SysResult<std::int32_t> done = WriteOnce(bytes, n);
  if (!done || *done == n || timeout_ms <= 0) return done;
  // The last try, with the shortest time the port takes: room that came as
  // the time ran out.
  if (auto set = UseTimeouts(WriteTimeouts(base, 0)); !set) return Fail(set.error());
  SysResult<std::int32_t> more = WriteOnce(bytes + *done, n - *done);
  if (!more) return Fail(more.error());
  return *done + *more;
}

SysResult<std::int32_t> ComPort::Waiting() {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(handle_, &errors, &stat)) return Fail(LastError());
  return static_cast<std::int32_t>(stat.cbInQue);
}

SysResult<std::int32_t> ComPort::WaitFor(std::int32_t n, std::int32_t timeout_ms) {
  return WaitForCount(
      n, timeout_ms, [this] { return Waiting(); }, [] { return PlatformTickMs(); },
      [](std::int32_t ms) { PlatformPause(ms); });
}

SysResult<void> ComPort::Escape(DWORD function) {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  if (!EscapeCommFunction(handle_, function)) return Fail(LastError());
  return {};
}

SysResult<void> ComPort::Close() {
  if (auto usable = Usable(); !usable) return Fail(usable.error());
  const HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  if (!CloseHandle(handle)) return Fail(LastError());
  return {};
}

}  // namespace

std::string PlatformSerialDeviceName(std::int32_t port) {
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(port));
  return name;
}

// Windows keeps no links to devices.
std::optional<std::string> PlatformReadLink(const std::string&) {
  return std::nullopt;
}

// A COM port refuses a second open by its nature (no sharing); the driver's
// queues get the sizes padlink has always asked for, and what arrived before
// the port was opened is dropped. Neither of those two requests is needed
// for a working port, and a driver that refuses them is not refused.
SysResult<std::unique_ptr<Port>> PlatformOpenSerialDevice(const std::string& path) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail(OpenError());
  SetupComm(handle, kQueueSize, kQueueSize);
  PurgeComm(handle, PURGE_RXCLEAR);
  return std::unique_ptr<Port>(std::make_unique<ComPort>(handle));
}
