// padlink-plot: reads padlink's monitor lines on standard input and draws
// them as a live chart in the terminal, on the alternate screen, while
// padlink keeps the keyboard. When the input ends, or on SIGINT, SIGTERM or
// SIGHUP, it leaves the alternate screen and prints a summary line per
// series; it can also pass its input through to a file and write an SVG
// picture of the whole run.
//
//   padlink -c 1 -d -a 3 -g 2 -t 0 | padlink-plot [--window SECONDS]
//       [--csv FILE] [--svg FILE] [--title TEXT]
//   padlink-plot --svg run.svg < run.csv
//
// It never changes the terminal's settings (padlink owns them): all it does
// is write escape sequences.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/plot/live_chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/options.h"
#include "tools/plot/output_files.h"

namespace {

volatile sig_atomic_t g_quit = 0;  // the ending signal
volatile sig_atomic_t g_resized = 0;
volatile sig_atomic_t g_suspend = 0;
volatile sig_atomic_t g_continued = 0;

void OnQuit(int sig) {
  g_quit = sig;
}
void OnResize(int) {
  g_resized = 1;
}
void OnSuspend(int) {
  g_suspend = 1;
}
void OnContinue(int) {
  g_continued = 1;
}

void Install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);  // no SA_RESTART: the wait ends at once
}

}  // namespace

int main(int argc, char** argv) {
  plot::Options o;
  const int parsed = plot::ParseOptions(argc, argv, &o);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;

  plot::InputCopy csv;
  if (!csv.Open(o.csv)) return 1;

  // A saved log is read as fast as it goes, without a chart.
  struct stat in {};
  const bool from_file = fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode);
  const bool live = isatty(STDOUT_FILENO) && !from_file;

  // The signals wait, blocked, until the poll below lets them in.
  sigset_t handled, old_mask;
  sigemptyset(&handled);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGWINCH, SIGTSTP, SIGCONT})
    sigaddset(&handled, sig);
  sigprocmask(SIG_BLOCK, &handled, &old_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP})
    Install(sig, OnQuit);
  if (live) {
    Install(SIGWINCH, OnResize);
    Install(SIGTSTP, OnSuspend);
    Install(SIGCONT, OnContinue);
  }

  plot::LogParser parser;
  plot::LiveChart chart(o.window_s);
  if (live) {
    chart.Enter();
    chart.Draw(parser.run(), true);
  }

  int read_error = 0;
  bool dirty = false;
  std::int64_t next_draw = 0;
  std::vector<char> buf(1 << 20);
  constexpr std::int64_t kFrameMs = 50;  // at most 20 frames a second
  for (;;) {
    if (g_quit) break;
    if (g_suspend) {
      // Ctrl+Z: give the shell its screen back, stop, and come back.
      g_suspend = 0;
      chart.Leave();
      signal(SIGTSTP, SIG_DFL);
      sigset_t tstp;
      sigemptyset(&tstp);
      sigaddset(&tstp, SIGTSTP);
      sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
      raise(SIGTSTP);
      sigprocmask(SIG_BLOCK, &tstp, nullptr);
      Install(SIGTSTP, OnSuspend);
      chart.Enter();
      g_continued = 1;
    }
    if (live && (g_resized || g_continued)) {
      g_resized = 0;
      g_continued = 0;
      chart.Draw(parser.run(), true);
      dirty = false;
      next_draw = plot::NowMs() + kFrameMs;
    }
    timespec wait{};
    timespec* timeout = nullptr;
    if (live && dirty) {
      const std::int64_t left = std::max<std::int64_t>(0, next_draw - plot::NowMs());
      wait.tv_sec = static_cast<time_t>(left / 1000);
      wait.tv_nsec = static_cast<long>(left % 1000) * 1000000L;
      timeout = &wait;
    }
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int r = ppoll(&p, 1, timeout, &old_mask);
    if (r < 0 && errno != EINTR) {
      read_error = errno;
      break;
    }
    if (r > 0) {
      const ssize_t n = read(STDIN_FILENO, buf.data(), buf.size());
      if (n == 0) break;
      if (n < 0 && errno != EINTR && errno != EAGAIN) {
        read_error = errno;
        break;
      }
      if (n > 0) {
        const std::string_view bytes(buf.data(), static_cast<std::size_t>(n));
        csv.Write(bytes);
        parser.Feed(bytes);
        dirty = true;
      }
    }
    if (live && dirty && plot::NowMs() >= next_draw) {
      chart.Draw(parser.run(), false);
      dirty = false;
      next_draw = plot::NowMs() + kFrameMs;
    }
  }
  chart.Leave();
  parser.Finish();

  int status = 0;
  if (read_error != 0) {
    std::fprintf(stderr, "padlink-plot: reading standard input: %s\n", std::strerror(read_error));
    status = 1;
  }
  if (!csv.Close()) status = 1;
  if (!o.svg.empty() && !plot::SaveSvg(o.svg, o.title, parser.run())) status = 1;
  const std::string summary = plot::SummaryText(parser.run());
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  std::fflush(stdout);

  // End as the signal would have ended us, also when it came only after the
  // input ended: padlink, ended by the same Ctrl+C, may close the pipe
  // before our signal arrives.
  for (int sig : {SIGINT, SIGTERM, SIGHUP})
    signal(sig, SIG_DFL);
  if (g_quit) raise(g_quit);
  sigprocmask(SIG_SETMASK, &old_mask, nullptr);  // delivers what is pending
  return status;
}
