// The keyboard on POSIX: standard input, a terminal put into single-key mode
// while the keyboard is open, and its exact previous settings back when it
// closes and on every other way out. The settings are taken at start-up,
// before any device is opened, and the clean-up on fatal signals is in place
// for every run. The signal handlers reach the settings here, in the
// platform's own state; the keyboard object holds the rest.
//
// The key test runs in every pass of the control loop, 200 times a second
// when nothing happens. On a terminal it costs no system call: the terminal
// signals the arrival of input (O_ASYNC), and only then does the test look
// at standard input.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "keys/term_decoder.h"
#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

// The terminal's settings before the run, whether ours are in force, and
// whether a keyboard is open (a resumed run takes the terminal back only
// then).
termios g_saved;
volatile sig_atomic_t g_have_saved = 0;
volatile sig_atomic_t g_raw = 0;
volatile sig_atomic_t g_keyboard_open = 0;
bool g_started = false;

// Input arrival: the terminal's signal sets the flag; the key test clears it
// before it reads, so input that arrives while it reads sets it again. It
// is set when a keyboard opens, for what was typed before.
constexpr int kInputSignal = SIGURG;
volatile sig_atomic_t g_input_arrived = 1;

// Bracketed paste: while padlink holds the terminal, the terminal marks
// pasted text (CSI 200 ~ before it, CSI 201 ~ after it), so that a paste
// drives nothing. Terminals without it ignore the request. It goes to the
// terminal itself, never to standard output, which may be a file of samples.
constexpr char kPasteMarksOn[] = "\x1b[?2004h";
constexpr char kPasteMarksOff[] = "\x1b[?2004l";

// Most bytes one look at standard input takes: a long paste streaming in
// is read over several passes of the loop, which meanwhile goes on.
constexpr int kMaxPumpBytes = 4096;

// Async-signal-safe. A terminal that cannot be written to keeps its modes.
void WriteMode(const char* mode, std::size_t length) {
  while (write(STDIN_FILENO, mode, length) < 0 && errno == EINTR) {
  }
}

// Single keys: no line editing, no echo, Enter arrives as 13 and Ctrl+S as a
// key; pasted text marked. Signal characters stay on; output processing is
// left as it was. Only from the terminal's foreground: a run in the
// background (the shell's "padlink ... &", or after Ctrl+Z and bg) leaves the
// terminal to the shell, and changing it there would stop the run (SIGTTOU);
// it takes the terminal when it is brought to the foreground, which
// continues it (SIGCONT). Async-signal-safe.
void EnterRaw() {
  if (!g_have_saved || tcgetpgrp(STDIN_FILENO) != getpgrp()) return;
  termios t = g_saved;
  t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
  t.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0) {
    g_raw = 1;
    WriteMode(kPasteMarksOn, sizeof kPasteMarksOn - 1);
  }
}

// The terminal's settings as they were, pasted text unmarked.
// Async-signal-safe.
void Restore() {
  if (g_raw) {
    const int saved_errno = errno;
    WriteMode(kPasteMarksOff, sizeof kPasteMarksOff - 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    g_raw = 0;
    errno = saved_errno;
  }
}

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

void Install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);
}

// A signal the process was started with ignored (nohup, a background job
// of a shell without job control) stays ignored.
void InstallUnlessIgnored(int sig, void (*handler)(int)) {
  struct sigaction old {};
  if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
  Install(sig, handler);
}

void OnSuspend(int);

// Requests from outside the run (PlatformTakeRequests): while the run takes
// them, the handlers note the signal of an end request and a suspend
// request here, for the run to act on between its steps.
volatile sig_atomic_t g_take_requests = 0;
volatile sig_atomic_t g_end_signal = 0;  // 0: no end request
volatile sig_atomic_t g_suspend_requested = 0;

// Delivers `sig` with its default action, which ends (or stops) the process.
void RaiseDefault(int sig) {
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
}

