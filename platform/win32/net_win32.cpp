// TCP connections to port servers through Winsock, for remote serial ports.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/net_win32.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint64_t kNoDeadline = ~std::uint64_t{0};

// The system's text for a Winsock code, without its line end.
void SystemText(int err, char* buf, std::size_t size) {
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(err), 0, buf, static_cast<DWORD>(size), nullptr);
  std::size_t len = n;
  if (n == 0) {
    std::snprintf(buf, size, "Winsock error %d", err);
    return;
  }
  while (len > 0 && (buf[len - 1] == '\r' || buf[len - 1] == '\n' || buf[len - 1] == ' '))
    --len;
  buf[len] = 0;
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
  if (deadline != kNoDeadline) {
    const std::uint64_t now = GetTickCount64();
    const std::uint64_t left = deadline > now ? deadline - now : 0;
    tv.tv_sec = static_cast<long>(left / 1000);
    tv.tv_usec = static_cast<long>(left % 1000 * 1000);
    timeout = &tv;
  }
  return select(0, write ? nullptr : &set, write ? &set : nullptr, &errors, timeout);
}

// One connection: its socket and the operations the device uses.
struct Socket {
  SOCKET s = INVALID_SOCKET;
  rfc2217::Transport ops{};
};

SOCKET SocketOf(void* self) {
  return static_cast<Socket*>(self)->s;
}

std::uint64_t NowMs(void*) {
  return GetTickCount64();
}

int Send(void* self, const std::uint8_t* p, int n, int* err) {
  const int r = send(SocketOf(self), reinterpret_cast<const char*>(p), n, 0);
  if (r != SOCKET_ERROR) return r;
  const int e = WSAGetLastError();
  if (e == WSAEWOULDBLOCK) return 0;
  *err = e;
  return -1;
}

int Receive(void* self, std::uint8_t* p, int n, int* err) {
  const int r = recv(SocketOf(self), reinterpret_cast<char*>(p), n, 0);
  if (r > 0) return r;
  if (r == 0) {
    *err = 0;
    return -1;
  }
  const int e = WSAGetLastError();
  if (e == WSAEWOULDBLOCK) return 0;
  *err = e;
  return -1;
}

bool Wait(void* self, bool write, std::uint64_t deadline) {
  if (deadline != kNoDeadline && GetTickCount64() >= deadline) return false;
  return Select(SocketOf(self), write, deadline) != 0;
}

void Close(void* self) {
  Socket* s = static_cast<Socket*>(self);
  closesocket(s->s);
  s->s = INVALID_SOCKET;
}

void DescribeError(void*, int err, char* buf, std::size_t size) {
  SystemText(err, buf, size);
}

Socket g_sockets[rfc2217::kMaxNetDevices];

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

rfc2217::Transport* Win32Connect(const rfc2217::PortUrl& url, std::uint32_t timeout_ms) {
  Socket* t = nullptr;
  for (Socket& c : g_sockets) {
    if (c.s == INVALID_SOCKET) {
      t = &c;
      break;
    }
  }
  if (!t) {
    rfc2217::SetError(rfc2217::kNetErrTooManyPorts, "%s", "");
    return nullptr;
  }
  char text[256];
  if (!Started()) {
    SystemText(WSAGetLastError(), text, sizeof text);
    rfc2217::SetError(rfc2217::kNetErrConnect, "Winsock: %s", text);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  if (getaddrinfo(url.host, url.port, &hints, &list) != 0) {
    SystemText(WSAGetLastError(), text, sizeof text);
    rfc2217::SetError(rfc2217::kNetErrHostNotFound, "%s: %s", url.host, text);
    return nullptr;
  }
  const std::uint64_t deadline = GetTickCount64() + timeout_ms;
  int err = WSAECONNREFUSED;
  for (const addrinfo* ai = list; ai && t->s == INVALID_SOCKET; ai = ai->ai_next)
    t->s = ConnectOne(*ai, deadline, &err);
  freeaddrinfo(list);
  if (t->s == INVALID_SOCKET) {
    if (err == WSAETIMEDOUT) {
      rfc2217::SetError(rfc2217::kNetErrConnect, "%s:%s: no answer in %u ms", url.host, url.port,
                        static_cast<unsigned>(timeout_ms));
    } else {
      SystemText(err, text, sizeof text);
      rfc2217::SetError(rfc2217::kNetErrConnect, "%s:%s: %s", url.host, url.port, text);
    }
    return nullptr;
  }
  t->ops = {t, NowMs, Send, Receive, Wait, Close, DescribeError};
  return &t->ops;
}
