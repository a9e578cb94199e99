// Standard input and what interrupts its reading: the signals padlink-plot
// answers on POSIX (signals.cpp), the console's control events on Windows
// (signals_win32.cpp). On POSIX the signals stay blocked but while it waits
// for input, so that each of them only ends a wait, and what it asks for is
// done in between.
#pragma once

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>

#include <string>
#else
#include <signal.h>
#endif

namespace plot {

// One at a time: the signals' dispositions (the console's control handler)
// are the process's.
class SignalWatch {
 public:
  // SIGINT, SIGTERM and SIGHUP end the program (on Windows Ctrl+C,
  // Ctrl+Break and closing the console); when `live`, SIGWINCH, SIGTSTP and
  // SIGCONT are answered too (on Windows a change of the window's size).
  explicit SignalWatch(bool live);
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // Waits until standard input has something to read (its end too), an
  // ending signal comes, or timeout_ms pass (-1: no limit). 1 when input
  // waits, 0 when not, -1 when the wait failed (errno says why; EINTR for a
  // signal).
  int Wait(int timeout_ms);
  // Reads what standard input has, up to n bytes: their number, 0 at its
  // end, -1 on failure (errno; EINTR or EAGAIN when nothing is there yet).
  long Read(char* bytes, std::size_t n);

  // The ending signal (on Windows the console's event plus one), or 0.
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

  int quit_ = 0;
  bool resized_ = false;
#if defined(_WIN32)
  bool live_;
  int width_ = 0, height_ = 0;
  HANDLE reader_ = nullptr;
#else
  sigset_t old_mask_;
  bool suspend_ = false;
  bool continued_ = false;
#endif
};

}  // namespace plot
