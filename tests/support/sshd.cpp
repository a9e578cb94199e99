#include "tests/support/sshd.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/ser2net.h"

namespace testnet {

namespace {

std::string FindProgram(const std::string& name) {
  std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
  dirs += ":/usr/sbin:/usr/local/sbin:/sbin";
  std::istringstream in(dirs);
  for (std::string dir; std::getline(in, dir, ':');) {
    const std::string path = dir + "/" + name;
    if (!dir.empty() && access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

std::string UserName() {
  const passwd* pw = getpwuid(geteuid());
  return pw ? pw->pw_name : "root";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

std::string SshdPath() {
  return FindProgram("sshd");
}

std::string SshPath() {
  return FindProgram("ssh");
}

bool Sshd::MakeKey(const std::string& path) {
  testpty::ChildOptions o;
  o.argv = {
      FindProgram("ssh-keygen"), "-q", "-t", "ed25519", "-N", "", "-C", "padlink-test", "-f", path};
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  if (testpty::Wait(c, 10000, &status) && testpty::ExitCode(status) == 0) return true;
  error_ = "ssh-keygen failed: " + c.err_text;
  return false;
}

bool Sshd::Start(int target_port) {
  const std::string program = SshdPath();
  if (program.empty() || SshPath().empty() || FindProgram("ssh-keygen").empty()) {
    error_ =
        "OpenSSH is not installed (apt-get install openssh-server openssh-client; "
        ".ci/run does)";
    return false;
  }
  const std::string d = dir_.path();
  if (!MakeKey(d + "/host_key") || !MakeKey(d + "/client_key") || !MakeKey(d + "/stranger_key"))
    return false;
  std::ofstream(d + "/authorized_keys")
      << "restrict,port-forwarding,permitopen=\"127.0.0.1:" << target_port
      << "\",command=\"/bin/false\" " << ReadFile(d + "/client_key.pub");
  // sshd started by root separates its privileges into this directory,
  // which the system makes when it starts its own sshd.
  if (geteuid() == 0) mkdir("/run/sshd", 0755);
  for (int attempt = 0; attempt < 3; ++attempt) {
    port_ = FreeLoopbackPort();
    std::ofstream(d + "/sshd_config") << "ListenAddress 127.0.0.1:" << port_ << "\n"
                                      << "HostKey " << d << "/host_key\n"
                                      << "AuthorizedKeysFile " << d << "/authorized_keys\n"
                                      << "PidFile " << d << "/sshd.pid\n"
                                      << "AllowUsers " << UserName() << "\n"
                                      << "PermitRootLogin prohibit-password\n"
                                      << "PasswordAuthentication no\n"
                                      << "KbdInteractiveAuthentication no\n"
                                      << "UsePAM no\n"
                                      << "StrictModes no\n"
                                      << "AllowTcpForwarding local\n"
                                      << "X11Forwarding no\n";
    std::ofstream(d + "/known_hosts")
        << "[127.0.0.1]:" << port_ << " " << ReadFile(d + "/host_key.pub");
    testpty::ChildOptions o;
    o.argv = {program, "-D", "-e", "-f", d + "/sshd_config"};
    child_ = testpty::Spawn(o);
    for (int i = 0; i < 100; ++i) {
      if (Listening(port_)) return true;
      int status = 0;
      if (waitpid(child_.pid, &status, WNOHANG) == child_.pid) {  // it ended: the port was taken
        testpty::WaitForOutput(child_, "", 0, true);
        child_.pid = -1;
        break;
      }
      testpty::SleepMs(50);
    }
    Stop();
  }
  error_ = "sshd did not start listening: " + child_.err_text;
  return false;
}

void Sshd::Stop() {
  if (child_.pid <= 0) return;
  kill(child_.pid, SIGTERM);
  int status = 0;
  testpty::Wait(child_, 5000, &status);
  child_.pid = -1;
}

namespace {

// ssh with the key, against this sshd's host key alone, never asking.
std::vector<std::string> SshWithKey(const std::string& dir, int port, const std::string& key) {
  return {SshPath(),
          "-F",
          "/dev/null",
          "-p",
          std::to_string(port),
          "-i",
          dir + "/" + key,
          "-o",
          "IdentitiesOnly=yes",
          "-o",
          "BatchMode=yes",
          "-o",
          "StrictHostKeyChecking=yes",
          "-o",
          "UserKnownHostsFile=" + dir + "/known_hosts"};
}

}  // namespace

std::vector<std::string> Sshd::ForwardCommand(int local_port, int target_port,
                                              bool stranger) const {
  std::vector<std::string> argv =
      SshWithKey(dir_.path(), port_, stranger ? "stranger_key" : "client_key");
  for (const std::string& a :
       {std::string("-o"), std::string("ExitOnForwardFailure=yes"), std::string("-N"),
        std::string("-L"), std::to_string(local_port) + ":127.0.0.1:" + std::to_string(target_port),
        UserName() + "@127.0.0.1"})
    argv.push_back(a);
  return argv;
}

std::vector<std::string> Sshd::LoginCommand(const std::vector<std::string>& remote) const {
  std::vector<std::string> argv = SshWithKey(dir_.path(), port_, "client_key");
  argv.push_back(UserName() + "@127.0.0.1");
  argv.insert(argv.end(), remote.begin(), remote.end());
  return argv;
}

}  // namespace testnet
