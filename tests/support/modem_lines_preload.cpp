// Modem lines for a device that has none, preloaded into a port server
// (ser2net) for the tests and the benchmark: on a pseudo-terminal the
// modem-control ioctls fail, so the server could not move DTR and RTS. This
// library answers them from a line state of its own and writes each change,
// with its time on the monotonic clock, to $PADLINK_MODEM_LOG:
//
//   RTS <nanoseconds> <0|1>
//   DTR <nanoseconds> <0|1>
//
// and, to tell the server's own delay from the client's, the moment each
// SET-CONTROL RTS command (telnet COM-PORT-OPTION) came out of a read (in
// the server) or went into a send (preloaded into the client):
//
//   NET <nanoseconds> <0|1>
//   CLI <nanoseconds> <0|1>
//
// Devices with real modem lines are left alone.
//
// A pseudo-terminal also hands every byte written to it to the other end at
// once and reports an empty output queue, so the flush a server makes as it
// closes the device (ser2net flushes once the output queue has drained)
// would take back the last bytes the robot has not read yet, its close
// string among them; a UART would have sent them. On a pseudo-terminal the
// output half of a flush is therefore left out.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);
using ReadFunction = ssize_t (*)(int, void*, std::size_t);
using SendFunction = ssize_t (*)(int, const void*, std::size_t, int);

int g_lines = TIOCM_DTR | TIOCM_RTS;

int LogFd() {
  static int fd = -2;
  if (fd == -2) {
    const char* path = std::getenv("PADLINK_MODEM_LOG");
    fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }
  return fd;
}

unsigned long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<unsigned long long>(ts.tv_sec) * 1000000000ull +
         static_cast<unsigned long long>(ts.tv_nsec);
}

void Log(int before, int after) {
  const int fd = LogFd();
  if (fd < 0) return;
  const unsigned long long ns = NowNs();
  char buf[96];
  int n = 0;
  if ((before ^ after) & TIOCM_DTR)
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "DTR %llu %d\n", ns,
                       (after & TIOCM_DTR) ? 1 : 0);
  if ((before ^ after) & TIOCM_RTS)
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "RTS %llu %d\n", ns,
                       (after & TIOCM_RTS) ? 1 : 0);
  if (n > 0 && write(fd, buf, static_cast<std::size_t>(n)) < 0) {
    // nothing to be done about a log that cannot be written
  }
}

}  // namespace

// Logs each SET-CONTROL RTS command in the bytes as `kind`.
static void LogRtsCommands(const char* kind, const void* buf, ssize_t n) {
  if (n < 5 || LogFd() < 0) return;
  const unsigned long long ns = NowNs();
  const auto* p = static_cast<const unsigned char*>(buf);
  for (ssize_t i = 0; i + 5 <= n; ++i) {
    // IAC SB COM-PORT-OPTION SET-CONTROL RTS-ON|RTS-OFF
    if (p[i] == 255 && p[i + 1] == 250 && p[i + 2] == 44 && p[i + 3] == 5 &&
        (p[i + 4] == 11 || p[i + 4] == 12)) {
      char line[64];
      const int k = std::snprintf(line, sizeof line, "%s %llu %d\n", kind, ns, p[i + 4] == 11);
      if (write(LogFd(), line, static_cast<std::size_t>(k)) < 0) {
        // nothing to be done about a log that cannot be written
      }
    }
  }
}

extern "C" ssize_t read(int fd, void* buf, std::size_t count) {
  static const ReadFunction real = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
  const ssize_t r = real(fd, buf, count);
  LogRtsCommands("NET", buf, r);
  return r;
}

extern "C" ssize_t send(int fd, const void* buf, std::size_t count, int flags) {
  static const SendFunction real = reinterpret_cast<SendFunction>(dlsym(RTLD_NEXT, "send"));
  LogRtsCommands("CLI", buf, static_cast<ssize_t>(count));
  return real(fd, buf, count, flags);
}

// Whether fd is a pseudo-terminal's slave end.
static bool IsPseudoTerminal(int fd) {
  char link[32];
  char target[64] = {};
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 9 && std::strncmp(target, "/dev/pts/", 9) == 0;
}

// The queues a flush of fd empties: a pseudo-terminal's output is never
// taken back.
static int QueuesToFlush(int fd, int queues) {
  if (!IsPseudoTerminal(fd)) return queues;
  if (queues == TCIOFLUSH) return TCIFLUSH;
  return queues == TCOFLUSH ? -1 : queues;
}

extern "C" int tcflush(int fd, int queues) noexcept {
  using TcflushFunction = int (*)(int, int);
  static const TcflushFunction real =
      reinterpret_cast<TcflushFunction>(dlsym(RTLD_NEXT, "tcflush"));
  const int q = QueuesToFlush(fd, queues);
  return q < 0 ? 0 : real(fd, q);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  static const IoctlFunction real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  if (request == TCFLSH) {
    const int q = QueuesToFlush(fd, static_cast<int>(reinterpret_cast<long>(arg)));
    if (q < 0) return 0;
    arg = reinterpret_cast<void*>(static_cast<long>(q));
  }
  const int r = real(fd, request, arg);
  if (r == 0 || (errno != ENOTTY && errno != EINVAL)) return r;
  if (request != TIOCMGET && request != TIOCMSET && request != TIOCMBIS && request != TIOCMBIC)
    return r;
  int* v = static_cast<int*>(arg);
  constexpr int kOurs = TIOCM_DTR | TIOCM_RTS;
  const int before = g_lines;
  if (request == TIOCMGET) {
    *v = g_lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
    return 0;
  }
  if (request == TIOCMSET) g_lines = *v & kOurs;
  if (request == TIOCMBIS) g_lines |= *v & kOurs;
  if (request == TIOCMBIC) g_lines &= ~(*v & kOurs);
  Log(before, g_lines);
  return 0;
}
