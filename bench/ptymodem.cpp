// libptymodem: modem lines for pseudo-terminals, and a time-stamped log of
// what a program does on them. For benchmarks and experiments only; load it
// with LD_PRELOAD into an unchanged program.
//
// A pseudo-terminal has no modem lines: TIOCMGET, TIOCMSET, TIOCMBIS and
// TIOCMBIC fail there with ENOTTY. With this library they succeed on every
// pseudo-terminal (either end): each device keeps its own DTR and RTS
// (initially both on, as a port that was just opened), and reports the input
// lines of $PTYMODEM_INPUTS (hexadecimal TIOCM_* bits; CTS, DSR and CD by
// default). Every other call goes to the C library unchanged.
//
// When $PTYMODEM_LOG names a file ("%p" in it becomes the process id), the
// library writes one line per event on a pseudo-terminal to it, time-stamped
// on CLOCK_MONOTONIC in nanoseconds, so that logs of several processes merge:
//
//   <ns> <fd> <device> M <lines>        DTR/RTS changed; lines in hex (TIOCM_*)
//   <ns> <fd> <device> W <hex bytes>    bytes a write() moved
//   <ns> <fd> <device> R <hex bytes>    bytes a read() moved
//   <ns> <fd> <device> Q <count>        what FIONREAD reported
//   <ns> - - S <ns>                     a sleep began, asking for <ns>
//   <ns> - - Z <ns>                     the sleep ended, <ns> after its target
//
// <device> is ptsN for the terminal end, ptmN for the controlling end. The
// log is a shared file mapping, so an event costs no system call and the log
// survives a killed process (it then ends in NUL bytes).
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using IoctlFn = int (*)(int, unsigned long, ...);
using ReadFn = ssize_t (*)(int, void*, size_t);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using ReadChkFn = ssize_t (*)(int, void*, size_t, size_t);
using ClockNanosleepFn = int (*)(clockid_t, int, const timespec*, timespec*);
using NanosleepFn = int (*)(const timespec*, timespec*);

template <typename Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// --- the log -------------------------------------------------------------

char* g_log = nullptr;
std::size_t g_log_size = 0;
std::atomic<std::size_t> g_log_used{0};
int g_log_fd = -1;

std::uint64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

void Append(const char* text, std::size_t n) {
  if (!g_log) return;
  const std::size_t at = g_log_used.fetch_add(n);
  if (at + n > g_log_size) return;  // full: the rest is lost
  std::memcpy(g_log + at, text, n);
}

void LogLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogLine(const char* fmt, ...) {
  if (!g_log) return;
  char line[512];
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  if (n <= 0) return;
  if (static_cast<std::size_t>(n) >= sizeof line) {
    n = sizeof line - 1;
    line[n - 1] = '\n';
  }
  Append(line, static_cast<std::size_t>(n));
}

void OpenLog() {
  const char* tmpl = std::getenv("PTYMODEM_LOG");
  if (!tmpl || !*tmpl) return;
  char path[4096];
  std::size_t o = 0;
  for (const char* p = tmpl; *p && o + 16 < sizeof path; ++p) {
    if (p[0] == '%' && p[1] == 'p') {
      o += static_cast<std::size_t>(
          std::snprintf(path + o, sizeof path - o, "%ld", static_cast<long>(getpid())));
      ++p;
    } else {
      path[o++] = *p;
    }
  }
  path[o] = 0;
  std::size_t mb = 64;
  if (const char* s = std::getenv("PTYMODEM_LOG_MB")) mb = std::strtoul(s, nullptr, 10);
  g_log_size = (mb ? mb : 64) << 20;
  g_log_fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (g_log_fd < 0) return;
  if (ftruncate(g_log_fd, static_cast<off_t>(g_log_size)) != 0) {
    close(g_log_fd);
    g_log_fd = -1;
    return;
  }
  void* m = mmap(nullptr, g_log_size, PROT_READ | PROT_WRITE, MAP_SHARED, g_log_fd, 0);
  if (m == MAP_FAILED) {
    close(g_log_fd);
    g_log_fd = -1;
    return;
  }
  g_log = static_cast<char*>(m);
}

