// padlink-robot: a simulated robot controller at the far end of a serial
// line. It accepts command bytes 1 to 32 without reply and answers PeekAD and
// PeekSRAM requests with an echo of each byte, the last replaced by a value.
// It paces what it sends at the line speed padlink set, so that timings look
// as on a real line.
//
//   padlink-robot [--port N] [--port-dir DIR] [--device PATH] [--fault MODE] [--quiet] [--help]
//
// By default it creates a pseudo-terminal and publishes its far end as
// DIR/comN, DIR being --port-dir, else $PADLINK_PORT_DIR, else a new
// temporary directory. Fault modes: silent (no replies), bad-echo (the
// echo of the second byte is wrong), late:MS (every reply byte MS ms late),
// short (the value byte is missing). A request whose next byte comes more
// than half a second after the one before is dropped, and that byte is
// taken on its own.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/line_speed.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnStop(int) {
  g_stop = 1;
}

struct Options {
  int port = 1;
  std::string port_dir;
  std::string device;
  bool silent = false;
  bool bad_echo = false;
  bool short_reply = false;
  int late_ms = 0;
  bool quiet = false;
  bool help = false;
};

const char kUsage[] =
    "usage: padlink-robot [--port N] [--port-dir DIR] [--device PATH]\n"
    "                     [--fault silent|bad-echo|late:MS|short] [--quiet] [--help]\n";

void Usage() {
  std::fputs(kUsage, stderr);
}

void Help() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "\n"
      "A simulated robot controller for padlink: it takes command bytes 1 to 32 and\n"
      "answers PeekAD and PeekSRAM requests with an echo whose last byte is the value.\n"
      "It runs until Ctrl+C or SIGTERM.\n"
      "\n"
      "  --port N         publish the line as comN, N from 1 to 256 (default 1)\n"
      "  --port-dir DIR   the port directory to publish in (default $PADLINK_PORT_DIR,\n"
      "                   else a new temporary directory)\n"
      "  --device PATH    serve an existing terminal device instead of a\n"
      "                   pseudo-terminal\n"
      "  --fault MODE     misbehave in one way:\n"
      "                     silent    never reply\n"
      "                     bad-echo  answer the second byte of a request wrongly\n"
      "                     late:MS   send every reply byte MS milliseconds late\n"
      "                     short     leave out the value byte\n"
      "  --quiet          leave out the banner\n"
      "  --help           print this help and exit\n"
      "\n"
      "See padlink-robot(1).\n",
      stdout);
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--port" && has_value) {
      o->port = std::atoi(argv[++i]);
      if (o->port < 1 || o->port > 256) return false;
    } else if (a == "--port-dir" && has_value) {
      o->port_dir = argv[++i];
    } else if (a == "--device" && has_value) {
      o->device = argv[++i];
    } else if (a == "--fault" && has_value) {
      const std::string f = argv[++i];
      if (f == "silent")
        o->silent = true;
      else if (f == "bad-echo")
        o->bad_echo = true;
      else if (f == "short")
        o->short_reply = true;
      else if (f.rfind("late:", 0) == 0)
        o->late_ms = std::atoi(f.c_str() + 5);
      else
        return false;
    } else if (a == "--quiet") {
      o->quiet = true;
    } else if (a == "--help" || a == "-h") {
      o->help = true;
    } else {
      return false;
    }
  }
  return true;
}

std::uint64_t MonotonicUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

// What the robot's sensors read at time t (seconds): slow, smooth changes.
int AdValue(int channel, double t) {
  const double v = 128 + 90 * std::sin(2 * M_PI * t / (2.0 + channel) + channel);
  return static_cast<int>(std::lround(v)) & 0xFF;
}

int GyroValue(int gyro, double t) {
  const double v = 128 + 40 * std::sin(2 * M_PI * t / (3.0 + gyro)) + 10 * std::sin(7 * t);
  return static_cast<int>(std::lround(v)) & 0xFF;
}

// The controller's tick counter, 10 per second.
int TickValue(double t) {
  return static_cast<int>(t * 10) & 0xFF;
}

constexpr int kFixedValue = 0x5A;

// How long the controller keeps an unfinished request.
constexpr std::uint64_t kFrameTimeoutUs = 500000;

class Robot {
 public:
  Robot(int fd, const Options& o) : fd_(fd), o_(o), start_us_(MonotonicUs()) {}

