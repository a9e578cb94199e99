// TCP connections of the POSIX platform layer and remote ports over them:
// a port server on 127.0.0.1 (the test's own, on a thread), the bytes both
// ways, the end of a connection from either side, and the error texts.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/connection.h"
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"
#include "tests/support/port_server.h"
#include "tests/support/ser2net.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

template <typename T>
std::string Err(const SysResult<T>& r) {
  return r ? std::string() : r.error().text;
}

// A link-local IPv6 address of this machine, as text, with the name of its
// interface; two empty strings when there is none.
std::pair<std::string, std::string> LinkLocalAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::pair<std::string, std::string> found;
  for (const ifaddrs* i = list; i && found.first.empty(); i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET6 || !(i->ifa_flags & IFF_UP)) continue;
    const auto* a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
    char text[INET6_ADDRSTRLEN];
    if (IN6_IS_ADDR_LINKLOCAL(&a->sin6_addr) &&
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text))
      found = {text, i->ifa_name};
  }
  freeifaddrs(list);
  return found;
}

// A listening socket on 127.0.0.1, or on a link-local IPv6 address of the
// interface named.
class Listener {
 public:
  Listener(const std::string& ipv6 = "", const std::string& interface = "") {
    sockaddr_storage s{};
    socklen_t len = 0;
    if (ipv6.empty()) {
      auto* a = reinterpret_cast<sockaddr_in*>(&s);
      a->sin_family = AF_INET;
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      len = sizeof *a;
    } else {
      auto* a = reinterpret_cast<sockaddr_in6*>(&s);
      a->sin6_family = AF_INET6;
      inet_pton(AF_INET6, ipv6.c_str(), &a->sin6_addr);
      a->sin6_scope_id = if_nametoindex(interface.c_str());
      len = sizeof *a;
    }
    fd_ = socket(s.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bind(fd_, reinterpret_cast<sockaddr*>(&s), len);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&s), &len);
    port_ = ntohs(s.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&s)->sin_port
                                         : reinterpret_cast<sockaddr_in6*>(&s)->sin6_port);
    listen(fd_, 4);
  }
  ~Listener() { close(fd_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int fd() const { return fd_; }
  std::uint16_t port() const { return port_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// A port server on a thread: one connection, the test's PortServer behind
// it, echoing the data it receives. It can send data of its own first,
// ahead of its greeting and answers.
class ThreadServer {
 public:
  explicit ThreadServer(std::size_t data_first = 0, const std::string& ipv6 = "",
                        const std::string& interface = "")
      : data_first_(data_first), listener_(ipv6, interface) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~ThreadServer() {
    stop_ = true;
    thread_.join();
  }
  ThreadServer(const ThreadServer&) = delete;
  ThreadServer& operator=(const ThreadServer&) = delete;

  std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(listener_.port()); }
  std::uint16_t port() const { return listener_.port(); }
  // Ends the connection from the server's side.
  void Drop() { drop_ = true; }
  std::vector<std::uint32_t> Commands(std::uint8_t code) {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_.Commands(code);
  }
  std::vector<std::uint8_t> DataReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_.DataReceived();
  }
  // How many replies the server has sent; once send returned, a reply is in
  // the client's receive queue.
  int replies() const { return replies_; }
  // How the client's connection ended: "" while it lasts, "end" for an
  // orderly end, else the error's text ("Connection reset by peer").
  std::string ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
  }

 private:
  void Serve() {
    int fd = -1;
    while (!stop_) {
      if (fd < 0) {
        pollfd p{listener_.fd(), POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        fd = accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        const auto data = testnet::PortServer::Data(std::vector<std::uint8_t>(data_first_, 'x'));
        for (std::size_t sent = 0; sent < data.size();) {
          const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
          if (n <= 0) break;
          sent += static_cast<std::size_t>(n);
        }
        const auto g = server_.Greeting();
        send(fd, g.data(), g.size(), MSG_NOSIGNAL);
        continue;
      }
      if (drop_) {
        close(fd);
        fd = -1;
        drop_ = false;
        continue;
      }
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      std::uint8_t buf[4096];
      const ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) {
        const int e = errno;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          ended_ = n == 0 ? "end" : std::strerror(e);
        }
        close(fd);
        fd = -1;
        continue;
      }
      std::vector<std::uint8_t> reply;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t before = server_.DataReceived().size();
        reply = server_.Receive(buf, static_cast<std::size_t>(n), 0);
        const auto data = server_.DataReceived();
        const auto echo = testnet::PortServer::Data(
            std::vector<std::uint8_t>(data.begin() + static_cast<long>(before), data.end()));
        reply.insert(reply.end(), echo.begin(), echo.end());
      }
      send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      ++replies_;
    }
    if (fd >= 0) close(fd);
  }

  std::size_t data_first_;
  Listener listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> drop_{false};
  std::atomic<int> replies_{0};
  std::mutex mutex_;
  testnet::PortServer server_;
  std::string ended_;
};

