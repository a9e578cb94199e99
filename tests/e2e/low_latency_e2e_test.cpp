// A real serial device is left as padlink found it: the driver's low-latency
// flag (ASYNC_LOW_LATENCY, which a USB adapter's driver turns into a short
// latency timer) is set for the run and cleared again when padlink ends,
// unless it was set before. Runs on the machine's /dev/ttyS0 (or the device
// PADLINK_TEST_SERIAL names) when its driver keeps the flag; padlink opens
// it in cable mode without monitors, so nothing is written to the line.
#include <fcntl.h>
#include <linux/serial.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/support/padlink_run.h"
#include "tests/support/pty.h"

namespace {

std::string TestDevice() {
  const char* named = std::getenv("PADLINK_TEST_SERIAL");
  return named && *named ? named : "/dev/ttyS0";
}

class LowLatencyE2E : public PadlinkRun {
 protected:
  void SetUp() override {
    PadlinkRun::SetUp();
    device_ = TestDevice();
    if (access(device_.c_str(), F_OK) != 0)
      GTEST_SKIP() << "no " << device_ << " on this machine (PADLINK_TEST_SERIAL names another)";
    fd_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) GTEST_SKIP() << device_ << " cannot be opened: " << std::strerror(errno);
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) GTEST_SKIP() << device_ << " is in use by a program";
    flock(fd_, LOCK_UN);
    serial_struct ss{};
    if (ioctl(fd_, TIOCGSERIAL, &ss) != 0)
      GTEST_SKIP() << device_ << " has no serial driver settings (TIOCGSERIAL)";
    found_ = ss.flags & ASYNC_LOW_LATENCY;
    const bool keeps = SetFlag(!found_) && Flag() == !found_;
    SetFlag(found_);
    if (!keeps || Flag() != found_)
      GTEST_SKIP() << "the driver of " << device_ << " does not keep the low-latency flag";
    sysfs_flags_ = "/sys/class/tty/" + device_.substr(device_.rfind('/') + 1) + "/flags";
    dir_.LinkPort(2, device_);
  }
  void TearDown() override {
    if (fd_ >= 0) {
      SetFlag(found_);
      close(fd_);
    }
    PadlinkRun::TearDown();
  }

  bool SetFlag(bool on) {
    serial_struct ss{};
    if (ioctl(fd_, TIOCGSERIAL, &ss) != 0) return false;
    ss.flags = on ? (ss.flags | ASYNC_LOW_LATENCY) : (ss.flags & ~ASYNC_LOW_LATENCY);
    return ioctl(fd_, TIOCSSERIAL, &ss) == 0;
  }

  // The flag as another process sees it: from sysfs where the kernel shows
  // it (which needs no open of the device), else from the open device.
  bool Flag() const {
    std::ifstream sysfs(sysfs_flags_);
    std::string hex;
    if (!sysfs_flags_.empty() && sysfs >> hex)
      return std::stoul(hex, nullptr, 16) & ASYNC_LOW_LATENCY;
    serial_struct ss{};
    return ioctl(fd_, TIOCGSERIAL, &ss) == 0 && (ss.flags & ASYNC_LOW_LATENCY);
  }

  std::string device_;
  std::string sysfs_flags_;
  int fd_ = -1;
  bool found_ = false;
};

TEST_F(LowLatencyE2E, FlagIsSetForTheRunAndLeftAsFoundAfterIt) {
  struct Case {
    bool set_before;
    int end;  // 0: the quit key, else the signal that ends the run
  };
  for (const Case& k : {Case{false, 0}, Case{false, SIGTERM}, Case{false, SIGHUP}, Case{true, 0},
                        Case{true, SIGTERM}}) {
    SCOPED_TRACE(std::string(k.set_before ? "set" : "clear") + " before, ended by " +
                 (k.end ? strsignal(k.end) : "the quit key"));
    ASSERT_TRUE(SetFlag(k.set_before));
    testpty::Child c = Start({"-c", "2", "-d"});
    ASSERT_TRUE(WaitForKeyboard()) << c.err_text;
    EXPECT_TRUE(Flag()) << "not set while padlink runs";
    if (k.end == 0)
      testpty::WriteAll(console_.master, "S");
    else
      kill(c.pid, k.end);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(c, 10000, &status));
    if (k.end == 0)
      EXPECT_EQ(testpty::ExitCode(status), 0) << c.err_text;
    else
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == k.end) << status;
    EXPECT_EQ(Flag(), k.set_before) << "after the run";
  }
}

}  // namespace