void CloseLog() {
  if (!g_log) return;
  const std::size_t used = std::min(g_log_used.load(), g_log_size);
  munmap(g_log, g_log_size);
  g_log = nullptr;
  if (ftruncate(g_log_fd, static_cast<off_t>(used)) != 0) {
    // the log keeps its NUL tail; readers stop there
  }
  close(g_log_fd);
}

// A child that did not exec must not write into its parent's log.
void ForgetLogInChild() {
  if (g_log) munmap(g_log, g_log_size);
  g_log = nullptr;
}

// --- pseudo-terminals -------------------------------------------------------

struct PtyId {
  bool pty;
  bool master;
  unsigned index;
  dev_t rdev;
};

// UNIX 98 pseudo-terminals: terminal ends are majors 136..143; a controlling
// end opened through /dev/ptmx (or a devpts ptmx node) is 5:2 or a devpts
// "ptmx", whose number TIOCGPTN tells.
PtyId Identify(int fd) {
  PtyId id{false, false, 0, 0};
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return id;
  const unsigned maj = major(st.st_rdev);
  id.rdev = st.st_rdev;
  if (maj >= 136 && maj <= 143) {
    id.pty = true;
    id.index = (maj - 136) * 256 + minor(st.st_rdev);
    return id;
  }
  unsigned n = 0;
  static IoctlFn real_ioctl = Next<IoctlFn>("ioctl");
  if (maj == 5 && minor(st.st_rdev) == 2 && real_ioctl(fd, TIOCGPTN, &n) == 0) {
    id.pty = true;
    id.master = true;
    id.index = n;
  }
  return id;
}

// Modem lines of up to 64 devices, by device number.
struct Lines {
  dev_t rdev;
  bool master;
  int bits;  // DTR and RTS
};
Lines g_lines[64];
int g_line_count = 0;
pthread_mutex_t g_lines_lock = PTHREAD_MUTEX_INITIALIZER;
int g_inputs = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

constexpr int kOutputs = TIOCM_DTR | TIOCM_RTS;

Lines* LinesOf(const PtyId& id) {
  for (int i = 0; i < g_line_count; ++i) {
    if (g_lines[i].rdev == id.rdev && g_lines[i].master == id.master) return &g_lines[i];
  }
  if (g_line_count == 64) return nullptr;
  g_lines[g_line_count] = {id.rdev, id.master, kOutputs};
  return &g_lines[g_line_count++];
}

const char* Name(const PtyId& id, char* buf, std::size_t size) {
  std::snprintf(buf, size, "%s%u", id.master ? "ptm" : "pts", id.index);
  return buf;
}

void LogBytes(int fd, const PtyId& id, char kind, const void* data, ssize_t n) {
  if (!g_log || n <= 0) return;
  char line[512];
  char name[32];
  int o =
      std::snprintf(line, sizeof line, "%llu %d %s %c ", static_cast<unsigned long long>(NowNs()),
                    fd, Name(id, name, sizeof name), kind);
  const auto* b = static_cast<const unsigned char*>(data);
  for (ssize_t i = 0; i < n && o + 4 < static_cast<int>(sizeof line); ++i)
    o += std::snprintf(line + o, sizeof line - static_cast<std::size_t>(o), "%02x", b[i]);
  line[o++] = '\n';
  Append(line, static_cast<std::size_t>(o));
}

int ModemIoctl(int fd, const PtyId& id, unsigned long request, int* arg) {
  if (!arg) {
    errno = EFAULT;
    return -1;
  }
  pthread_mutex_lock(&g_lines_lock);
  Lines* l = LinesOf(id);
  if (!l) {
    pthread_mutex_unlock(&g_lines_lock);
    errno = ENOMEM;
    return -1;
  }
  const int before = l->bits;
  switch (request) {
    case TIOCMGET:
      *arg = l->bits | g_inputs;
      break;
    case TIOCMSET:
      l->bits = *arg & kOutputs;
      break;
    case TIOCMBIS:
      l->bits |= *arg & kOutputs;
      break;
    default:  // TIOCMBIC
      l->bits &= ~(*arg & kOutputs);
      break;
  }
  const int after = l->bits;
  pthread_mutex_unlock(&g_lines_lock);
  if (request != TIOCMGET) {
    char name[32];
    LogLine("%llu %d %s M %04x%s\n", static_cast<unsigned long long>(NowNs()), fd,
            Name(id, name, sizeof name), after, after == before ? " same" : "");
  }
  return 0;
}

