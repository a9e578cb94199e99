// TCP connections through POSIX sockets.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/connection.h"
#include "platform/posix/posix_internal.h"

namespace {

#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed connection is an error, not a signal
#else
constexpr int kSendFlags = 0;
#endif

// Milliseconds to the deadline for poll, -1 for none.
int PollTimeout(std::uint64_t deadline) {
  if (deadline == kNoDeadlineMs) return -1;
  const std::uint64_t now = PosixMonotonicMs();
  if (now >= deadline) return 0;
  const std::uint64_t left = deadline - now;
  return left > (1u << 30) ? (1 << 30) : static_cast<int>(left);
}

// What a failure of a connection that was made means: reset, aborted or
// cut off by the network, it is gone.
ErrorKind BrokenKind(int code) {
  switch (code) {
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
    case ENOTCONN:
    case ENETRESET:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
      return ErrorKind::kGone;
    default:
      return ErrorKind::kOther;
  }
}

SysError SocketError(int code) {
  return SysError{code, std::strerror(code), BrokenKind(code)};
}

// What a connection that did not come about means.
ErrorKind ConnectKind(int code) {
  switch (code) {
    case ECONNREFUSED:
    case EACCES:
    case EPERM:
      return ErrorKind::kRefused;
    case ETIMEDOUT:
      return ErrorKind::kTimedOut;
    default:
      return ErrorKind::kOther;
  }
}

class SocketConnection final : public Connection {
 public:
  explicit SocketConnection(int fd) : fd_(fd) {}
  ~SocketConnection() override { close(fd_); }

  SysResult<std::int32_t> Send(const std::uint8_t* bytes, std::int32_t n) override {
    for (;;) {
      const ssize_t r = send(fd_, bytes, static_cast<std::size_t>(n), kSendFlags);
      if (r >= 0) return static_cast<std::int32_t>(r);
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
      return Fail(SocketError(errno));
    }
  }

  SysResult<std::int32_t> Receive(std::uint8_t* bytes, std::int32_t n) override {
    for (;;) {
      const ssize_t r = recv(fd_, bytes, static_cast<std::size_t>(n), 0);
      if (r > 0) return static_cast<std::int32_t>(r);
      if (r == 0) return Fail(SysError{0, "", ErrorKind::kEnded});
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
      return Fail(SocketError(errno));
    }
  }

  SysResult<void> EndSending() override {
    if (shutdown(fd_, SHUT_WR) != 0) return Fail(SocketError(errno));
    return {};
  }

  bool WaitReadable(std::uint64_t deadline_ms) override { return Wait(POLLIN, deadline_ms); }
  bool WaitWritable(std::uint64_t deadline_ms) override { return Wait(POLLOUT, deadline_ms); }
  std::uint64_t NowMs() override { return PosixMonotonicMs(); }

 private:
  bool Wait(short events, std::uint64_t deadline) {
    for (;;) {
      const int timeout = PollTimeout(deadline);
      if (timeout == 0) return false;
      pollfd p{fd_, events, 0};
      const int r = poll(&p, 1, timeout);
      if (r < 0 && errno == EINTR) continue;
      // A failed poll, a hang-up or an error: the next transfer reports it.
      return r != 0;
    }
  }

  int fd_;
};

// Waits until the connection of fd is made or failed, or the deadline:
// 0 when it is made, else the error. A signal that asks the run to end ends
// the wait too.
int FinishConnect(int fd, std::uint64_t deadline) {
  for (;;) {
    const int timeout = PollTimeout(deadline);
    pollfd p{fd, POLLOUT, 0};
    const int r = timeout == 0 ? 0 : poll(&p, 1, timeout);
    if (r < 0 && errno == EINTR && PosixEndRequested()) return EINTR;
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return r == 0 ? ETIMEDOUT : errno;
    break;
  }
  int so_error = 0;
  socklen_t len = sizeof so_error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) so_error = errno;
  return so_error;
}

// Connects one address within the deadline: the socket, or -1 with *err.
int ConnectOne(const addrinfo& ai, std::uint64_t deadline, int* err) {
  const int fd =
      socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai.ai_protocol);
  if (fd < 0) {
    *err = errno;
    return -1;
  }
  if (connect(fd, ai.ai_addr, ai.ai_addrlen) != 0) {
    const int e = errno == EINPROGRESS ? FinishConnect(fd, deadline) : errno;
    if (e != 0) {
      *err = e;
      close(fd);
      return -1;
    }
  }
  // Each RTS change and each byte leaves at once, not gathered.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

}  // namespace

SysResult<std::unique_ptr<Connection>> PlatformConnectTcp(const std::string& host,
                                                          std::uint16_t port,
                                                          std::int32_t timeout_ms) {
  const std::string service = std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    const char* reason = rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc);
    return Fail(SysError{kConnectErrHostNotFound, host + ": " + reason});
  }
  const std::uint64_t deadline =
      PosixMonotonicMs() + static_cast<std::uint64_t>(timeout_ms > 0 ? timeout_ms : 0);
  int err = ECONNREFUSED;
  int fd = -1;
  for (const addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next)
    fd = ConnectOne(*ai, deadline, &err);
  freeaddrinfo(list);
  if (fd < 0) {
    const std::string where = host + ":" + service + ": ";
    if (err == ETIMEDOUT) {
      return Fail(SysError{kConnectErrConnect,
                           where + "no answer in " + std::to_string(timeout_ms) + " ms",
                           ConnectKind(err)});
    }
    return Fail(SysError{kConnectErrConnect, where + std::strerror(err), ConnectKind(err)});
  }
  return std::unique_ptr<Connection>(new SocketConnection(fd));
}
