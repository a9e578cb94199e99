// Modem lines for a device that has none, preloaded into a port server
// (ser2net) for the tests and the benchmark: on a pseudo-terminal the
// modem-control ioctls fail, so the server could not move DTR and RTS. This
// library answers them from a line state of its own and writes each change,
// with its time on the monotonic clock, to $PADLINK_MODEM_LOG:
//
//   RTS <nanoseconds> <0|1>
//   DTR <nanoseconds> <0|1>
//
// Devices with real modem lines are left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

int g_lines = TIOCM_DTR | TIOCM_RTS;

void Log(int before, int after) {
  static int fd = -2;
  if (fd == -2) {
    const char* path = std::getenv("PADLINK_MODEM_LOG");
    fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }
  if (fd < 0) return;
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ns = static_cast<unsigned long long>(ts.tv_sec) * 1000000000ull +
                                static_cast<unsigned long long>(ts.tv_nsec);
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

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  static const IoctlFunction real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
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