  void Run() {
    CheckLine();
    std::uint64_t last_line_check = MonotonicUs();
    while (!g_stop) {
      const std::uint64_t now = MonotonicUs();
      // Wake exactly when the next reply byte is due, to the microsecond.
      std::uint64_t wait_us = 20000;
      if (!out_.empty()) {
        const std::uint64_t due = out_.front().due_us;
        wait_us = due <= now ? 0 : std::min<std::uint64_t>(due - now, 20000);
      }
      const timespec timeout{0, static_cast<long>(wait_us * 1000)};
      pollfd p{fd_, POLLIN, 0};
      const int r = ppoll(&p, 1, &timeout, nullptr);
      if (r < 0 && errno != EINTR) break;
      if (r > 0 && (p.revents & POLLIN)) {
        unsigned char buf[256];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
          CheckLine();  // the settings the bytes came with
          for (ssize_t i = 0; i < n; ++i)
            OnByte(buf[i]);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          std::fprintf(stderr, "padlink-robot: read: %s\n", std::strerror(errno));
          break;
        }
      } else if (r > 0 && (p.revents & (POLLHUP | POLLERR))) {
        usleep(20000);  // nobody at the other end: wait without spinning
      }
      SendDue();
      if (MonotonicUs() - last_line_check > 20000) {
        CheckLine();
        last_line_check = MonotonicUs();
      }
    }
  }

 private:
  struct Pending {
    std::uint64_t due_us;
    unsigned char byte;
  };

  double Now() const { return static_cast<double>(MonotonicUs() - start_us_) / 1e6; }

  void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    std::printf("[%9.3f] ", Now());
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
  }

  // The line settings padlink applied, read from our end of the line.
  void CheckLine() {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return;
    const std::uint32_t baud = PosixLineSpeed(fd_);
    int data = 8;
    switch (t.c_cflag & CSIZE) {
      case CS5:
        data = 5;
        break;
      case CS6:
        data = 6;
        break;
      case CS7:
        data = 7;
        break;
      default:
        break;
    }
    const bool parity = t.c_cflag & PARENB;
    const int stop = (t.c_cflag & CSTOPB) ? 2 : 1;
    if (baud == baud_ && data == data_ && parity == parity_ && stop == stop_) return;
    baud_ = baud;
    data_ = data;
    parity_ = parity;
    stop_ = stop;
    const int bits = 1 + data + (parity ? 1 : 0) + stop;
    byte_us_ = baud ? static_cast<std::uint64_t>(bits) * 1000000u / baud : 0;
    Log("line: %u baud, %d data bits, %s parity, %d stop bit%s (%d bit times a byte)", baud, data,
        parity ? ((t.c_cflag & PARODD) ? "odd" : "even") : "no", stop, stop == 1 ? "" : "s", bits);
  }

  // A reply byte: it starts once the byte it answers has fully arrived and
  // the line is free, and takes a byte time on the line.
  void Queue(unsigned char b) {
    const std::uint64_t now = MonotonicUs();
    const std::uint64_t start =
        std::max<std::uint64_t>(now + byte_us_ + o_.late_ms * 1000ull, line_free_us_);
    line_free_us_ = start + byte_us_;
    out_.push_back({line_free_us_, b});
  }

  void SendDue() {
    const std::uint64_t now = MonotonicUs();
    while (!out_.empty() && out_.front().due_us <= now) {
      if (write(fd_, &out_.front().byte, 1) != 1 && errno != EAGAIN) break;
      out_.pop_front();
    }
  }

  int ValueFor() const {
    const double t = Now();
    if (frame_[0] == 0xE2) return frame_[1] < 8 ? AdValue(frame_[1], t) : kFixedValue;
    if (frame_[1] == 65 && frame_[2] == 1) return TickValue(t);
    if (frame_[1] >= 48 && frame_[1] <= 51 && frame_[2] == 5) return GyroValue(frame_[1] - 47, t);
    return kFixedValue;
  }

  void OnByte(unsigned char b) {
    const std::uint64_t now = MonotonicUs();
    // A request whose next byte has not come within half a second is
    // dropped, and the late byte is taken on its own, as the controller
    // does.
    if (frame_len_ > 0 && now - last_byte_us_ > kFrameTimeoutUs) {
      Log("request dropped after %d byte%s: nothing more for %llu ms", frame_len_,
          frame_len_ == 1 ? "" : "s",
          static_cast<unsigned long long>((now - last_byte_us_) / 1000));
      frame_len_ = 0;
    }
    last_byte_us_ = now;
    if (frame_len_ == 0) {
      if (b == 0xE2) {
        need_ = 3;
      } else if (b == 0xF7) {
        need_ = 4;
      } else {
        if (b >= 1 && b <= 32)
          Log("command %2d (0x%02X)", b, b);
        else
          Log("unexpected byte 0x%02X", b);
        return;
      }
    }
    frame_[frame_len_++] = b;
    const bool last = frame_len_ == need_;
    unsigned char reply = b;
    if (frame_len_ == 2 && o_.bad_echo) reply = static_cast<unsigned char>(~b);
    int value = 0;
    if (last) {
      value = ValueFor();
      reply = static_cast<unsigned char>(value);
    }
    if (!o_.silent && !(last && o_.short_reply)) Queue(reply);
    if (!last) return;
    frame_len_ = 0;
    if (frame_[0] == 0xE2) {
      Log("PeekAD %d -> %d", frame_[1], value);
    } else {
      Log("PeekSRAM %d,%d -> %d", frame_[1], frame_[2], value);
    }
  }

  int fd_;
  Options o_;
  std::uint64_t start_us_;
  std::uint32_t baud_ = 0;
  int data_ = 0;
  bool parity_ = false;
  int stop_ = 0;
  std::uint64_t byte_us_ = 0;
  std::uint64_t line_free_us_ = 0;
  std::deque<Pending> out_;
  unsigned char frame_[4] = {};
  int frame_len_ = 0;
  int need_ = 0;
  std::uint64_t last_byte_us_ = 0;
};