__attribute__((constructor)) void Start() {
  if (const char* s = std::getenv("PTYMODEM_INPUTS"))
    g_inputs = static_cast<int>(std::strtoul(s, nullptr, 16)) & ~kOutputs;
  OpenLog();
  pthread_atfork(nullptr, nullptr, ForgetLogInChild);
}

__attribute__((destructor)) void Stop() {
  CloseLog();
}

}  // namespace

extern "C" {

int ioctl(int fd, unsigned long request, ...) noexcept {
  static IoctlFn real = Next<IoctlFn>("ioctl");
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  const bool modem =
      request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  if (!modem && request != FIONREAD) return real(fd, request, arg);
  const PtyId id = Identify(fd);
  if (!id.pty) return real(fd, request, arg);
  if (modem) return ModemIoctl(fd, id, request, static_cast<int*>(arg));
  const int r = real(fd, request, arg);
  if (r == 0 && g_log) {
    const int saved = errno;
    char name[32];
    LogLine("%llu %d %s Q %d\n", static_cast<unsigned long long>(NowNs()), fd,
            Name(id, name, sizeof name), *static_cast<int*>(arg));
    errno = saved;
  }
  return r;
}

ssize_t write(int fd, const void* buf, size_t n) {
  static WriteFn real = Next<WriteFn>("write");
  const ssize_t r = real(fd, buf, n);
  if (r > 0 && g_log) {
    const int saved = errno;
    const PtyId id = Identify(fd);
    if (id.pty) LogBytes(fd, id, 'W', buf, r);
    errno = saved;
  }
  return r;
}

ssize_t read(int fd, void* buf, size_t n) {
  static ReadFn real = Next<ReadFn>("read");
  const ssize_t r = real(fd, buf, n);
  if (r > 0 && g_log) {
    const int saved = errno;
    const PtyId id = Identify(fd);
    if (id.pty) LogBytes(fd, id, 'R', buf, r);
    errno = saved;
  }
  return r;
}

// What read() becomes in a program built with _FORTIFY_SOURCE.
ssize_t __read_chk(int fd, void* buf, size_t n, size_t buflen) {
  static ReadChkFn real = Next<ReadChkFn>("__read_chk");
  const ssize_t r = real(fd, buf, n, buflen);
  if (r > 0 && g_log) {
    const int saved = errno;
    const PtyId id = Identify(fd);
    if (id.pty) LogBytes(fd, id, 'R', buf, r);
    errno = saved;
  }
  return r;
}

int clock_nanosleep(clockid_t clock, int flags, const timespec* req, timespec* rem) {
  static ClockNanosleepFn real = Next<ClockNanosleepFn>("clock_nanosleep");
  if (!g_log || !req) return real(clock, flags, req, rem);
  timespec now{};
  clock_gettime(clock, &now);
  const long long now_ns = now.tv_sec * 1000000000LL + now.tv_nsec;
  const long long req_ns = req->tv_sec * 1000000000LL + req->tv_nsec;
  const long long target = (flags & TIMER_ABSTIME) ? req_ns : now_ns + req_ns;
  LogLine("%llu - - S %lld\n", static_cast<unsigned long long>(NowNs()), target - now_ns);
  const int r = real(clock, flags, req, rem);
  clock_gettime(clock, &now);
  LogLine("%llu - - Z %lld\n", static_cast<unsigned long long>(NowNs()),
          now.tv_sec * 1000000000LL + now.tv_nsec - target);
  return r;
}

int nanosleep(const timespec* req, timespec* rem) {
  const int r = clock_nanosleep(CLOCK_REALTIME, 0, req, rem);
  if (r == 0) return 0;
  errno = r;
  return -1;
}

}  // extern "C"
