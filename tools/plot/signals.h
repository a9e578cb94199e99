// The signals padlink-plot answers. They stay blocked but while it waits for
// input, so that each of them only ends a wait, and what it asks for is done
// in between.
#pragma once

#include <poll.h>
#include <signal.h>
#include <time.h>

namespace plot {

// One at a time: the signals' dispositions are the process's.
class SignalWatch {
 public:
  // SIGINT, SIGTERM and SIGHUP end the program; when `live`, SIGWINCH,
  // SIGTSTP and SIGCONT are answered too.
  explicit SignalWatch(bool live);
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // Waits as ppoll(fds, 1, timeout), the signals let in meanwhile; errno as
  // ppoll left it.
  int Wait(pollfd* fds, const timespec* timeout);

  // The ending signal, or 0.
  int quit() const { return quit_; }
  // Whether Ctrl+Z asked us to stop.
  bool TakeSuspend();
  // Whether the screen wants drawing anew: its size changed, or we were
  // stopped and continued.
  bool TakeRedraw();

  // Stops the program as Ctrl+Z does, until it is continued.
  void Stop();

  // Ends the program as the ending signal would have, also one that came
  // only now: padlink, ended by the same Ctrl+C, may close the pipe before
  // our signal arrives. Else lets the blocked signals in as they were.
  void EndAsCaught();

 private:
  void TakeCaught();

  sigset_t old_mask_;
  int quit_ = 0;
  bool resized_ = false;
  bool suspend_ = false;
  bool continued_ = false;
};

}  // namespace plot
