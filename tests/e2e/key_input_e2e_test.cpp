// Keys as they really arrive, against the simulated robot: typed ahead from a
// file, pasted into the terminal in one burst, mixed with what the terminal
// reports on its own. Every key reaches the wire as its command, nothing else
// does, and the run never stalls.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"

namespace {

class KeyInputE2E : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path())); }
  void TearDown() override {
    robot_.Stop();
    testpty::ClosePty(console_);
  }

  // padlink with its keyboard on a new terminal (or a file when `keys_file`
  // is given).
  testpty::Child StartPadlink(std::vector<std::string> args, const std::string& keys_file = "") {
    testpty::ChildOptions o;
    o.argv = {PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
    if (keys_file.empty()) {
      console_ = testpty::OpenPty(/*raw=*/false);
      o.stdin_path = console_.slave_path;
      o.terminal = true;
    } else {
      o.stdin_path = keys_file;
    }
    return testpty::Spawn(o);
  }

  // Waits until padlink reads single keys from its terminal.
  bool WaitForKeyboard() const {
    for (int i = 0; i < 500; ++i) {
      termios t{};
      tcgetattr(console_.master, &t);
      if (!(t.c_lflag & ICANON)) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  void Type(const std::string& bytes) { testpty::WriteAll(console_.master, bytes); }

  int RunToEnd(testpty::Child& c) {
    int status = 0;
    if (!testpty::Wait(c, 20000, &status)) return -100;  // still running: killed
    return testpty::ExitCode(status);
  }

  std::vector<int> Commands() { return robot_.Commands(); }

  // Waits until the robot logged `count` commands.
  bool WaitForCommands(std::size_t count) {
    for (int i = 0; i < 1000; ++i) {
      if (Commands().size() >= count) return true;
      testpty::SleepMs(10);
    }
    return false;
  }

  testpty::TempDir dir_;
  testpty::Pty console_;
  testpty::Robot robot_;
};

// '1234567890' ten times: each key differs from the one before, so no repeat
// is suppressed, and each of the 100 keys is one command.
std::string HundredKeys() {
  std::string keys;
  for (int i = 0; i < 10; ++i)
    keys += "1234567890";
  return keys;
}

std::vector<int> HundredCommands() {
  std::vector<int> commands;
  for (int i = 0; i < 10; ++i)
    for (int c = 1; c <= 10; ++c)
      commands.push_back(c);
  return commands;
}

// Keys typed ahead faster than the loop takes them all reach the wire, in
// order, one a pass; a quit key ends the run as soon as it has come,
// whatever waits before it, so S comes once they are out. At the end of its
// input (a file) padlink waits for a signal or a quit key.
TEST_F(KeyInputE2E, KeysTypedAheadInAFileAllReachTheWire) {
  const std::string keys = dir_.path() + "/keys";
  FILE* f = std::fopen(keys.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs(HundredKeys().c_str(), f);
  std::fclose(f);
  testpty::Child c = StartPadlink({"-c", "1", "-d"}, keys);
  ASSERT_TRUE(WaitForCommands(100)) << c.err_text;
  kill(c.pid, SIGTERM);
  RunToEnd(c);
  EXPECT_EQ(Commands(), HundredCommands());
  // The end of the file is said once: no key can come any more.
  EXPECT_EQ(c.err_text,
            "padlink: standard input has ended, so no more keys can come; padlink runs on until a "
            "signal ends it (Ctrl+C, or kill)\n");
}

TEST_F(KeyInputE2E, KeysPastedIntoTheTerminalAllReachTheWireAndSQuits) {
  testpty::Child c = StartPadlink({"-c", "1", "-d"});
  ASSERT_TRUE(WaitForKeyboard());
  // Arrows among them: whole sequences, each its own key.
  Type(HundredKeys() + "\x1b[A\x1b[B\x1b[A\x1b[B");
  ASSERT_TRUE(WaitForCommands(104)) << c.err_text;
  Type("S");
  EXPECT_EQ(RunToEnd(c), 0) << c.err_text;
  std::vector<int> expected = HundredCommands();
  expected.insert(expected.end(), {11, 12, 11, 12});
  EXPECT_EQ(Commands(), expected);
}

// A quit key that comes behind keys typed ahead ends the run at once: none
// of the keys before it is sent.
TEST_F(KeyInputE2E, AQuitKeyBehindKeysTypedAheadEndsTheRunAtOnce) {
  const std::string keys = dir_.path() + "/keys";
  FILE* f = std::fopen(keys.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("123456789S", f);
  std::fclose(f);
  testpty::Child c = StartPadlink({"-c", "1", "-d"}, keys);
  EXPECT_EQ(RunToEnd(c), 0) << c.err_text;
  EXPECT_EQ(Commands(), std::vector<int>{});
}

// Ctrl+Space sends a NUL byte: no key, and the monitors go on sampling.
TEST_F(KeyInputE2E, CtrlSpaceLeavesTheMonitorsRunning) {
  testpty::Child c = StartPadlink({"-c", "1", "-d", "-a", "3", "-t", "0"});
  ASSERT_TRUE(WaitForKeyboard());
  ASSERT_TRUE(testpty::WaitForLines(c, 3, 5000)) << c.out_text;
  Type(std::string(1, '\0'));
  testpty::SleepMs(50);
  std::size_t lines_then = 0;
  testpty::WaitForOutput(c, "", 0);
  for (char ch : c.out_text)
    lines_then += ch == '\n';
  EXPECT_TRUE(testpty::WaitForLines(c, lines_then + 10, 5000)) << "monitors stalled";
  Type("7");
  EXPECT_TRUE(WaitForCommands(1));
  Type("S");
  EXPECT_EQ(RunToEnd(c), 0);
  EXPECT_EQ(Commands(), std::vector<int>{7});
}

// Pasted text, which padlink has the terminal mark (bracketed paste), drives
// nothing however it looks; keys typed after it do, and padlink says once
// that pasted text is not sent.
TEST_F(KeyInputE2E, PastedTextSendsNothingAndAKeyTypedAfterItDoes) {
  testpty::Child c = StartPadlink({"-c", "1", "-d"});
  ASSERT_TRUE(WaitForKeyboard());
  Type("\x1b[200~59\x1b[201~");
  Type("\x1b[200~12\x1b[A S\r\x1b\x1b[3~\x1b[201~");
  testpty::SleepMs(100);
  Type("7");
  ASSERT_TRUE(WaitForCommands(1));
  Type("S");
  EXPECT_EQ(RunToEnd(c), 0);
  EXPECT_EQ(Commands(), std::vector<int>{7});
  EXPECT_EQ(c.err_text, "padlink: pasted text is not sent to the robot; type the keys instead\n");
}

// st sends ESC [ M for Ctrl+Delete, which in other terminals begins a mouse
// report of three more bytes; keys typed after it, however soon, are keys
// (as xdotool key --delay 12 ctrl+Delete 2 3 4 5 6 types them).
TEST_F(KeyInputE2E, StCtrlDeleteThenTypedKeysLoseNone) {
  testpty::Child c = StartPadlink({"-c", "1", "-d"});
  ASSERT_TRUE(WaitForKeyboard());
  // Each key is typed once padlink has read the one before, so that a busy
  // machine's late delivery cannot put them together.
  const int slave = open(console_.slave_path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(slave, 0);
  auto read_by_padlink = [slave] {
    int waiting = 1;
    for (int i = 0; i < 500 && waiting > 0; ++i) {
      if (ioctl(slave, FIONREAD, &waiting) != 0) return false;
      if (waiting > 0) testpty::SleepMs(2);
    }
    return waiting == 0;
  };
  Type("\x1b[M");
  for (char key : std::string("23456")) {
    EXPECT_TRUE(read_by_padlink());
    testpty::SleepMs(12);
    Type(std::string(1, key));
  }
  close(slave);
  ASSERT_TRUE(WaitForCommands(5));
  Type("S");
  EXPECT_EQ(RunToEnd(c), 0);
  EXPECT_EQ(Commands(), (std::vector<int>{2, 3, 4, 5, 6}));
}

// Answers of the terminal to queries and reports it sends on its own reach
// padlink's keyboard like keys; none of them is a command.
TEST_F(KeyInputE2E, TerminalReportsAreNoCommands) {
  testpty::Child c = StartPadlink({"-c", "1", "-d"});
  ASSERT_TRUE(WaitForKeyboard());
  Type("\x1b[12;40R");                              // cursor position
  Type("\x1b[7;5A");                                // a report shaped like Ctrl+Up
  Type("\x1b]11;rgb:0000/0000/0000\x07");           // background colour
  Type("\x1bP1$r0m\x1b\\");                         // status string
  Type("\x1b[M !!");                                // mouse, old style
  Type("\x1b[<0;12;5M\x1b[<0;12;5m");               // mouse, SGR
  Type("\x1b[?64;1;2c\x1b[>41;379;0c\x1b[?1;2$y");  // attributes, mode
  Type("5");
  ASSERT_TRUE(WaitForCommands(1));
  testpty::SleepMs(100);
  Type("S");
  EXPECT_EQ(RunToEnd(c), 0);
  EXPECT_EQ(Commands(), std::vector<int>{5});
}

}  // namespace
