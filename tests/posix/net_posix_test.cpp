// Remote ports through the POSIX platform layer: names from the port
// directory and the environment, TCP to a port server on 127.0.0.1 (the
// test's own, on a thread), and the error texts.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/rfc2217/net_device.h"
#include "tests/support/port_server.h"
#include "tests/support/pty.h"
#include "tests/support/ser2net.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string ErrorText() {
  char* t = PlatformErrorText(PlatformLastError());
  std::string s = t;
  PlatformFreeErrorText(t);
  return s;
}

// A port server on a thread: one connection, the test's PortServer behind
// it, echoing the data it receives.
class ThreadServer {
 public:
  ThreadServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(listener_, 4);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ThreadServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
  // Ends the connection from the server's side.
  void Drop() { drop_ = true; }
  std::vector<std::uint32_t> Commands(std::uint8_t code) {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_.Commands(code);
  }

 private:
  void Serve() {
    int fd = -1;
    while (!stop_) {
      if (fd < 0) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
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
    }
    if (fd >= 0) close(fd);
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> drop_{false};
  std::mutex mutex_;
  testnet::PortServer server_;
};

LineSettings Settings9600(bool rts) {
  LineSettings s{};
  s.DCBlength = sizeof s;
  s.BaudRate = 9600;
  s.fBinary = 1;
  s.ByteSize = 8;
  s.fDtrControl = kDtrControlDisable;
  s.fRtsControl = rts ? kRtsControlEnable : kRtsControlDisable;
  return s;
}

TEST(NetPosix, PortsNamedByALinkToAUrlOrByTheEnvironment) {
  testpty::TempDir dir;
  dir.LinkPort(3, "rfc2217://lab-pi:2217");
  dir.LinkPort(4, "/dev/ttyUSB0");
  setenv("PADLINK_PORT_DIR", dir.path().c_str(), 1);
  char name[kMaxDeviceName];
  // The link's target is the name; it is read, not opened.
  ASSERT_TRUE(SerialDeviceName(3, name, sizeof name));
  EXPECT_STREQ(name, "rfc2217://lab-pi:2217");
  ASSERT_TRUE(SerialDeviceName(4, name, sizeof name));
  EXPECT_EQ(std::string(name), dir.path() + "/com4");
  // The environment names a port wherever the directory points.
  setenv("PADLINK_PORT_4", "rfc2217://[::1]:7000", 1);
  ASSERT_TRUE(SerialDeviceName(4, name, sizeof name));
  EXPECT_STREQ(name, "rfc2217://[::1]:7000");
  setenv("PADLINK_PORT_4", "", 1);  // empty: as unset
  ASSERT_TRUE(SerialDeviceName(4, name, sizeof name));
  EXPECT_EQ(std::string(name), dir.path() + "/com4");
  setenv("PADLINK_PORT_4", "lab-pi:2217", 1);
  EXPECT_FALSE(SerialDeviceName(4, name, sizeof name));
  EXPECT_EQ(ErrorText(),
            "The port's address is not a valid URL (rfc2217://host:port): PADLINK_PORT_4 holds "
            "\"lab-pi:2217\"");
  unsetenv("PADLINK_PORT_4");
  unsetenv("PADLINK_PORT_DIR");
  // Without a port directory too.
  setenv("PADLINK_PORT_9", "rfc2217://lab-pi:2217", 1);
  ASSERT_TRUE(SerialDeviceName(9, name, sizeof name));
  EXPECT_STREQ(name, "rfc2217://lab-pi:2217");
  unsetenv("PADLINK_PORT_9");
}

TEST(NetPosix, ARemotePortWorksThroughTheSerialCalls) {
  ThreadServer server;
  const PlatformHandle h = SerialOpen(server.url().c_str());
  ASSERT_NE(h, kInvalidPlatformHandle) << ErrorText();
  ASSERT_TRUE(SerialSetQueues(h, 256, 256));
  const LineSettings s = Settings9600(false);
  ASSERT_TRUE(SerialSetSettings(h, &s)) << ErrorText();
  LineSettings back{};
  ASSERT_TRUE(SerialGetSettings(h, &back));
  EXPECT_EQ(back, s);
  const PortTimeouts t{1000, 0, 1000, 0, 1000};
  ASSERT_TRUE(SerialSetTimeouts(h, &t));
  // Every byte value there and back (the server echoes).
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i)
    all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(SerialWrite(h, all.data(), 256), 256);
  std::vector<std::uint8_t> got(256);
  ASSERT_EQ(SerialRead(h, got.data(), 256), 256);
  EXPECT_EQ(got, all);
  std::int32_t count = -1;
  ASSERT_TRUE(SerialInputCount(h, &count));
  EXPECT_EQ(count, 0);
  ASSERT_TRUE(SerialEscape(h, RtsEscape::kClear));
  ASSERT_TRUE(SerialEscape(h, RtsEscape::kSet));
  // A round trip so that the server has seen the RTS changes.
  ASSERT_EQ(SerialWrite(h, all.data(), 1), 1);
  ASSERT_EQ(SerialRead(h, got.data(), 1), 1);
  EXPECT_THAT(server.Commands(5), ::testing::ElementsAre(1u, 9u, 12u, 0u, 12u, 11u));
  EXPECT_TRUE(SerialClose(h));
  EXPECT_FALSE(SerialClose(h));
}

TEST(NetPosix, ALostConnectionFailsReadsAndWritesWithTheReason) {
  ThreadServer server;
  const PlatformHandle h = SerialOpen(server.url().c_str());
  ASSERT_NE(h, kInvalidPlatformHandle) << ErrorText();
  const PortTimeouts t{1000, 0, 1000, 0, 1000};
  ASSERT_TRUE(SerialSetTimeouts(h, &t));
  server.Drop();
  std::uint8_t b = 0;
  EXPECT_EQ(SerialRead(h, &b, 1), 0);
  EXPECT_EQ(ErrorText(), "The connection to the port server was lost: closed by the server");
  EXPECT_EQ(SerialWrite(h, &b, 1), 0);
  EXPECT_FALSE(SerialEscape(h, RtsEscape::kClear));
  EXPECT_THAT(ErrorText(), StartsWith("The connection to the port server was lost"));
  EXPECT_TRUE(SerialClose(h));
}

TEST(NetPosix, OpenErrorsNameTheirReason) {
  const std::string refused = "rfc2217://127.0.0.1:" + std::to_string(testnet::FreeLoopbackPort());
  EXPECT_EQ(SerialOpen(refused.c_str()), kInvalidPlatformHandle);
  EXPECT_EQ(ErrorText(),
            "Cannot connect to the port server: " + refused.substr(10) + ": Connection refused");
  EXPECT_EQ(SerialOpen("rfc2217://no-such-host.invalid:2217"), kInvalidPlatformHandle);
  EXPECT_THAT(ErrorText(), StartsWith("The port server's host name cannot be resolved: "
                                      "no-such-host.invalid: "));
  EXPECT_EQ(SerialOpen("telnet://lab-pi:23"), kInvalidPlatformHandle);
  EXPECT_THAT(ErrorText(), HasSubstr("unknown scheme"));
  // A name that is not a URL is still a file.
  EXPECT_EQ(SerialOpen("/nonexistent/rfc2217:"), kInvalidPlatformHandle);
  EXPECT_EQ(ErrorText(), "No such file or directory");
}

}  // namespace
