// Keys typed on padlink's terminal become command bytes on its serial port,
// and the terminal is left exactly as it was, however the run ends: its
// settings, and bracketed paste, on while padlink runs, off again.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/padlink_run.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class KeysE2E : public PadlinkRun {
 protected:
  // Starts padlink and waits until it reads keys.
  testpty::Child StartReady(std::vector<std::string> args) {
    before_ = ConsoleSettings();
    ConsoleOutput();  // what earlier runs wrote
    console_output_.clear();
    testpty::Child c = Start(std::move(args));
    EXPECT_TRUE(WaitForKeyboard());
    return c;
  }

  void Type(const std::string& keys) { testpty::WriteAll(console_.master, keys); }

  // Waits for the end of the run; its exit code, or -signal.
  int Finish(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 5000, &status));
    EXPECT_TRUE(SameSettings(ConsoleSettings(), before_)) << "terminal not restored";
    EXPECT_TRUE(testpty::PasteMarksOnThenOff(ConsoleOutput())) << "bracketed paste left on";
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return testpty::ExitCode(status);
  }

  termios before_{};
};

TEST_F(KeysE2E, KeySequencesBecomeCommandBytesInCableMode) {
  testpty::Child c = StartReady({"-c", "1", "-d"});
  // '1', Up, '1', Ctrl+Left, Enter, F2 (SS3), a UTF-8 character, an unknown
  // sequence, 'a', Ctrl+Up (CSI with modifier), Shift+Up as rxvt sends it.
  Type(std::string("1\x1b[A1\x1b[1;5D\r\x1bOQ") + "\xc3\xa9\x1b[99~a");
  Type("\x1b[1;5A\x1b[a");
  const Bytes bytes = testpty::ReadBytes(port_.master, 9, 3000);
  EXPECT_EQ(bytes, (Bytes{1, 11, 1, 22, 26, 25, 15, 10, 11}));
  // No stray bytes from the character or the unknown sequence.
  EXPECT_TRUE(testpty::ReadFor(port_.master, 100).empty());
  Type("S");
  EXPECT_EQ(Finish(c), 0);
  EXPECT_EQ(c.out_text, "");
  EXPECT_EQ(c.err_text, "");
}

TEST_F(KeysE2E, StrobeModeOnALineWithoutRtsReportsEachStrobe) {
  testpty::Child c = StartReady({"-c", "1"});
  Type("5");
  EXPECT_EQ(testpty::ReadBytes(port_.master, 1, 3000), Bytes{5});
  ASSERT_TRUE(testpty::WaitForOutput(c, "CMD:SETRTS error\n", 3000, true));
  Type("\x1b[3~");  // Delete quits
  EXPECT_EQ(Finish(c), 0);
  EXPECT_EQ(c.err_text, "CMD:CLRRTS error\nCMD:SETRTS error\n");
}

TEST_F(KeysE2E, EachQuitKeyEndsWithZeroAndRestoresTheTerminal) {
  for (const char* quit : {"\x1b", "S", "\x1b[3~", "\x1b[3;2~", "\x1b[P", "\x1b[2K"}) {
    testpty::Child c = StartReady({"-c", "1", "-d"});
    Type(quit);
    EXPECT_EQ(Finish(c), 0) << quit;
    EXPECT_TRUE(PortIsFree());
  }
}

TEST_F(KeysE2E, SignalsEndTheRunAndRestoreTheTerminal) {
  {
    testpty::Child c = StartReady({"-c", "1", "-d"});
    Type("\x03");  // Ctrl+C
    EXPECT_EQ(Finish(c), -SIGINT);
  }
  for (int sig : {SIGTERM, SIGHUP, SIGQUIT}) {
    testpty::Child c = StartReady({"-c", "1", "-d"});
    kill(c.pid, sig);
    EXPECT_EQ(Finish(c), -sig);
  }
}