// Restore the terminal at once. While the run takes requests, note the
// signal and let the run end (sending its stop command, closing the port);
// otherwise die of the same signal now, so that the exit status still names
// it.
void OnFatalSignal(int sig) {
  const int saved_errno = errno;
  Restore();
  if (g_take_requests) {
    if (!g_end_signal) g_end_signal = sig;
    errno = saved_errno;
    return;
  }
  PosixSerialReleaseAll();
  RaiseDefault(sig);  // delivered when the handler returns
}

// Suspend: the shell gets its terminal back as it was; on resume the run
// takes it over again. Async-signal-safe.
void SuspendNow() {
  Restore();
  RaiseDefault(SIGTSTP);  // stops here until SIGCONT
  Install(SIGTSTP, OnSuspend);
  if (g_keyboard_open) EnterRaw();
}

// While the run takes requests it suspends itself between its steps.
void OnSuspend(int) {
  const int saved_errno = errno;
  if (g_take_requests)
    g_suspend_requested = 1;
  else
    SuspendNow();
  errno = saved_errno;
}

// Resumed after a stop that could not be caught (SIGSTOP).
void OnContinue(int) {
  const int saved_errno = errno;
  if (g_keyboard_open && !g_raw) EnterRaw();
  errno = saved_errno;
}

void RestoreAtExit() {
  Restore();
}

void OnInput(int) {
  g_input_arrived = 1;
}

// Asks the terminal to signal this process whenever input arrives. That needs
// an open file description of our own (the O_ASYNC flag and the signal's
// owner belong to it, and the one of standard input is shared with the
// shell), so the terminal is opened once more; the signals end when it is
// closed. The terminal first makes its foreground process group the owner;
// until the owner is set to this process a signal could reach other
// programs of the job, so the signal is one that they ignore unless they ask
// for it. Returns the descriptor, or -1 where any step fails: the key test
// then looks at standard input in every pass.
int WatchInput() {
#if defined(F_SETSIG)
  const char* name = ttyname(STDIN_FILENO);
  const int fd =
      open(name ? name : "/proc/self/fd/0", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct sigaction sa {};
  sa.sa_handler = OnInput;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  const int flags = fcntl(fd, F_GETFL);
  if (isatty(fd) && sigaction(kInputSignal, &sa, nullptr) == 0 &&
      fcntl(fd, F_SETSIG, kInputSignal) == 0 && flags >= 0 &&
      fcntl(fd, F_SETFL, flags | O_ASYNC) == 0 && fcntl(fd, F_SETOWN, getpid()) == 0) {
    return fd;
  }
  close(fd);
#endif
  return -1;
}

class PosixKeyboard : public Keyboard {
 public:
  PosixKeyboard();
  ~PosixKeyboard() override;
  SysResult<std::optional<Key>> Poll() override;
  SysResult<Key> Read() override;
  void Discard() override;
  bool Ended() override { return end_of_input_ && DecoderWaitMs(&decoder_, PlatformTickMs()) < 0; }

 private:
  void Pump();

  TermDecoder decoder_;
  bool end_of_input_ = false;
  int read_error_ = 0;  // the errno of a failed read, until it is reported
  int watch_fd_ = -1;   // the terminal's input signal; -1: none, look every time
};

PosixKeyboard::PosixKeyboard() {
  DecoderReset(&decoder_);
  if (!g_have_saved) return;
  g_input_arrived = 1;
  g_keyboard_open = 1;
  InstallUnlessIgnored(SIGTSTP, OnSuspend);
  InstallUnlessIgnored(SIGCONT, OnContinue);
  EnterRaw();
  watch_fd_ = WatchInput();
}

PosixKeyboard::~PosixKeyboard() {
  g_keyboard_open = 0;
  if (watch_fd_ >= 0) close(watch_fd_);
  Restore();
}

// Feeds what standard input holds now to the decoder, without waiting: no
// more than the decoder has room for, so that keys typed ahead or pasted wait
// in the terminal's own buffer until the loop takes the keys before them, and
// no more than kMaxPumpBytes, so that a long paste streaming in cannot hold
// the caller here. An unfinished key is settled by its time-out only once
// nothing more waits, and at once when the input has ended.
void PosixKeyboard::Pump() {
  bool drained = false;
  int pumped = 0;
  while (!end_of_input_ && read_error_ == 0 && pumped < kMaxPumpBytes) {
    const int room = DecoderRoom(&decoder_);
    if (room == 0) break;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int r = poll(&p, 1, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) {
      drained = true;
      break;
    }
    unsigned char buf[64];
    const ssize_t n = read(STDIN_FILENO, buf, room < 64 ? room : 64);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) break;
    if (n < 0) {
      read_error_ = errno;
      break;
    }
    if (n == 0) {
      end_of_input_ = true;
      break;
    }
    pumped += static_cast<int>(n);
    const std::uint32_t now = PlatformTickMs();
    for (ssize_t i = 0; i < n; ++i)
      DecoderFeed(&decoder_, buf[i], now);
  }
  if (end_of_input_) {
    DecoderFinish(&decoder_);
  } else if (drained || read_error_ != 0) {
    DecoderTick(&decoder_, PlatformTickMs());
  } else {
    g_input_arrived = 1;  // keys still wait in the terminal: look again next time
  }
}

