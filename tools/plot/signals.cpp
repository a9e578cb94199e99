// The signals padlink-plot answers on POSIX, and its standard input.
#include "tools/plot/signals.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace plot {

namespace {

// The signals that end the program, the lowest number first, as the system
// lets them in when several wait; and those the live chart answers.
constexpr int kEnding[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int kLive[] = {SIGWINCH, SIGTSTP, SIGCONT};

// The signals caught and not yet taken, a bit each. The handler runs with
// all of them blocked, and they are taken while all of them are blocked, so
// neither can come between the other's read and write.
volatile sig_atomic_t g_caught = 0;

void OnSignal(int sig) {
  g_caught = g_caught | (1 << sig);
}

sigset_t Handled() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kEnding)
    sigaddset(&set, sig);
  for (int sig : kLive)
    sigaddset(&set, sig);
  return set;
}

void Catch(int sig) {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sa.sa_mask = Handled();
  sigaction(sig, &sa, nullptr);  // no SA_RESTART: the wait ends at once
}

}  // namespace

SignalWatch::SignalWatch(bool live) {
  // The signals wait, blocked, until Wait lets them in.
  const sigset_t handled = Handled();
  sigprocmask(SIG_BLOCK, &handled, &old_mask_);
  for (int sig : kEnding)
    Catch(sig);
  if (live) {
    for (int sig : kLive)
      Catch(sig);
  }
}

SignalWatch::~SignalWatch() = default;

int SignalWatch::Wait(int timeout_ms) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  timespec limit{timeout_ms / 1000, static_cast<long>(timeout_ms % 1000) * 1000000L};
  const int r = ppoll(&p, 1, timeout_ms < 0 ? nullptr : &limit, &old_mask_);
  const int saved_errno = errno;
  TakeCaught();
  errno = saved_errno;
  return r > 0 ? 1 : r;
}

long SignalWatch::Read(char* bytes, std::size_t n) {
  return read(STDIN_FILENO, bytes, n);
}

void SignalWatch::TakeCaught() {
  const int caught = g_caught;
  g_caught = 0;
  for (int sig : kEnding)
    if (quit_ == 0 && (caught & (1 << sig))) quit_ = sig;
  if (caught & (1 << SIGWINCH)) resized_ = true;
  if (caught & (1 << SIGTSTP)) suspend_ = true;
  if (caught & (1 << SIGCONT)) continued_ = true;
}

bool SignalWatch::TakeSuspend() {
  const bool suspend = suspend_;
  suspend_ = false;
  return suspend;
}

bool SignalWatch::TakeRedraw() {
  const bool redraw = resized_ || continued_;
  resized_ = false;
  continued_ = false;
  return redraw;
}

void SignalWatch::Stop() {
  struct sigaction stop {
  }, ours{};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTSTP, &stop, &ours);
  sigset_t tstp;
  sigemptyset(&tstp);
  sigaddset(&tstp, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
  raise(SIGTSTP);
  sigprocmask(SIG_BLOCK, &tstp, nullptr);
  sigaction(SIGTSTP, &ours, nullptr);
  continued_ = true;
}

void SignalWatch::EndAsCaught() {
  for (int sig : kEnding)
    signal(sig, SIG_DFL);
  if (quit_ != 0) raise(quit_);
  sigprocmask(SIG_SETMASK, &old_mask_, nullptr);  // delivers what is pending
}

}  // namespace plot
