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
  // in RxBuffer.
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

  // Closes the port.
  ComResult<void> Close();

 private:
  // The RTS strobe's two steps; the second is made whatever the first did.
  struct StrobeSteps {
    ComResult<void> clear;
    ComResult<void> set;
  };
  StrobeSteps Strobe();
  LinkResult<void> SendByte(std::uint8_t byte);
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
};
