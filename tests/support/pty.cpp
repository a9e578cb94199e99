#include "tests/support/pty.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace testpty {

std::uint64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000 +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000;
}

bool PasteMarksOnThenOff(const std::string& output) {
  const std::size_t on = output.find("\x1b[?2004h");
  const std::size_t off = output.rfind("\x1b[?2004l");
  return on != std::string::npos && off != std::string::npos && on < off &&
         output.find("\x1b[?2004h", off) == std::string::npos;
}

char ProcessState(pid_t pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return 0;
  char buf[512] = {};
  const size_t n = fread(buf, 1, sizeof buf - 1, f);
  fclose(f);
  const char* close_paren = strrchr(buf, ')');
  return (n > 0 && close_paren && close_paren[1] == ' ') ? close_paren[2] : 0;
}

pid_t ChildOf(pid_t parent) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    FILE* f = fopen((entry.path() / "stat").c_str(), "r");
    if (!f) continue;
    char buf[512] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    // pid (comm) state ppid ...
    const char* close_paren = n > 0 ? strrchr(buf, ')') : nullptr;
    if (close_paren && std::atoi(close_paren + 4) == parent) return std::atoi(name.c_str());
  }
  return -1;
}

void SleepMs(int ms) {
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

Pty OpenPty(bool raw) {
  Pty pty;
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0)
    throw std::runtime_error("cannot create a pseudo-terminal");
  pty.slave_path = ptsname(pty.master);
  if (!raw) return pty;
  const int slave = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  close(slave);
  return pty;
}

void ClosePty(Pty& pty) {
  if (pty.master >= 0) close(pty.master);
  pty.master = -1;
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/padlink-test-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::LinkPort(int n, const std::string& target) const {
  const std::string link = path_ + "/com" + std::to_string(n);
  unlink(link.c_str());
  if (symlink(target.c_str(), link.c_str()) != 0) throw std::runtime_error("symlink failed");
}

Child Spawn(const ChildOptions& o) {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  if (o.capture && (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0))
    throw std::runtime_error("pipe failed");
  std::vector<char*> argv;
  for (const std::string& a : o.argv)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  uid_t uid = 0;
  gid_t gid = 0;
  const bool drop = o.unprivileged && geteuid() == 0;
  if (drop) {
    const passwd* nobody = getpwnam("nobody");
    if (!nobody) throw std::runtime_error("no user nobody");
    uid = nobody->pw_uid;
    gid = nobody->pw_gid;
  }

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    setsid();
    const char* in_path = o.stdin_path.empty() ? "/dev/null" : o.stdin_path.c_str();
    const int in = open(in_path, O_RDWR);
    if (in < 0) _exit(126);
    if (o.terminal) ioctl(in, TIOCSCTTY, 0);
    dup2(in, 0);
    if (o.capture) {
      const int to =
          o.stdout_path.empty() ? out[1] : open(o.stdout_path.c_str(), O_WRONLY | O_NOCTTY);
      if (to < 0) _exit(126);
      dup2(to, 1);
      dup2(err[1], 2);
    } else {
      dup2(in, 1);
      dup2(in, 2);
    }
    if (o.closed_fd >= 0) close(o.closed_fd);
    for (const std::string& e : o.env)
      putenv(const_cast<char*>(e.c_str()));
    signal(SIGPIPE, SIG_DFL);
    if (drop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) _exit(126);
    if (o.job) {
      signal(SIGTTOU, SIG_IGN);
      const pid_t job = fork();
      if (job == 0) {
        setpgid(0, 0);
        if (!o.background) tcsetpgrp(in, getpid());
        signal(SIGTTOU, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
      }
      setpgid(job, job);
      int st = 0;
      while (waitpid(job, &st, 0) < 0 && errno == EINTR) {
      }
      if (WIFSIGNALED(st)) {
        signal(WTERMSIG(st), SIG_DFL);
        kill(getpid(), WTERMSIG(st));
      }
      _exit(WIFEXITED(st) ? WEXITSTATUS(st) : 125);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  Child child;
  child.pid = pid;
  if (o.capture) {
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    fcntl(child.out, F_SETFL, O_NONBLOCK);
    fcntl(child.err, F_SETFL, O_NONBLOCK);
  }
  return child;
}

namespace {

// Moves whatever the pipes hold into the child's texts.
void Drain(Child& c) {
  char buf[4096];
  for (auto [fd, text] : {std::pair{&c.out, &c.out_text}, std::pair{&c.err, &c.err_text}}) {
    if (*fd < 0) continue;
    for (;;) {
      const ssize_t n = read(*fd, buf, sizeof buf);
      if (n > 0) {
        text->append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0) {
        close(*fd);
        *fd = -1;
      }
      break;
    }
  }
}

void PollPipes(const Child& c, int timeout_ms) {
  pollfd p[2] = {{c.out, POLLIN, 0}, {c.err, POLLIN, 0}};
  if (c.out < 0 && c.err < 0) {
    SleepMs(timeout_ms);
    return;
  }
  poll(p, 2, timeout_ms);
}

}  // namespace

bool Wait(Child& c, int timeout_ms, int* status, struct rusage* usage) {
  const std::uint64_t deadline = NowMs() + static_cast<std::uint64_t>(timeout_ms);
  for (;;) {
    Drain(c);
    struct rusage ignored {};
    const pid_t r = wait4(c.pid, status, WNOHANG, usage ? usage : &ignored);
    if (r == c.pid) {
      // Collect what is left in the pipes.
      for (int i = 0; i < 50 && (c.out >= 0 || c.err >= 0); ++i) {
        PollPipes(c, 10);
        Drain(c);
      }
      return true;
    }
    if (NowMs() >= deadline) {
      kill(c.pid, SIGKILL);
      waitpid(c.pid, status, 0);
      Drain(c);
      return false;
    }
    PollPipes(c, 5);
  }
}

bool WaitForOutput(Child& c, const std::string& needle, int timeout_ms, bool from_err) {
  const std::uint64_t deadline = NowMs() + static_cast<std::uint64_t>(timeout_ms);
  for (;;) {
    Drain(c);
    const std::string& text = from_err ? c.err_text : c.out_text;
    if (text.find(needle) != std::string::npos) return true;
    if (NowMs() >= deadline) return false;
    PollPipes(c, 5);
  }
}

bool WaitForLines(Child& c, std::size_t count, int timeout_ms) {
  const std::uint64_t deadline = NowMs() + static_cast<std::uint64_t>(timeout_ms);
  for (;;) {
    Drain(c);
    std::size_t lines = 0;
    for (char ch : c.out_text)
      lines += ch == '\n' ? 1 : 0;
    if (lines >= count) return true;
    if (NowMs() >= deadline) return false;
    PollPipes(c, 5);
  }
}

int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> ReadBytes(int fd, std::size_t count, int timeout_ms) {
  std::vector<std::uint8_t> out;
  const std::uint64_t deadline = NowMs() + static_cast<std::uint64_t>(timeout_ms);
  while (out.size() < count) {
    const std::uint64_t now = NowMs();
    if (now >= deadline) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline - now)) <= 0) break;
    if (!(p.revents & POLLIN)) break;
    std::uint8_t buf[512];
    const ssize_t n = read(fd, buf, std::min(sizeof buf, count - out.size()));
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  return out;
}

std::vector<std::uint8_t> ReadFor(int fd, int timeout_ms) {
  return ReadBytes(fd, static_cast<std::size_t>(-1) / 2, timeout_ms);
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("write failed");
    done += static_cast<std::size_t>(n);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

}  // namespace testpty