LineConfig Settings9600(bool rts) {
  LineConfig c;
  c.dtr = LineControl::kOff;
  c.rts = rts ? LineControl::kOn : LineControl::kOff;
  return c;
}

TEST(NetPosix, AConnectionMovesBytesWithoutWaitingAndReportsItsEnd) {
  Listener listener;
  SysResult<std::unique_ptr<Connection>> made =
      PlatformConnectTcp("127.0.0.1", listener.port(), 5000);
  ASSERT_TRUE(made) << made.error().text;
  Connection& c = **made;
  const int peer = accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
  ASSERT_GE(peer, 0);
  std::uint8_t buf[16];
  // Nothing there: no wait, and a wait to a deadline that has passed ends.
  EXPECT_EQ(*c.Receive(buf, sizeof buf), 0);
  EXPECT_FALSE(c.WaitReadable(c.NowMs()));
  ASSERT_EQ(send(peer, "abc", 3, MSG_NOSIGNAL), 3);
  ASSERT_TRUE(c.WaitReadable(kNoDeadlineMs));
  ASSERT_EQ(*c.Receive(buf, sizeof buf), 3);
  EXPECT_EQ(std::string(buf, buf + 3), "abc");
  ASSERT_TRUE(c.WaitWritable(kNoDeadlineMs));
  ASSERT_EQ(*c.Send(reinterpret_cast<const std::uint8_t*>("xyz"), 3), 3);
  char got[4] = {};
  ASSERT_EQ(recv(peer, got, 3, MSG_WAITALL), 3);
  EXPECT_STREQ(got, "xyz");
  // The other end closes: the end is reported, not an error.
  close(peer);
  ASSERT_TRUE(c.WaitReadable(kNoDeadlineMs));
  const SysResult<std::int32_t> ended = c.Receive(buf, sizeof buf);
  ASSERT_FALSE(ended);
  EXPECT_EQ(ended.error().kind, ErrorKind::kEnded);
}

// How a connection ends shows in the kind of the failure that reports it:
// the other end's close is an orderly end, its reset a connection gone.
TEST(NetPosix, TheEndOfAConnectionHasItsKind) {
  struct Case {
    const char* name;
    bool reset;  // the other end resets the connection (closes lingering 0 s)
    ErrorKind kind;
  };
  const Case cases[] = {
      {"closed", false, ErrorKind::kEnded},
      {"reset", true, ErrorKind::kGone},
  };
  for (const Case& c : cases) {
    Listener listener;
    SysResult<std::unique_ptr<Connection>> made =
        PlatformConnectTcp("127.0.0.1", listener.port(), 5000);
    ASSERT_TRUE(made) << made.error().text;
    const int peer = accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    ASSERT_GE(peer, 0);
    if (c.reset) {
      const linger now{1, 0};
      ASSERT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, &now, sizeof now), 0);
    }
    close(peer);
    ASSERT_TRUE((*made)->WaitReadable(kNoDeadlineMs)) << c.name;
    std::uint8_t buf[4];
    const SysResult<std::int32_t> r = (*made)->Receive(buf, sizeof buf);
    ASSERT_FALSE(r) << c.name;
    EXPECT_EQ(r.error().kind, c.kind) << c.name << ": " << r.error().text;
  }
}

TEST(NetPosix, ARemotePortWorksOverTheConnection) {
  ThreadServer server;
  SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(server.url());
  ASSERT_TRUE(opened) << opened.error().text;
  Port& p = **opened;
  const LineConfig s = Settings9600(false);
  ASSERT_EQ(Err(p.Configure(s)), "");
  EXPECT_EQ(*p.GetConfig(), s);
  // Every byte value there and back (the server echoes).
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(*p.Write(all.data(), 256, 1000), 256);
  std::vector<std::uint8_t> got(256);
  ASSERT_EQ(*p.Read(got.data(), 256, 5000), 256);
  EXPECT_EQ(got, all);
  EXPECT_EQ(*p.Waiting(), 0);
  ASSERT_TRUE(p.SetRts(false));
  ASSERT_TRUE(p.SetRts(true));
  // A round trip so that the server has seen the RTS changes.
  ASSERT_EQ(*p.Write(all.data(), 1, 1000), 1);
  ASSERT_EQ(*p.WaitFor(1, 5000), 1);
  ASSERT_EQ(*p.Read(got.data(), 1, 0), 1);
  EXPECT_THAT(server.Commands(5), ElementsAre(1u, 9u, 12u, 0u, 12u, 11u));
  EXPECT_TRUE(p.Close());
  EXPECT_EQ(Err(p.Close()), "Not an open remote port");
}

