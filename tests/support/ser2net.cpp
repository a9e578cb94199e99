#include "tests/support/ser2net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testnet {

std::string Ser2netPath() {
  std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
  dirs += ":/usr/sbin:/usr/local/sbin:/sbin";
  std::istringstream in(dirs);
  for (std::string dir; std::getline(in, dir, ':');) {
    const std::string path = dir + "/ser2net";
    if (!dir.empty() && access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

// The listening sockets in /proc/net/tcp.
bool Listening(int port) {
  std::ifstream tcp("/proc/net/tcp");
  char want[32];
  std::snprintf(want, sizeof want, "0100007F:%04X", static_cast<unsigned>(port));
  std::string line;
  std::getline(tcp, line);  // the header
  while (std::getline(tcp, line)) {
    std::istringstream f(line);
    std::string slot, local, remote, state;
    f >> slot >> local >> remote >> state;
    if (local == want && state == "0A") return true;
  }
  return false;
}

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(fd);
    return 0;
  }
  close(fd);
  return ntohs(a.sin_port);
}

bool Ser2net::Start(const std::string& device, const std::string& preload,
                    const std::string& modem_log, int port) {
  const std::string program = Ser2netPath();
  if (program.empty()) {
    error_ = "ser2net is not installed (apt-get install ser2net; .ci/run does)";
    return false;
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    port_ = port != 0 ? port : FreeLoopbackPort();
    const std::string config = dir_.path() + "/ser2net.yaml";
    std::ofstream(config) << "connection: &robot\n"
                          << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port_ << "\n"
                          << "  connector: serialdev," << device << ",9600n81,local\n"
                          << "  options:\n"
                          << "    max-connections: 1\n"
                          << "    chardelay: false\n"
                          << options_;
    testpty::ChildOptions o;
    o.argv = {program, "-n", "-u", "-c", config, "-P", dir_.path() + "/ser2net.pid"};
    if (!preload.empty()) o.env = {"LD_PRELOAD=" + preload, "PADLINK_MODEM_LOG=" + modem_log};
    child_ = testpty::Spawn(o);
    for (int i = 0; i < 100; ++i) {
      if (Listening(port_)) return true;
      int status = 0;
      if (waitpid(child_.pid, &status, WNOHANG) == child_.pid) {  // it ended: the port was taken
        child_.pid = -1;
        break;
      }
      testpty::SleepMs(50);
    }
    Stop();
  }
  error_ = "ser2net did not start listening: " + child_.err_text;
  return false;
}

void Ser2net::Stop() {
  if (child_.pid <= 0) return;
  kill(child_.pid, SIGTERM);
  kill(child_.pid, SIGCONT);  // a stopped server, too
  int status = 0;
  testpty::Wait(child_, 5000, &status);
  child_.pid = -1;
}

}  // namespace testnet
