// TCP connections through Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/connection.h"

namespace {

// The system's text for a Winsock code, without its line end.
std::string SystemText(int err) {
  char buf[256];
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(err), 0, buf, static_cast<DWORD>(sizeof buf), nullptr);
  if (n == 0) {
    std::snprintf(buf, sizeof buf, "Winsock error %d", err);
    return buf;
  }
  std::size_t len = n;
  while (len > 0 && (buf[len - 1] == '\r' || buf[len - 1] == '\n' || buf[len - 1] == ' '))
    --len;
  return std::string(buf, len);
}

// What a failure of a connection that was made means: reset, aborted or
// cut off by the network, it is gone.
ErrorKind BrokenKind(int code) {
  switch (code) {
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENOTCONN:
    case WSAENETRESET:
    case WSAESHUTDOWN:
    case WSAETIMEDOUT:
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAENETDOWN:
      return ErrorKind::kGone;
    default:
      return ErrorKind::kOther;
  }
}

SysError SocketError(int code) {
  return SysError{code, SystemText(code), BrokenKind(code)};
}

// What a connection that did not come about means.
ErrorKind ConnectKind(int code) {
  switch (code) {
    case WSAECONNREFUSED:
    case WSAEACCES:
      return ErrorKind::kRefused;
    case WSAETIMEDOUT:
      return ErrorKind::kTimedOut;
    default:
      return ErrorKind::kOther;
  }
}

// Waits on one socket until the deadline; >0 ready, 0 time-out, <0 failed.
int Select(SOCKET s, bool write, std::uint64_t deadline) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set errors;
  FD_ZERO(&errors);
  FD_SET(s, &errors);
  timeval tv{};
  timeval* timeout = nullptr;
  if (deadline != kNoDeadlineMs) {
    const std::uint64_t now = GetTickCount64();
    const std::uint64_t left = deadline > now ? deadline - now : 0;
    tv.tv_sec = static_cast<long>(left / 1000);
    tv.tv_usec = static_cast<long>(left % 1000 * 1000);
    timeout = &tv;
  }
  return select(0, write ? nullptr : &set, write ? &set : nullptr, &errors, timeout);
}

class SocketConnection final : public Connection {
 public:
  explicit SocketConnection(SOCKET s) : s_(s) {}
  ~SocketConnection() override { closesocket(s_); }

  SysResult<std::int32_t> Send(const std::uint8_t* bytes, std::int32_t n) override {
    const int r = send(s_, reinterpret_cast<const char*>(bytes), n, 0);
    if (r != SOCKET_ERROR) return r;
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK) return 0;
    return Fail(SocketError(e));
  }

  SysResult<std::int32_t> Receive(std::uint8_t* bytes, std::int32_t n) override {
    const int r = recv(s_, reinterpret_cast<char*>(bytes), n, 0);
    if (r > 0) return r;
    if (r == 0) return Fail(SysError{0, "", ErrorKind::kEnded});
    const int e = WSAGetLastError();
    if (e == WSAEWOULDBLOCK) return 0;
    return Fail(SocketError(e));
  }

  SysResult<void> EndSending() override {
    if (shutdown(s_, SD_SEND) != 0) return Fail(SocketError(WSAGetLastError()));
    return {};
  }

  bool WaitReadable(std::uint64_t deadline_ms) override { return Wait(false, deadline_ms); }
  bool WaitWritable(std::uint64_t deadline_ms) override { return Wait(true, deadline_ms); }
  std::uint64_t NowMs() override { return GetTickCount64(); }

 private:
  bool Wait(bool write, std::uint64_t deadline) {
    if (deadline != kNoDeadlineMs && GetTickCount64() >= deadline) return false;
    return Select(s_, write, deadline) != 0;
  }

  SOCKET s_;
};

bool Started() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// Connects one address within the deadline: the socket, or INVALID_SOCKET
// with *err.
SOCKET ConnectOne(const addrinfo& ai, std::uint64_t deadline, int* err) {
  const SOCKET s = socket(ai.ai_family, ai.ai_socktype, ai.ai_protocol);
  if (s == INVALID_SOCKET) {
    *err = WSAGetLastError();
    return INVALID_SOCKET;
  }
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  u_long nonblocking = 1;
  ioctlsocket(s, FIONBIO, &nonblocking);
  if (connect(s, ai.ai_addr, static_cast<int>(ai.ai_addrlen)) == SOCKET_ERROR) {
    const int e = WSAGetLastError();
    if (e != WSAEWOULDBLOCK) {
      *err = e;
      closesocket(s);
      return INVALID_SOCKET;
    }
    const int r = Select(s, true, deadline);
    int so_error = 0;
    int len = sizeof so_error;
    if (r <= 0) {
      so_error = r == 0 ? WSAETIMEDOUT : WSAGetLastError();
    } else if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len) != 0) {
      so_error = WSAGetLastError();
    }
    if (so_error != 0) {
      *err = so_error;
      closesocket(s);
      return INVALID_SOCKET;
    }
  }
  // Each RTS change and each byte leaves at once, not gathered.
  const BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return s;
}

}  // namespace

SysResult<std::unique_ptr<Connection>> PlatformConnectTcp(const std::string& host,
                                                          std::uint16_t port,
                                                          std::int32_t timeout_ms) {
  if (!Started())
    return Fail(SysError{kConnectErrConnect, "Winsock: " + SystemText(WSAGetLastError())});
  const std::string service = std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0)
    return Fail(SysError{kConnectErrHostNotFound, host + ": " + SystemText(WSAGetLastError())});
  const std::uint64_t deadline =
      GetTickCount64() + static_cast<std::uint64_t>(timeout_ms > 0 ? timeout_ms : 0);
  int err = WSAECONNREFUSED;
  SOCKET s = INVALID_SOCKET;
  for (const addrinfo* ai = list; ai && s == INVALID_SOCKET; ai = ai->ai_next)
    s = ConnectOne(*ai, deadline, &err);
  freeaddrinfo(list);
  if (s == INVALID_SOCKET) {
    const std::string where = host + ":" + service + ": ";
    if (err == WSAETIMEDOUT) {
      return Fail(SysError{kConnectErrConnect,
                           where + "no answer in " + std::to_string(timeout_ms) + " ms",
                           ConnectKind(err)});
    }
    return Fail(SysError{kConnectErrConnect, where + SystemText(err), ConnectKind(err)});
  }
  return std::unique_ptr<Connection>(new SocketConnection(s));
}