TEST_F(KeysE2E, CtrlZGivesTheTerminalBackAndResumeTakesItAgain) {
  before_ = ConsoleSettings();
  testpty::Child c = Start({"-c", "1", "-d"}, /*job=*/true);
  ASSERT_TRUE(WaitForKeyboard());
  const pid_t job = tcgetpgrp(console_.master);
  ASSERT_GT(job, 0);
  Type("\x1a");  // Ctrl+Z
  bool stopped = false;
  for (int i = 0; i < 300 && !stopped; ++i) {
    testpty::SleepMs(10);
    stopped = testpty::ProcessState(job) == 'T';
  }
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(SameSettings(ConsoleSettings(), before_));
  EXPECT_TRUE(testpty::PasteMarksOnThenOff(ConsoleOutput())) << "bracketed paste left on";
  kill(-job, SIGCONT);
  EXPECT_TRUE(WaitForKeyboard());
  testpty::SleepMs(50);
  const std::string resumed = ConsoleOutput();
  EXPECT_EQ(resumed.substr(resumed.size() - 8), "\x1b[?2004h") << "not marked again";
  Type("7");
  EXPECT_EQ(testpty::ReadBytes(port_.master, 1, 3000), Bytes{7});
  Type("S");
  EXPECT_EQ(Finish(c), 0);
}

// "padlink ... &", then "kill %1": a run in the background leaves the
// terminal alone (taking it would stop the run, SIGTTOU, for good), and the
// shell's SIGTERM and SIGCONT end it.
TEST_F(KeysE2E, ABackgroundRunLeavesTheTerminalAloneAndEndsOnKill) {
  before_ = ConsoleSettings();
  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN, "-c", "1", "-d"};
  o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
  o.stdin_path = console_.slave_path;
  o.terminal = true;
  o.job = true;
  o.background = true;
  testpty::Child c = testpty::Spawn(o);
  ASSERT_TRUE(WaitForConfiguredPort());
  pid_t job = -1;
  for (int i = 0; i < 300 && job < 0; ++i) {
    job = testpty::ChildOf(c.pid);
    if (job < 0) testpty::SleepMs(10);
  }
  ASSERT_GT(job, 0);
  // The keyboard opens right after the port is configured.
  bool stopped = false;
  for (int i = 0; i < 50 && !stopped; ++i) {
    testpty::SleepMs(10);
    stopped = testpty::ProcessState(job) == 'T';
  }
  EXPECT_FALSE(stopped);
  EXPECT_TRUE(SameSettings(ConsoleSettings(), before_));
  kill(-job, SIGTERM);
  kill(-job, SIGCONT);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(c, 5000, &status));
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(SameSettings(ConsoleSettings(), before_));
  // Never in the foreground, it never asked for bracketed paste.
  EXPECT_EQ(ConsoleOutput().find("\x1b[?2004"), std::string::npos);
  EXPECT_TRUE(PortIsFree());
}

// Keys from a pipe: the keys, and once their commands are out the quit key
// (which would end the run at once, before the keys, if it came with them).
TEST_F(KeysE2E, KeysFromAPipeNeedNoTerminal) {
  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN, "-c", "1", "-d"};
  o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
  const std::string keys = dir_.path() + "/keys";
  ASSERT_EQ(mkfifo(keys.c_str(), 0600), 0);
  const int pipe = open(keys.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(pipe, 0);
  o.stdin_path = keys;
  testpty::Child c = testpty::Spawn(o);
  testpty::WriteAll(pipe, "12\x1b[B");
  Bytes got;
  // Until padlink has the port, its other end reads nothing at once.
  for (int i = 0; i < 100 && got.size() < 3; ++i) {
    const Bytes more = testpty::ReadFor(port_.master, 50);
    got.insert(got.end(), more.begin(), more.end());
    if (more.empty()) testpty::SleepMs(50);
  }
  EXPECT_EQ(got, (Bytes{1, 2, 12}));
  testpty::WriteAll(pipe, "S");
  close(pipe);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(c, 5000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0);
  EXPECT_EQ(testpty::ReadFor(port_.master, 200), Bytes{});
}

}  // namespace
