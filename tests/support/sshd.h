// The real OpenSSH for the tests: an sshd on 127.0.0.1 at a free port, run
// as the current user from a configuration, a host key and a client key
// made for the test in a temporary directory; and the arguments of the ssh
// that forwards a local port through it (ssh -N -L).
#pragma once

#include <string>
#include <vector>

#include "tests/support/pty.h"

namespace testnet {

// The sshd and ssh programs, or "" when they are not installed.
std::string SshdPath();
std::string SshPath();

class Sshd {
 public:
  Sshd() = default;
  ~Sshd() { Stop(); }
  Sshd(const Sshd&) = delete;
  Sshd& operator=(const Sshd&) = delete;

  // Makes the keys and starts sshd. It lets in the client's key alone, and
  // only to forward connections to 127.0.0.1:target_port (restrict,
  // port-forwarding, permitopen), with a forced command that does nothing
  // in place of any command or shell, as a station's authorized_keys would;
  // the stranger's key is another. False (with the reason in error()) when it
  // does not start listening within 5 s.
  bool Start(int target_port);
  void Stop();

  // The ssh command that forwards 127.0.0.1:local_port through sshd to
  // 127.0.0.1:target_port, logging in with the client's key, or with the
  // stranger's.
  std::vector<std::string> ForwardCommand(int local_port, int target_port,
                                          bool stranger = false) const;
  // The ssh command that logs in with the client's key and asks for
  // `remote`: a command, or a shell when empty.
  std::vector<std::string> LoginCommand(const std::vector<std::string>& remote) const;

  int port() const { return port_; }
  const std::string& error() const { return error_; }

 private:
  bool MakeKey(const std::string& path);

  testpty::TempDir dir_;
  testpty::Child child_;
  int port_ = 0;
  std::string error_;
};

}  // namespace testnet
