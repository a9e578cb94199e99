// padlink as a user runs it: its keyboard a pseudo-terminal (the console),
// its serial port another, reached through a port directory.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/pty.h"

class PadlinkRun : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = testpty::OpenPty();
    console_ = testpty::OpenPty(/*raw=*/false);
    dir_.LinkPort(1, port_.slave_path);
  }
  void TearDown() override {
    testpty::ClosePty(port_);
    testpty::ClosePty(console_);
  }

  testpty::Child Start(std::vector<std::string> args, bool job = false) {
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    o.job = job;
    return testpty::Spawn(o);
  }

  termios ConsoleSettings() const {
    termios t{};
    tcgetattr(console_.master, &t);
    return t;
  }

  // What padlink wrote to its console so far (its terminal modes).
  const std::string& ConsoleOutput() {
    const std::vector<std::uint8_t> bytes = testpty::ReadFor(console_.master, 50);
    console_output_.append(bytes.begin(), bytes.end());
    return console_output_;
  }

  // Waits until padlink reads single keys from its console.
  bool WaitForKeyboard() const {
    for (int i = 0; i < 500; ++i) {
      if (!(ConsoleSettings().c_lflag & ICANON)) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  // Waits until padlink has set the port to 9600 baud.
  bool WaitForConfiguredPort() const {
    for (int i = 0; i < 500; ++i) {
      termios t{};
      tcgetattr(port_.master, &t);
      if (cfgetospeed(&t) == B9600) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  // True when nothing holds the port any more.
  bool PortIsFree() const {
    const int fd = open(port_.slave_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool free = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) close(fd);
    return free;
  }

  static bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
  }

  testpty::TempDir dir_;
  testpty::Pty port_;
  testpty::Pty console_;
  std::string console_output_;
};
