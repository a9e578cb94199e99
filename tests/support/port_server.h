// A small RFC 2217 port server for the tests: the server's half of the
// telnet COM-PORT-OPTION protocol over bytes, with its own parser (it shares
// no code with the client it tests). It keeps line settings and modem lines,
// answers as told, and records what reached it with its time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testnet {

constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr std::uint8_t NOP = 241, GA = 249;
constexpr std::uint8_t BINARY = 0, ECHO_OPT = 1, SGA = 3, COM_PORT = 44;

struct ServerEvent {
  enum Kind { kData, kCommand, kOption };
  Kind kind;
  std::uint64_t time;
  std::uint8_t code;    // command code (1 to 12), or the option verb
  std::uint32_t value;  // data byte, command value, or the option
};

struct ServerBehaviour {
  bool greet = true;               // opens with its own negotiation, as ser2net does
  bool negotiate = true;           // false: never answers the negotiation
  bool refuse_com_port = false;    // DONT COM-PORT-OPTION
  bool refuse_binary = false;      // WONT and DONT BINARY
  bool answer_commands = true;     // false: never answers a COM-PORT command
  bool answer_modem_lines = true;  // false: as ser2net on a device without modem lines
  // The value put in force for a command (code, requested value); by default
  // the request. A query (value 0) is answered with the state.
  std::function<std::uint32_t(std::uint8_t code, std::uint32_t value)> apply;
};

class PortServer {
 public:
  explicit PortServer(ServerBehaviour b = {});

  // What the server sends as the connection opens.
  std::vector<std::uint8_t> Greeting();
  // Takes bytes from the client that arrive at `time`; returns the reply.
  std::vector<std::uint8_t> Receive(const std::uint8_t* p, std::size_t n, std::uint64_t time);

  const std::vector<ServerEvent>& events() const { return events_; }
  std::vector<std::uint8_t> DataReceived() const;
  // The values of one COM-PORT command, in order, and their times.
  std::vector<std::uint32_t> Commands(std::uint8_t code) const;
  std::vector<std::uint64_t> CommandTimes(std::uint8_t code) const;
  // The state of the server's port.
  std::uint32_t baud = 38400, datasize = 8, parity = 1, stopsize = 1, flow = 1;
  bool dtr = true, rts = true;

  // Server-to-client pieces: data (0xFF doubled) and a COM-PORT answer.
  static std::vector<std::uint8_t> Data(const std::vector<std::uint8_t>& bytes);
  static std::vector<std::uint8_t> Sub(std::uint8_t code, const std::vector<std::uint8_t>& value);

 private:
  void Command(std::vector<std::uint8_t>& out, std::uint64_t time);
  void Option(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out,
              std::uint64_t time);

  ServerBehaviour b_;
  enum class St { kData, kIac, kVerb, kSbOpt, kSb, kSbIac } st_ = St::kData;
  std::uint8_t verb_ = 0;
  std::uint8_t sb_opt_ = 0;
  std::vector<std::uint8_t> sb_;
  bool told_[4][256] = {};  // what the server said already: WILL, WONT, DO, DONT
  std::vector<ServerEvent> events_;
};

}  // namespace testnet
