// A serial port as an object: a local terminal device (POSIX), a COM port
// (Windows), a port on a port server (RFC 2217, serial/rfc2217) or the
// unit tests' fake. Every implementation keeps the same promises, stated
// here; the layers above never ask which one they hold.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/result.h"

// What a failure means for the one who meets it, set by the port,
// connection or keyboard that saw it; the layers above decide by the kind,
// never by a platform's codes.
enum class ErrorKind : std::uint8_t {
  kOther,     // anything else
  kGone,      // the device or the connection is gone for good: unplugged, hung
              // up, the connection lost or reset
  kEnded,     // input or a connection ended in order: the keyboard's input
              // ended, the other end closed the connection
  kTimedOut,  // no answer in time
  kRefused,   // the other side or the system refused: a setting, the
              // connection, the permission
  kBusy,      // in use by another program
};

// A failure as the system (or a port server) reports it: the platform's
// error code (which the hints about a port that would not open read), the
// text a user reads after "Open error. " and the like, and its kind.
struct SysError {
  std::int32_t code = 0;
  std::string text;
  ErrorKind kind = ErrorKind::kOther;
};

template <typename T>
using SysResult = Result<T, SysError>;

// Line settings in neutral terms. Parity other than none implies that the
// device checks it and hands a byte with a parity error on as a space where
// it can; software flow control applies both ways.
enum class Parity : std::uint8_t { kNone, kOdd, kEven, kMark, kSpace };
enum class StopBits : std::uint8_t { kOne, kOneAndHalf, kTwo };
// How a modem-control output line is driven: a fixed level, by the
// device's handshake, or (RTS only) raised while the device sends.
enum class LineControl : std::uint8_t { kOff, kOn, kHandshake, kToggle };

struct LineConfig {
  std::uint32_t baud = 9600;
  std::uint8_t data_bits = 8;
  Parity parity = Parity::kNone;
  StopBits stop_bits = StopBits::kOne;
  LineControl dtr = LineControl::kOn;
  LineControl rts = LineControl::kOn;
  bool cts_flow = false;  // output held while CTS is off
  bool dsr_flow = false;  // output held while DSR is off
  bool xon_xoff = false;  // software flow control, both ways

  bool operator==(const LineConfig&) const = default;
};

// An open port. Waits are given per call in milliseconds, measured on the
// platform's clock (virtual time in the fake). A transfer that moved fewer
// bytes than asked for within its time is not a failure: the count says so.
// Failures carry the system's reason and their kind; a device that is gone
// (unplugged, the connection closed) fails every call from then on, with
// ErrorKind::kGone.
class Port {
 public:
  virtual ~Port() = default;  // closes the port, silently
  Port() = default;
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // The line settings in force.
  virtual SysResult<LineConfig> GetConfig() = 0;
  // Applies all of the settings, or none: a device that cannot do one of
  // them refuses and keeps what it had.
  virtual SysResult<void> Configure(const LineConfig& config) = 0;
  // Writes n bytes, waiting at most timeout_ms for room; the bytes written.
  virtual SysResult<std::int32_t> Write(const std::uint8_t* bytes, std::int32_t n,
                                        std::int32_t timeout_ms) = 0;
  // Reads up to n bytes, returning as soon as n have arrived, or after
  // timeout_ms with what has arrived (a last look is taken once the time
  // has passed, so bytes that came while the process did not run count).
  virtual SysResult<std::int32_t> Read(std::uint8_t* bytes, std::int32_t n,
                                       std::int32_t timeout_ms) = 0;
  // Bytes waiting to be read, without waiting.
  virtual SysResult<std::int32_t> Waiting() = 0;
  // Waits until at least n bytes are waiting, at most timeout_ms (with a
  // last look as for Read); the bytes waiting then.
  virtual SysResult<std::int32_t> WaitFor(std::int32_t n, std::int32_t timeout_ms) = 0;
  // Sets the RTS or DTR output line on or off, at once, without waiting
  // for any answer.
  virtual SysResult<void> SetRts(bool on) = 0;
  virtual SysResult<void> SetDtr(bool on) = 0;
  // Closes the port; the object is of no further use. Reports what the
  // destructor would swallow.
  virtual SysResult<void> Close() = 0;
};
