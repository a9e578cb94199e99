// The real ser2net for the tests and the benchmark: serves a device over
// telnet COM-PORT-OPTION (RFC 2217) on 127.0.0.1 at a free port, from a
// configuration in a temporary directory, in the foreground.
#pragma once

#include <string>

#include "tests/support/pty.h"

namespace testnet {

// The ser2net program, or "" when it is not installed.
std::string Ser2netPath();

// A TCP port on 127.0.0.1 that nothing listens on just now.
int FreeLoopbackPort();
// Whether something listens on 127.0.0.1:port, seen without connecting (a
// connection would be a session of the server).
bool Listening(int port);

class Ser2net {
 public:
  Ser2net() = default;
  ~Ser2net() { Stop(); }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  // Serves `device`; with `preload`, that library is preloaded into ser2net
  // with PADLINK_MODEM_LOG=modem_log. On `port` when it is not 0 (a server
  // started again where it was), else on a free one. False (with the reason
  // in error()) when it does not start listening within 5 s.
  bool Start(const std::string& device, const std::string& preload = "",
             const std::string& modem_log = "", int port = 0);
  void Stop();
  // Adds an option line (closestr: ...) to the connection's options; for
  // the next Start.
  void AddOption(const std::string& option) { options_ += "    " + option + "\n"; }

  int port() const { return port_; }
  // The server's process (to stop and continue it), or -1.
  pid_t pid() const { return child_.pid; }
  std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
  const std::string& error() const { return error_; }

 private:
  testpty::TempDir dir_;
  testpty::Child child_;
  int port_ = 0;
  std::string options_;
  std::string error_;
};

}  // namespace testnet