// Raw, so that every byte passes unchanged and nothing is echoed by the
// line discipline itself.
void MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd, TCSANOW, &t);
}

// Creates the port directory `*dir` and its parents where they are missing
// (as mkdir -p), or a new temporary one when *dir is empty; what it made is
// appended to *made, parents first. False, with the reason printed, when it
// cannot.
bool MakePortDir(std::string* dir, std::vector<std::string>* made) {
  if (dir->empty()) {
    char tmpl[] = "/tmp/padlink-ports-XXXXXX";
    if (!mkdtemp(tmpl)) {
      std::fprintf(stderr, "padlink-robot: cannot create a port directory\n");
      return false;
    }
    *dir = tmpl;
    made->push_back(*dir);
    return true;
  }
  for (std::size_t end = dir->find('/', 1);; end = dir->find('/', end + 1)) {
    const std::string part = dir->substr(0, end);
    if (mkdir(part.c_str(), 0777) == 0) {
      made->push_back(part);
    } else if (errno != EEXIST) {
      std::fprintf(stderr, "padlink-robot: %s: %s\n", part.c_str(), std::strerror(errno));
      return false;
    }
    if (end == std::string::npos) return true;
  }
}

// Removes the directories MakePortDir made, deepest first, those that are
// empty: another robot may publish in the same one.
void RemoveDirs(const std::vector<std::string>& made) {
  for (auto it = made.rbegin(); it != made.rend(); ++it)
    rmdir(it->c_str());
}

}  // namespace

int main(int argc, char** argv) {
  PlatformOpenStandardStreams();
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    Usage();
    return 2;
  }
  if (o.help) {
    Help();
    return 0;
  }
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  prctl(PR_SET_TIMERSLACK, 1000UL);  // pace reply bytes to the microsecond

  int fd = -1;
  int slave = -1;
  std::string link;                   // the published comN
  std::vector<std::string> own_dirs;  // directories made here, removed at the end
  if (!o.device.empty()) {
    fd = open(o.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "padlink-robot: %s: %s\n", o.device.c_str(), std::strerror(errno));
      return 1;
    }
    MakeRaw(fd);
    if (!o.quiet) std::printf("padlink-robot: serving %s\n", o.device.c_str());
  } else {
    fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
      std::fprintf(stderr, "padlink-robot: cannot create a pseudo-terminal: %s\n",
                   std::strerror(errno));
      return 1;
    }
    fcntl(fd, F_SETFL, O_NONBLOCK);
    const std::string slave_path = ptsname(fd);
    // Hold the far end open, so that the line stays up between padlink runs.
    slave = open(slave_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    MakeRaw(slave);
    std::string dir = o.port_dir;
    if (dir.empty() && std::getenv("PADLINK_PORT_DIR")) dir = std::getenv("PADLINK_PORT_DIR");
    if (!MakePortDir(&dir, &own_dirs)) return 1;
    link = dir + "/com" + std::to_string(o.port);
    unlink(link.c_str());
    if (symlink(slave_path.c_str(), link.c_str()) != 0) {
      std::fprintf(stderr, "padlink-robot: %s: %s\n", link.c_str(), std::strerror(errno));
      RemoveDirs(own_dirs);
      return 1;
    }
    if (!o.quiet) {
      std::printf("padlink-robot: serving %s as %s\n", slave_path.c_str(), link.c_str());
      std::printf("connect with: PADLINK_PORT_DIR=%s padlink -c %d -d -a 3\n", dir.c_str(), o.port);
    }
  }
  std::fflush(stdout);

  Robot(fd, o).Run();

  if (!link.empty()) unlink(link.c_str());
  RemoveDirs(own_dirs);
  if (slave >= 0) close(slave);
  close(fd);
  if (!o.quiet) std::printf("padlink-robot: stopped\n");
  return 0;
}
