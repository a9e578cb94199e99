// The programs the benchmark starts, copied where an unprivileged user can
// run them, and the way this program starts them: through itself, to drop
// the real-time privilege and preload libptymodem on the way.
#pragma once

#include <sys/types.h>

#include <string>

class Stage {
 public:
  // Copies padlink and libptymodem to a new directory every user can read;
  // exits with status 2 when there is none.
  Stage();
  // Removes the directory with the copies.
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // This program, to start the others through it ("--exec", "--sleep-loop").
  const std::string& self() const { return self_; }
  const std::string& padlink() const { return padlink_; }
  const std::string& ptymodem() const { return ptymodem_; }
  // The simulated robot, where it was built (it keeps the privilege).
  const std::string& robot() const { return robot_; }

 private:
  std::string self_;
  std::string dir_;
  std::string padlink_;
  std::string ptymodem_;
  std::string robot_ = ROBOT_BIN;
};

// Opens a path to every user (the pseudo-terminals and directories a run
// uses, so that the unprivileged padlink can use them too).
void OpenToAll(const std::string& path, mode_t mode);

// "--exec [--unprivileged] PROGRAM ARGS...": runs PROGRAM with libptymodem
// from $BENCH_PRELOAD, and without the real-time privilege when asked: no
// real-time priority limit, and as the user "nobody" when started as root.
// Returns only when it cannot run PROGRAM, with the exit status for that.
int ExecMode(int argc, char** argv);