// Closing with the server's answers and echoes still unread in the socket:
// the server takes every byte and then an orderly end. (Closing a socket
// with bytes unread resets the connection instead, and a reset throws away
// what is still on its way.)
TEST(NetPosix, ClosingARemotePortEndsItsConnectionInOrder) {
  ThreadServer server;
  SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(server.url());
  ASSERT_TRUE(opened) << opened.error().text;
  Port& p = **opened;
  ASSERT_EQ(Err(p.Configure(Settings9600(true))), "");
  ASSERT_TRUE(p.SetRts(false));
  ASSERT_TRUE(p.SetRts(true));
  const std::uint8_t stop = 5;
  const int before = server.replies();
  ASSERT_EQ(*p.Write(&stop, 1, 1000), 1);
  // The echo of the last byte has come back and waits unread.
  for (int i = 0; i < 500 && server.replies() == before; ++i)
    testpty::SleepMs(10);
  ASSERT_GT(server.replies(), before);
  EXPECT_TRUE(p.Close());
  for (int i = 0; i < 500 && server.ended().empty(); ++i)
    testpty::SleepMs(10);
  EXPECT_EQ(server.ended(), "end");
  EXPECT_THAT(server.DataReceived(), ElementsAre(stop));
  EXPECT_EQ(server.Commands(5).back(), 11u);  // RTS on
}

// 64 KB of data ahead of the server's greeting and answers, 16 times what
// the port holds: the open reads through it to the answers.
TEST(NetPosix, ARemotePortOpensBehindAFloodOfData) {
  ThreadServer server(65536);
  SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(server.url());
  ASSERT_TRUE(opened) << opened.error().text;
  EXPECT_EQ(*(*opened)->Waiting(), 0);
  ASSERT_EQ(Err((*opened)->Configure(Settings9600(false))), "");
  EXPECT_THAT(server.Commands(12), ElementsAre(3u));  // the purge
}

// A port server on a link-local IPv6 address: reached with the zone in
// either spelling; without it the system cannot tell the network, and the
// failure says what is missing.
TEST(NetPosix, ALinkLocalPortServerIsReachedThroughItsZone) {
  const auto [address, interface] = LinkLocalAddress();
  if (address.empty()) GTEST_SKIP() << "no link-local IPv6 address here";
  ThreadServer server(0, address, interface);
  const std::string port = std::to_string(server.port());
  for (const char* percent : {"%25", "%"}) {
    const std::string url = "rfc2217://[" + address + percent + interface + "]:" + port;
    SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(url);
    ASSERT_TRUE(opened) << url << ": " << opened.error().text;
    EXPECT_EQ(Err((*opened)->Configure(Settings9600(false))), "");
  }
  SysResult<std::unique_ptr<Port>> opened =
      rfc2217::OpenRemotePort("rfc2217://[" + address + "]:" + port);
  EXPECT_EQ(Err(opened), "Cannot connect to the port server: " + address + ":" + port +
                             ": Invalid argument (a link-local address needs its network "
                             "interface, as in [fe80::2%eth0])");
}

TEST(NetPosix, ALostConnectionFailsReadsAndWritesWithTheReason) {
  ThreadServer server;
  SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(server.url());
  ASSERT_TRUE(opened) << opened.error().text;
  Port& p = **opened;
  server.Drop();
  std::uint8_t b = 0;
  const SysResult<std::int32_t> read = p.Read(&b, 1, 5000);
  EXPECT_EQ(Err(read), "The connection to the port server was lost: closed by the server");
  EXPECT_EQ(read.error().kind, ErrorKind::kGone);
  EXPECT_THAT(Err(p.Write(&b, 1, 1000)), StartsWith("The connection to the port server was lost"));
  EXPECT_THAT(Err(p.SetRts(false)), StartsWith("The connection to the port server was lost"));
  EXPECT_TRUE(p.Close());
}

TEST(NetPosix, OpenErrorsNameTheirReason) {
  const std::string refused = "rfc2217://127.0.0.1:" + std::to_string(testnet::FreeLoopbackPort());
  SysResult<std::unique_ptr<Port>> opened = rfc2217::OpenRemotePort(refused);
  EXPECT_EQ(opened.error().code, rfc2217::kNetErrConnect);
  EXPECT_EQ(opened.error().kind, ErrorKind::kRefused);
  EXPECT_EQ(Err(opened),
            "Cannot connect to the port server: " + refused.substr(10) + ": Connection refused");
  opened = rfc2217::OpenRemotePort("rfc2217://no-such-host.invalid:2217");
  EXPECT_EQ(opened.error().code, rfc2217::kNetErrHostNotFound);
  EXPECT_THAT(Err(opened), StartsWith("The port server's host name cannot be resolved: "
                                      "no-such-host.invalid: "));
  opened = rfc2217::OpenRemotePort("telnet://lab-pi:23");
  EXPECT_THAT(Err(opened), HasSubstr("unknown scheme"));
}

}  // namespace