SysResult<std::optional<Key>> PosixKeyboard::Poll() {
  if (watch_fd_ < 0 || g_input_arrived) {
    g_input_arrived = 0;
    Pump();
  } else {
    DecoderTick(&decoder_, PlatformTickMs());  // a held Esc settles on time
  }
  if (std::optional<Key> key = DecoderTake(&decoder_)) return key;
  if (read_error_ != 0) {
    const int error = read_error_;
    read_error_ = 0;
    return Fail(PlatformError(error));
  }
  return std::optional<Key>();
}

// The kernel empties the terminal's queue on the suspend key itself; what
// came after it, and what was read already, goes here.
void PosixKeyboard::Discard() {
  DecoderReset(&decoder_);
  if (!end_of_input_ && isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

SysResult<Key> PosixKeyboard::Read() {
  for (;;) {
    Pump();
    if (std::optional<Key> key = DecoderTake(&decoder_)) return *key;
    if (read_error_ != 0) {
      const int error = read_error_;
      read_error_ = 0;
      return Fail(PlatformError(error));
    }
    // Whatever was held settled when the input ended.
    if (end_of_input_) return Fail(SysError{0, "the input has ended", ErrorKind::kEnded});
    pollfd p{STDIN_FILENO, POLLIN, 0};
    poll(&p, 1, DecoderWaitMs(&decoder_, PlatformTickMs()));
  }
}

}  // namespace

void PlatformStartUp() {
  if (g_started) return;
  g_started = true;
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &g_saved) == 0) g_have_saved = 1;
  for (int sig : kFatalSignals)
    InstallUnlessIgnored(sig, OnFatalSignal);
  std::atexit(RestoreAtExit);
}

std::unique_ptr<Keyboard> PlatformOpenKeyboard() {
  PlatformStartUp();  // when start-up has not done it already
  return std::make_unique<PosixKeyboard>();
}

void PlatformTakeRequests() {
  g_take_requests = 1;
  // A suspend request also without a terminal to give back.
  InstallUnlessIgnored(SIGTSTP, OnSuspend);
}

OutsideRequest PlatformRequest() {
  if (g_end_signal) return OutsideRequest::kEnd;
  if (g_suspend_requested) {
    g_suspend_requested = 0;
    return OutsideRequest::kSuspend;
  }
  return OutsideRequest::kNone;
}

void PlatformSuspend() {
  g_suspend_requested = 0;
  SuspendNow();
}

bool PlatformEndRequested() {
  return g_end_signal != 0;
}

bool PosixEndRequested() {
  return PlatformEndRequested();
}

void PlatformExit(int status) {
  Restore();
  if (const int sig = g_end_signal) {
    std::fflush(nullptr);
    PosixSerialReleaseAll();
    RaiseDefault(sig);
  }
  std::exit(status);
}
