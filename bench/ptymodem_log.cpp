#include "bench/ptymodem_log.h"

#include <sys/ioctl.h>

#include <fstream>
#include <sstream>

std::vector<Event> ReadLog(const std::string& path) {
  std::vector<Event> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '\0') break;  // the unused tail of a killed program's log
    std::istringstream f(line);
    Event e;
    std::string fd;
    if (!(f >> e.ns >> fd >> e.dev >> e.kind)) continue;
    std::getline(f >> std::ws, e.data);
    out.push_back(e);
  }
  return out;
}

std::vector<std::uint8_t> Hex(const std::string& s) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < s.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

int FrameLength(std::uint8_t first) {
  return first == 0xE2 ? 3 : first == 0xF7 ? 4 : 1;
}

std::string PortDevice(const std::vector<Event>& log) {
  for (const Event& e : log) {
    if (e.kind == 'M') return e.dev;
  }
  for (const Event& e : log) {
    if (e.kind == 'W' && e.dev.rfind("pts", 0) == 0) return e.dev;
  }
  return "";
}

bool IsPassPause(long long asked_ns) {
  return asked_ns > 4000000 && asked_ns <= 5000000;
}

void StrobeTimes(const std::vector<Event>& log, std::vector<double>* commands,
                 std::vector<double>* requests) {
  const std::string port = PortDevice(log);
  int request_left = 0;
  bool in_request = false;
  bool rts = true;
  std::uint64_t cleared = 0;
  for (const Event& e : log) {
    if (e.dev != port) continue;
    if (e.kind == 'W') {
      for (std::uint8_t b : Hex(e.data)) {
        if (request_left == 0) {
          request_left = FrameLength(b);
          in_request = request_left > 1;
        }
        --request_left;
      }
    } else if (e.kind == 'M') {
      const bool on = std::stoi(e.data.substr(0, 4), nullptr, 16) & TIOCM_RTS;
      if (rts && !on) cleared = e.ns;
      if (!rts && on && cleared) {
        const double ms = static_cast<double>(e.ns - cleared) / 1e6;
        if (in_request && requests) requests->push_back(ms);
        if (!in_request && commands) commands->push_back(ms);
      }
      rts = on;
    }
  }
}
