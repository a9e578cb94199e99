#include "tests/support/port_server.h"

namespace testnet {

PortServer::PortServer(ServerBehaviour b) : b_(std::move(b)) {}

std::vector<std::uint8_t> PortServer::Greeting() {
  if (!b_.greet || !b_.negotiate) return {};
  std::vector<std::uint8_t> g = {IAC, WILL, SGA,      IAC, DO,   SGA,
                                 IAC, WILL, ECHO_OPT, IAC, DONT, ECHO_OPT};
  if (b_.refuse_binary) {
    g.insert(g.end(), {IAC, DONT, BINARY, IAC, WONT, BINARY});
  } else {
    g.insert(g.end(), {IAC, DO, BINARY, IAC, WILL, BINARY});
  }
  g.insert(g.end(), {IAC, static_cast<std::uint8_t>(b_.refuse_com_port ? DONT : DO), COM_PORT});
  for (std::size_t i = 0; i + 2 < g.size(); i += 3)
    told_[g[i + 1] - WILL][g[i + 2]] = true;
  return g;
}

std::vector<std::uint8_t> PortServer::Receive(const std::uint8_t* p, std::size_t n,
                                              std::uint64_t time) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t c = p[i];
    switch (st_) {
      case St::kData:
        if (c == IAC)
          st_ = St::kIac;
        else
          events_.push_back({ServerEvent::kData, time, 0, c});
        break;
      case St::kIac:
        if (c == IAC) {
          events_.push_back({ServerEvent::kData, time, 0, IAC});
          st_ = St::kData;
        } else if (c >= WILL && c <= DONT) {
          verb_ = c;
          st_ = St::kVerb;
        } else if (c == SB) {
          st_ = St::kSbOpt;
        } else {
          st_ = St::kData;
        }
        break;
      case St::kVerb:
        Option(verb_, c, out, time);
        st_ = St::kData;
        break;
      case St::kSbOpt:
        sb_opt_ = c;
        sb_.clear();
        st_ = St::kSb;
        break;
      case St::kSb:
        if (c == IAC)
          st_ = St::kSbIac;
        else
          sb_.push_back(c);
        break;
      case St::kSbIac:
        if (c == IAC) {
          sb_.push_back(IAC);
          st_ = St::kSb;
        } else {
          if (c == SE && sb_opt_ == COM_PORT) Command(out, time);
          st_ = St::kData;
        }
        break;
    }
  }
  return out;
}

void PortServer::Option(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out,
                        std::uint64_t time) {
  events_.push_back({ServerEvent::kOption, time, verb, option});
  if (!b_.negotiate) return;
  // The server's side: WILL from the client asks for DO, DO asks for WILL.
  bool yes = false;
  std::uint8_t reply = 0;
  if (verb == WILL || verb == WONT) {
    yes = verb == WILL && (option == BINARY     ? !b_.refuse_binary
                           : option == COM_PORT ? !b_.refuse_com_port
                                                : option == SGA);
    reply = yes ? DO : DONT;
  } else {
    yes = verb == DO && (option == BINARY ? !b_.refuse_binary : option == SGA);
    reply = yes ? WILL : WONT;
  }
  // Say each thing once: no loops.
  if (told_[reply - WILL][option]) return;
  told_[reply - WILL][option] = true;
  out.insert(out.end(), {IAC, reply, option});
}

void PortServer::Command(std::vector<std::uint8_t>& out, std::uint64_t time) {
  if (sb_.empty()) return;
  const std::uint8_t code = sb_[0];
  std::uint32_t value = 0;
  for (std::size_t i = 1; i < sb_.size(); ++i)
    value = value << 8 | sb_[i];
  events_.push_back({ServerEvent::kCommand, time, code, value});
  const std::uint32_t applied = b_.apply && value != 0 ? b_.apply(code, value) : value;
  std::vector<std::uint8_t> answer;
  switch (code) {
    case 1:
      if (value) baud = applied;
      answer = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
      break;
    case 2:
      if (value) datasize = applied;
      answer = {static_cast<std::uint8_t>(datasize)};
      break;
    case 3:
      if (value) parity = applied;
      answer = {static_cast<std::uint8_t>(parity)};
      break;
    case 4:
      if (value) stopsize = applied;
      answer = {static_cast<std::uint8_t>(stopsize)};
      break;
    case 5: {
      const bool dtr_cmd = value >= 7 && value <= 9;
      const bool rts_cmd = value >= 10 && value <= 12;
      if ((dtr_cmd || rts_cmd) && !b_.answer_modem_lines) return;
      if (value == 0 || value == 13) {
        answer = {static_cast<std::uint8_t>(flow)};
      } else if (value <= 3) {
        flow = applied;
        answer = {static_cast<std::uint8_t>(flow)};
      } else if (dtr_cmd) {
        if (value != 7) dtr = applied == 8;
        answer = {static_cast<std::uint8_t>(dtr ? 8 : 9)};
      } else if (rts_cmd) {
        if (value != 10) rts = applied == 11;
        answer = {static_cast<std::uint8_t>(rts ? 11 : 12)};
      } else {
        answer = {static_cast<std::uint8_t>(applied)};
      }
      break;
    }
    case 12:
      answer = {static_cast<std::uint8_t>(applied)};
      break;
    default:
      return;
  }
  if (!b_.answer_commands) return;
  const auto sub = Sub(static_cast<std::uint8_t>(code + 100), answer);
  out.insert(out.end(), sub.begin(), sub.end());
}

std::vector<std::uint8_t> PortServer::DataReceived() const {
  std::vector<std::uint8_t> d;
  for (const ServerEvent& e : events_)
    if (e.kind == ServerEvent::kData) d.push_back(static_cast<std::uint8_t>(e.value));
  return d;
}

std::vector<std::uint32_t> PortServer::Commands(std::uint8_t code) const {
  std::vector<std::uint32_t> v;
  for (const ServerEvent& e : events_)
    if (e.kind == ServerEvent::kCommand && e.code == code) v.push_back(e.value);
  return v;
}

std::vector<std::uint64_t> PortServer::CommandTimes(std::uint8_t code) const {
  std::vector<std::uint64_t> v;
  for (const ServerEvent& e : events_)
    if (e.kind == ServerEvent::kCommand && e.code == code) v.push_back(e.time);
  return v;
}

std::vector<std::uint8_t> PortServer::Data(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> out;
  for (std::uint8_t b : bytes) {
    out.push_back(b);
    if (b == IAC) out.push_back(IAC);
  }
  return out;
}

std::vector<std::uint8_t> PortServer::Sub(std::uint8_t code,
                                          const std::vector<std::uint8_t>& value) {
  std::vector<std::uint8_t> out = {IAC, SB, COM_PORT, code};
  const auto v = Data(value);
  out.insert(out.end(), v.begin(), v.end());
  out.insert(out.end(), {IAC, SE});
  return out;
}

}  // namespace testnet
