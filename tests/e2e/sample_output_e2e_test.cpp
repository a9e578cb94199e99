// Where the sample lines go: a standard output that cannot take them ends
// the run with the reason, the port released and the terminal restored.
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"

namespace {

TEST(SampleOutputE2E, FullOutputEndsTheRunWithTheReason) {
  testpty::TempDir dir;
  testpty::Robot robot;
  ASSERT_TRUE(robot.Start(ROBOT_BIN, dir.path()));
  testpty::Pty console = testpty::OpenPty(/*raw=*/false);
  termios before{};
  tcgetattr(console.master, &before);

  testpty::ChildOptions o;
  o.argv = {PADLINK_BIN, "-c", "1", "-d", "-a", "3", "-t", "0"};
  o.env = {"PADLINK_PORT_DIR=" + dir.path()};
  o.stdin_path = console.slave_path;
  o.terminal = true;
  o.stdout_path = "/dev/full";
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(c, 10000, &status)) << "still running: " << c.err_text;
  EXPECT_EQ(testpty::ExitCode(status), 1);
  EXPECT_EQ(c.err_text, "padlink: cannot write samples: No space left on device\n");

  termios after{};
  tcgetattr(console.master, &after);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  const std::vector<std::uint8_t> modes = testpty::ReadFor(console.master, 50);
  EXPECT_TRUE(testpty::PasteMarksOnThenOff(std::string(modes.begin(), modes.end())));
  const int fd = open(robot.device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "port still held";
  close(fd);
  robot.Stop();
  testpty::ClosePty(console);
}

}  // namespace
