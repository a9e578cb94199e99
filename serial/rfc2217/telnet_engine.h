// The client side of the telnet COM-PORT-OPTION protocol (RFC 2217) as a
// pure state machine over bytes: it strips the telnet layer from what the
// server sends (data bytes come out, IAC IAC is a data byte 0xFF), answers
// the server's option negotiation, builds the COM-PORT-OPTION commands and
// checks the server's answers against what was asked for. No sockets and no
// clock: the remote port (remote_port.h) moves the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rfc2217 {

// Telnet.
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kOptBinary = 0;
constexpr std::uint8_t kOptSuppressGoAhead = 3;
constexpr std::uint8_t kOptComPort = 44;

// COM-PORT-OPTION commands from the client; the server answers each with
// the code plus kServerOffset and the value it put in force.
constexpr std::uint8_t kSignature = 0;
constexpr std::uint8_t kSetBaudrate = 1;
constexpr std::uint8_t kSetDatasize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopsize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kNotifyLinestate = 6;
constexpr std::uint8_t kNotifyModemstate = 7;
constexpr std::uint8_t kFlowControlSuspend = 8;
constexpr std::uint8_t kFlowControlResume = 9;
constexpr std::uint8_t kPurgeData = 12;
constexpr std::uint8_t kServerOffset = 100;

// SET-CONTROL values.
constexpr std::uint8_t kControlFlowQuery = 0;
constexpr std::uint8_t kControlNoFlow = 1;
constexpr std::uint8_t kControlDtrOn = 8;
constexpr std::uint8_t kControlDtrOff = 9;
constexpr std::uint8_t kControlRtsOn = 11;
constexpr std::uint8_t kControlRtsOff = 12;

// PURGE-DATA value for both of the server's queues.
constexpr std::uint8_t kPurgeBoth = 3;

// What the server answers to, one FIFO of expected values each. SET-CONTROL
// answers fall into flow, break, DTR and RTS by their value.
enum Setting : int {
  kBaud,
  kDatasize,
  kParity,
  kStopsize,
  kFlow,
  kDtr,
  kRts,
  kPurge,
  kSettingCount,
};

// A value that any answer satisfies (a query).
constexpr std::uint32_t kAnyValue = 0xFFFFFFFFu;

// A byte queue of fixed size. Appending to a full queue drops the bytes and
// marks the queue as overflowed.
template <std::size_t N>
struct ByteQueue {
  std::uint8_t bytes[N] = {};
  std::size_t size = 0;
  bool overflow = false;

  static constexpr std::size_t kCapacity = N;
  bool Append(const std::uint8_t* p, std::size_t n) {
    if (n > N - size) {
      overflow = true;
      return false;
    }
    for (std::size_t i = 0; i < n; ++i)
      bytes[size + i] = p[i];
    size += n;
    return true;
  }
  void Consume(std::size_t n) {
    if (n >= size) {
      size = 0;
      return;
    }
    for (std::size_t i = n; i < size; ++i)
      bytes[i - n] = bytes[i];
    size -= n;
  }
};

// Where the engine puts the bytes it wants sent.
using Outbox = ByteQueue<2048>;

// Data bytes escaped for the wire (0xFF doubled); out needs room for 2 * n
// bytes. Returns the bytes written.
std::size_t EscapeData(const std::uint8_t* in, std::size_t n, std::uint8_t* out);

// One answer of the server that differs from what was asked for.
struct Mismatch {
  bool seen = false;
  std::uint32_t wanted = 0;
  std::uint32_t got = 0;
};

class Engine {
 public:
  // The client's opening requests: BINARY and SUPPRESS-GO-AHEAD both ways,
  // COM-PORT-OPTION from the client.
  void Start(Outbox& out);

  // Parses bytes from the server. Data bytes go to data, which needs room
  // for n bytes; the count is returned. Replies to the server's negotiation
  // go to out.
  std::size_t Receive(const std::uint8_t* in, std::size_t n, std::uint8_t* data, Outbox& out);

  // Negotiation: ready once the server takes COM-PORT-OPTION and binary
  // transmission runs both ways; refused once it declined one of them.
  bool Ready() const;
  bool ComPortRefused() const;
  bool BinaryRefused() const;

  // Commands. Each appends one COM-PORT-OPTION subnegotiation to out and,
  // for a setting, expects the server's answer with `value` (kAnyValue for
  // a query). Returns false when out is full.
  bool SetBaudrate(std::uint32_t baud, Outbox& out);  // 0 asks for the current rate
  bool SetDatasize(std::uint8_t bits, Outbox& out);
  bool SetParity(std::uint8_t parity, Outbox& out);
  bool SetStopsize(std::uint8_t stop, Outbox& out);
  bool SetControl(std::uint8_t value, Outbox& out);
  bool PurgeData(std::uint8_t which, Outbox& out);

  // Answers still expected for a setting.
  int Outstanding(Setting s) const { return expect_[s].size; }
  // Forgets the answers still expected for a setting (a server that does
  // not answer it).
  void Forget(Setting s) { expect_[s].size = 0; }
  // The server's last answer for a setting and how many arrived in all.
  std::uint32_t LastAnswer(Setting s) const { return last_[s]; }
  std::uint32_t Answers(Setting s) const { return answers_[s]; }
  // The first answer since the last call that differed from the request;
  // clears it.
  Mismatch TakeMismatch(Setting s);

  // What the server reported of its lines, and its flow-control request.
  std::uint8_t Linestate() const { return linestate_; }
  std::uint8_t Modemstate() const { return modemstate_; }
  bool Suspended() const { return suspended_; }

 private:
  enum class State : std::uint8_t { kData, kIac, kOption, kSbOption, kSbData, kSbIac };
  // RFC 1143 option states, without the queue bits.
  enum class Q : std::uint8_t { kNo, kYes, kWantNo, kWantYes };

  struct Fifo {
    std::uint32_t values[16] = {};
    int head = 0;
    int size = 0;
  };

  bool Command(std::uint8_t code, const std::uint8_t* value, std::size_t n, Outbox& out);
  void Expect(Setting s, std::uint32_t value);
  void Answer(Setting s, std::uint32_t value);
  void Negotiate(std::uint8_t verb, std::uint8_t option, Outbox& out);
  void Subnegotiation(Outbox& out);
  static bool WeWill(std::uint8_t option);
  static bool WeWantHim(std::uint8_t option);

  State state_ = State::kData;
  std::uint8_t verb_ = 0;
  std::uint8_t sb_option_ = 0;
  std::uint8_t sb_[64] = {};
  std::size_t sb_size_ = 0;
  bool sb_overflow_ = false;

  Q us_[256] = {};   // options on our side (WILL/WONT from us)
  Q him_[256] = {};  // options on the server's side

  Fifo expect_[kSettingCount];
  std::uint32_t last_[kSettingCount] = {};
  std::uint32_t answers_[kSettingCount] = {};
  Mismatch mismatch_[kSettingCount];

  std::uint8_t linestate_ = 0;
  std::uint8_t modemstate_ = 0;
  bool suspended_ = false;
};

}  // namespace rfc2217
