// The robot link: the port to the robot, owned with its life (PortLife),
// with its link mode, its frame buffers and the run's clock. Commands go out fire-and-forget;
// the read requests are echoed exchanges: the request goes out, the robot
// sends back as many bytes, repeating all but the last, which carries the
// answer. Nothing here prints; failures come back as values.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/port_life.h"
#include "platform/clock.h"
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

// What one go at an exchange did: how many bytes of the request were
// written, whether a byte was held back as too late, and the clock's
// readings just before and just after the last byte was written, which
// bound when it left (the process can be stopped on either side of the
// write).
struct ExchangeGo {
  std::int32_t sent = 0;
  bool cut = false;
  std::uint64_t last_byte_at = 0;
  std::uint64_t last_byte_done_at = 0;
};

class RobotLink {
 public:
  static constexpr int kFrameSize = 256;
  using Frame = std::array<std::uint8_t, kFrameSize>;

  // Every pause and every reading of the time is made on `clock`, which
  // must outlive the link.
  RobotLink(std::unique_ptr<Port> port, LinkMode mode, const Clock& clock);

  LinkMode mode() const { return mode_; }
  const Clock& clock() const { return clock_; }
  // The port's life: up, gone, retrying (see PortLife).
  PortLife& life() { return life_; }
  const PortLife& life() const { return life_; }

  // Sends one command byte: written, then strobed on RTS in strobe mode; the
  // 8 ms pause is made in both modes. The write waits write_timeout_ms at
  // most for the port to take the byte.
  CommandOutcome SendCommand(std::uint8_t command,
                             std::int32_t write_timeout_ms = kComDefaultTimeoutMs);

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

  // How many requests the link has made (PeekAD, PeekSRAM).
  std::uint64_t RequestsMade() const { return requests_; }

  Frame& TxBuffer() { return tx_; }
  const Frame& RxBuffer() const { return rx_; }

  // Whether the port is gone (ComPortGone): the first such failure of any
  // call the link made, until the port is back.
  bool PortGone() const { return !life_.Up(); }
  // A step of the port's life (PortLife::Step); a port that is back starts
  // with its RTS line as the settings left it.
  PortLife::Change KeepPort(bool watch, const PortLife::Opener& open);
  // Strobe mode: sets RTS again when the last strobe could not, so that the
  // line is up before the process stops for a while.
  void RaiseRts();

  // Closes the port, leaving DTR and RTS off: the lines of a port that no
  // program drives, set deliberately on every platform and kind of port
  // (the drivers of Linux, with HUPCL, and of Windows drop both on close
  // anyway; a remote port's server is told).
  ComResult<void> Close() { return life_.Close(); }

 private:
  // The RTS strobe's two steps; the second is made whatever the first did.
  struct StrobeSteps {
    ComResult<void> clear;
    ComResult<void> set;
  };
  StrobeSteps Strobe();
  // A Com operation on the port, its failure noted in the port's life; a
  // port that is closed (retrying, or at the end) fails without a call.
  template <typename Op>
  auto OnPort(Op op);
  // Byte i of the request in TxBuffer, unless it would go out too late.
  LinkResult<void> SendByte(std::int32_t i, ExchangeGo& go);
  // Before anything is sent: the quiet time after an unfinished request.
  void WaitOutUnfinished();
  void DrainInput();
  LinkResult<std::uint8_t> Exchange(std::int32_t count, ExchangeGo& go);
  LinkResult<std::uint8_t> ExchangeStrobed(std::int32_t count, ExchangeGo& go);
  LinkResult<std::uint8_t> ExchangeCable(std::int32_t count, ExchangeGo& go);
  LinkResult<std::uint8_t> CheckReply(std::int32_t count, std::int32_t got,
                                      std::optional<ComError> earlier);
  LinkResult<std::uint8_t> Request(const std::uint8_t* frame, std::int32_t count);

  PortLife life_;
  LinkMode mode_;
  const Clock& clock_;
  Frame tx_{};
  Frame rx_{};
  bool rts_down_ = false;  // the last strobe could not set RTS again
  std::uint64_t requests_ = 0;
  // When the last byte of a request left unfinished went out, until the
  // quiet time after it has passed.
  std::optional<std::uint64_t> unfinished_;
};
