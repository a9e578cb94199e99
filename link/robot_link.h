// The robot link: the port to the robot, owned, with its link mode, its
// frame buffers and the last command sent. Commands go out fire-and-forget;
// the read requests are echoed exchanges: the request goes out, the robot
// sends back as many bytes, repeating all but the last, which carries the
// answer. Nothing here prints; failures come back as values.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/port.h"
#include "platform/result.h"
#include "serial/com.h"

// Strobe mode, the default: RTS is on, and every byte sent is followed by an
// RTS strobe. Cable mode: RTS stays off and is never changed.
enum class LinkMode { kStrobe, kCable };

// The RTS strobe: the line is cleared for this long, then set again. A
// command is followed by the same pause in cable mode.
constexpr std::int32_t kStrobeMs = 8;

// The robot takes the bytes of a request as one frame only while they come
// close together: a frame whose next byte has not come within
// kRobotFrameTimeoutMs of the one before is dropped, and the late byte is
// taken on its own, as a command when it is 1..32 (padlink-robot(1)). The
// bytes after a request code (channel 3, SRAM address 65, 1) are such
// commands, so a request is never finished late: a byte that would go out
// more than kMaxRequestGapMs after the one before it (the process was
// stopped or did not run) is not sent. The request is given up and, once
// the robot has dropped what it got (kFrameQuietMs after its last byte,
// during which nothing at all is sent) and its echoes are read away, made
// once more from its first byte.
constexpr std::int32_t kRobotFrameTimeoutMs = 500;
constexpr std::int32_t kMaxRequestGapMs = 200;
constexpr std::int32_t kFrameQuietMs = kRobotFrameTimeoutMs + 100;

// Why an exchange failed; the values are the results the robot link has
// always reported for them.
enum class LinkFailure : std::int32_t {
  kSendError = -1,  // a byte was not written
  kMismatch = -2,   // the echo differs from the request
  kTimeout = -3,    // the whole reply did not arrive in time
  kSetRts = -4,     // the strobe could not set RTS again
  kClearRts = -5,   // the strobe could not clear RTS
};
struct LinkError {
  LinkFailure failure;
  std::optional<ComError> cause;  // the port's failure behind it, if any
};
template <typename T>
using LinkResult = Result<T, LinkError>;

// What became of a command: each step is made whatever the one before did.
struct CommandOutcome {
  bool sent = true;         // the byte was written
  bool rts_cleared = true;  // strobe mode: RTS was cleared
  bool rts_set = true;      // strobe mode: RTS was set again
  bool ok() const { return sent && rts_cleared && rts_set; }
};

class RobotLink {
 public:
  static constexpr int kFrameSize = 256;
  using Frame = std::array<std::uint8_t, kFrameSize>;

  RobotLink(std::unique_ptr<Port> port, LinkMode mode);

  LinkMode mode() const { return mode_; }
  Port& port() { return *port_; }

  // Sends one command byte: written, then strobed on RTS in strobe mode; the
  // 8 ms pause is made in both modes. The command becomes the last command.
  CommandOutcome SendCommand(std::uint8_t command);

  // The exchange of the link mode for the first `count` bytes of TxBuffer
  // (1..kFrameSize; any other count sends nothing and is a send error): the
  // value read (0..255) or the failure. In strobe mode each byte is followed
  // by an RTS strobe, which sets RTS again even when clearing it failed, and
  // the whole reply is awaited at the end; in cable mode each byte's echo is
  // awaited before the next, and the final read waits up to
  // kComDefaultTimeoutMs. Neither flushes the input first. The reply read is
  // in RxBuffer. A request cut apart (see kMaxRequestGapMs) is made once
  // more; cut apart again, it fails as a time-out.
  LinkResult<std::uint8_t> EchoExchange(std::int32_t count);

  // One of the eight A/D ports: 0xE2, channel, 0x00.
  LinkResult<std::uint8_t> PeekAD(std::int32_t channel);
  // One SRAM byte selected by p1 and p2: 0xF7, p1, p2, 0x00.
  LinkResult<std::uint8_t> PeekSRAM(std::int32_t p1, std::int32_t p2);

  // The command a repeat is compared with: the one sent or chosen last,
  // none (0) after a request, so that the first key after a sample is never
  // a repeat.
  std::uint8_t LastCommand() const { return last_command_; }
  void SetLastCommand(std::uint8_t command) { last_command_ = command; }

  Frame& TxBuffer() { return tx_; }
  const Frame& RxBuffer() const { return rx_; }

  // Whether the port is gone (ComPortGone): the first such failure of any
  // call the link made, until the port is replaced.
  bool PortGone() const { return gone_.has_value(); }
  const std::optional<ComError>& GoneError() const { return gone_; }
  // Looks whether the port is still there, without sending or taking
  // anything; false when it is gone.
  bool CheckPort();
  // Goes on over another port (the same one opened again).
  void ReplacePort(std::unique_ptr<Port> port);
  // Strobe mode: sets RTS again when the last strobe could not, so that the
  // line is up before the process stops for a while.
  void RaiseRts();

  // Closes the port, leaving DTR and RTS off: the lines of a port that no
  // program drives, set deliberately on every platform and kind of port
  // (the drivers of Linux, with HUPCL, and of Windows drop both on close
  // anyway; a remote port's server is told).
  ComResult<void> Close();

 private:
  // The RTS strobe's two steps; the second is made whatever the first did.
  struct StrobeSteps {
    ComResult<void> clear;
    ComResult<void> set;
  };
  StrobeSteps Strobe();
  // Notes a failure that shows the port is gone; the result passes on.
  template <typename T>
  const ComResult<T>& Noted(const ComResult<T>& result);
  // Byte i of the request in TxBuffer, unless it would go out too late.
  LinkResult<void> SendByte(std::int32_t i);
  // Before anything is sent: the quiet time after an unfinished request.
  void WaitOutUnfinished();
  void DrainInput();
  LinkResult<std::uint8_t> Exchange(std::int32_t count);
  LinkResult<std::uint8_t> ExchangeStrobed(std::int32_t count);
  LinkResult<std::uint8_t> ExchangeCable(std::int32_t count);
  LinkResult<std::uint8_t> CheckReply(std::int32_t count, std::int32_t got,
                                      std::optional<ComError> earlier);
  LinkResult<std::uint8_t> Request(const std::uint8_t* frame, std::int32_t count);

  std::unique_ptr<Port> port_;
  LinkMode mode_;
  Frame tx_{};
  Frame rx_{};
  std::uint8_t last_command_ = 0;
  std::optional<ComError> gone_;
  bool rts_down_ = false;  // the last strobe could not set RTS again
  // The request in progress: bytes written; the ticks just before and just
  // after the last one was written, which bound when it left (the process
  // can be stopped on either side of the write); and whether a byte was held
  // back as too late.
  std::int32_t sent_ = 0;
  std::uint32_t last_byte_tick_ = 0;
  std::uint32_t last_byte_done_tick_ = 0;
  bool cut_ = false;
  // The tick of the last byte of a request left unfinished, until the
  // quiet time after it has passed.
  std::optional<std::uint32_t> unfinished_;
};
