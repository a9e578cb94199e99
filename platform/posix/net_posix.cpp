// TCP connections to port servers, for remote serial ports.
#include "platform/posix/net_posix.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed connection is an error, not a signal
#else
constexpr int kSendFlags = 0;
#endif

// Milliseconds to the deadline for poll, -1 for none.
int PollTimeout(std::uint64_t deadline) {
  if (deadline == ~std::uint64_t{0}) return -1;
  const std::uint64_t now = PosixMonotonicMs();
  if (now >= deadline) return 0;
  const std::uint64_t left = deadline - now;
  return left > (1u << 30) ? (1 << 30) : static_cast<int>(left);
}

// One connection: its socket and the operations the device uses.
struct Socket {
  int fd = -1;
  rfc2217::Transport ops{};
};

int SocketOf(void* self) {
  return static_cast<Socket*>(self)->fd;
}

std::uint64_t NowMs(void*) {
  return PosixMonotonicMs();
}

int Send(void* self, const std::uint8_t* p, int n, int* err) {
  for (;;) {
    const ssize_t r = send(SocketOf(self), p, static_cast<std::size_t>(n), kSendFlags);
    if (r >= 0) return static_cast<int>(r);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    *err = errno;
    return -1;
  }
}

int Receive(void* self, std::uint8_t* p, int n, int* err) {
  for (;;) {
    const ssize_t r = recv(SocketOf(self), p, static_cast<std::size_t>(n), 0);
    if (r > 0) return static_cast<int>(r);
    if (r == 0) {
      *err = 0;
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    *err = errno;
    return -1;
  }
}

bool Wait(void* self, bool write, std::uint64_t deadline) {
  for (;;) {
    const int timeout = PollTimeout(deadline);
    if (timeout == 0) return false;
    pollfd p{SocketOf(self), static_cast<short>(write ? POLLOUT : POLLIN), 0};
    const int r = poll(&p, 1, timeout);
    if (r < 0 && errno == EINTR) continue;
    // A failed poll, a hang-up or an error: the next transfer reports it.
    return r != 0;
  }
}

void Close(void* self) {
  Socket* s = static_cast<Socket*>(self);
  close(s->fd);
  s->fd = -1;
}

void DescribeError(void*, int err, char* buf, std::size_t size) {
  std::snprintf(buf, size, "%s", std::strerror(err));
}

Socket g_sockets[rfc2217::kMaxNetDevices];

// Connects one address within the deadline: the socket, or -1 with *err.
int ConnectOne(const addrinfo& ai, std::uint64_t deadline, int* err) {
  const int fd =
      socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai.ai_protocol);
  if (fd < 0) {
    *err = errno;
    return -1;
  }
  if (connect(fd, ai.ai_addr, ai.ai_addrlen) != 0) {
    if (errno != EINPROGRESS) {
      *err = errno;
      close(fd);
      return -1;
    }
    for (;;) {
      const int timeout = PollTimeout(deadline);
      pollfd p{fd, POLLOUT, 0};
      const int r = timeout == 0 ? 0 : poll(&p, 1, timeout);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        *err = r == 0 ? ETIMEDOUT : errno;
        close(fd);
        return -1;
      }
      break;
    }
    int so_error = 0;
    socklen_t len = sizeof so_error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) so_error = errno;
    if (so_error != 0) {
      *err = so_error;
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

rfc2217::Transport* PosixConnect(const rfc2217::PortUrl& url, std::uint32_t timeout_ms) {
  Socket* t = nullptr;
  for (Socket& s : g_sockets) {
    if (s.fd < 0) {
      t = &s;
      break;
    }
  }
  if (!t) {
    rfc2217::SetError(rfc2217::kNetErrTooManyPorts, "%s", "");
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(url.host, url.port, &hints, &list);
  if (rc != 0) {
    rfc2217::SetError(rfc2217::kNetErrHostNotFound, "%s: %s", url.host,
                      rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc));
    return nullptr;
  }
  const std::uint64_t deadline = PosixMonotonicMs() + timeout_ms;
  int err = ECONNREFUSED;
  for (const addrinfo* ai = list; ai && t->fd < 0; ai = ai->ai_next)
    t->fd = ConnectOne(*ai, deadline, &err);
  freeaddrinfo(list);
  if (t->fd < 0) {
    if (err == ETIMEDOUT)
      rfc2217::SetError(rfc2217::kNetErrConnect, "%s:%s: no answer in %u ms", url.host, url.port,
                        static_cast<unsigned>(timeout_ms));
    else
      rfc2217::SetError(rfc2217::kNetErrConnect, "%s:%s: %s", url.host, url.port,
                        std::strerror(err));
    return nullptr;
  }
  t->ops = {t, NowMs, Send, Receive, Wait, Close, DescribeError};
  return &t->ops;
}

void PosixRemoteLinkTarget(char* buf, std::int32_t size) {
  char target[kMaxDeviceName];
  const ssize_t n = readlink(buf, target, sizeof target - 1);
  if (n <= 0 || n >= size) return;
  target[n] = 0;
  if (rfc2217::LooksLikeUrl(target)) std::memcpy(buf, target, static_cast<std::size_t>(n) + 1);
}
