// The POSIX serial device against real pseudo-terminals: the test holds the
// master end and plays the robot.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "tests/support/pty.h"

namespace {

using testpty::NowMs;

LineSettings Settings8N1(std::uint32_t baud) {
  LineSettings s{};
  s.BaudRate = baud;
  s.ByteSize = 8;
  s.Parity = kNoParity;
  s.StopBits = kOneStopBit;
  s.fDtrControl = kDtrControlDisable;
  s.fRtsControl = kRtsControlEnable;
  return s;
}

std::string ErrorText(std::int32_t code) {
  char* text = PlatformErrorText(code);
  std::string s = text;
  PlatformFreeErrorText(text);
  return s;
}

class SerialPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = testpty::OpenPty();
    h_ = SerialOpen(pty_.slave_path.c_str());
    ASSERT_NE(h_, kInvalidPlatformHandle) << ErrorText(PlatformLastError());
    const PortTimeouts t{1000, 0, 1000, 0, 1000};
    ASSERT_TRUE(SerialSetTimeouts(h_, &t));
  }
  void TearDown() override {
    if (h_ != kInvalidPlatformHandle) SerialClose(h_);
    testpty::ClosePty(pty_);
  }

  testpty::Pty pty_;
  PlatformHandle h_ = kInvalidPlatformHandle;
};

TEST_F(SerialPosixTest, EveryByteValuePassesUnchangedBothWays) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  ASSERT_EQ(SerialWrite(h_, all.data(), 256), 256);
  const auto seen = testpty::ReadBytes(pty_.master, 256, 2000);
  EXPECT_EQ(std::string(seen.begin(), seen.end()), all);

  testpty::WriteAll(pty_.master, all);
  std::vector<char> got(256);
  ASSERT_EQ(SerialRead(h_, got.data(), 256), 256);
  EXPECT_EQ(std::string(got.begin(), got.end()), all);
}

TEST_F(SerialPosixTest, LineSettingsAreVisibleFromTheOtherEnd) {
  const LineSettings s = Settings8N1(9600);
  ASSERT_TRUE(SerialSetSettings(h_, &s)) << ErrorText(PlatformLastError());
  termios t{};
  ASSERT_EQ(tcgetattr(pty_.master, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (CSTOPB | PARENB), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  LineSettings read_back{};
  ASSERT_TRUE(SerialGetSettings(h_, &read_back));
  EXPECT_EQ(read_back.BaudRate, 9600u);
  EXPECT_EQ(read_back.ByteSize, 8);
  EXPECT_EQ(read_back.StopBits, kOneStopBit);
  EXPECT_EQ(read_back.fDtrControl, kDtrControlDisable);

  LineSettings two_stop_bits = s;
  two_stop_bits.StopBits = kTwoStopBits;
  ASSERT_TRUE(SerialSetSettings(h_, &two_stop_bits));
  ASSERT_EQ(tcgetattr(pty_.master, &t), 0);
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8 | CSTOPB));
}

TEST_F(SerialPosixTest, FramingTheDriverDropsIsRefused) {
  // A pseudo-terminal keeps 8 data bits and no parity, whatever it is told.
  const LineSettings s = Settings8N1(9600);
  ASSERT_TRUE(SerialSetSettings(h_, &s));
  LineSettings e71 = s;
  e71.ByteSize = 7;
  e71.Parity = kEvenParity;
  EXPECT_FALSE(SerialSetSettings(h_, &e71));
  EXPECT_EQ(PlatformLastError(), kErrUnsupportedSetting);
  LineSettings back{};
  ASSERT_TRUE(SerialGetSettings(h_, &back));
  EXPECT_EQ(back.ByteSize, 8);
  EXPECT_EQ(back.Parity, kNoParity);
}

TEST_F(SerialPosixTest, SpeedsWithoutATermiosConstant) {
  if (!PosixHasCustomSpeeds()) GTEST_SKIP() << "no arbitrary speeds on this platform";
  for (std::uint32_t baud : {14400u, 56000u, 128000u, 256000u}) {
    const LineSettings s = Settings8N1(baud);
    ASSERT_TRUE(SerialSetSettings(h_, &s)) << baud;
    std::uint32_t seen = 0;
    ASSERT_TRUE(PosixGetCustomSpeed(pty_.master, &seen));
    EXPECT_EQ(seen, baud);
    LineSettings back{};
    ASSERT_TRUE(SerialGetSettings(h_, &back));
    EXPECT_EQ(back.BaudRate, baud);
  }
}

TEST_F(SerialPosixTest, SettingsTheDeviceCannotDoAreRefusedAndChangeNothing) {
  const LineSettings good = Settings8N1(9600);
  ASSERT_TRUE(SerialSetSettings(h_, &good));
  termios before{};
  tcgetattr(pty_.master, &before);
  struct Case {
    const char* name;
    void (*change)(LineSettings&);
  };
  const Case cases[] = {
      {"1.5 stop bits with 8 data bits", [](LineSettings& s) { s.StopBits = kOne5StopBits; }},
      {"4 data bits", [](LineSettings& s) { s.ByteSize = 4; }},
      {"DTR handshake", [](LineSettings& s) { s.fDtrControl = kDtrControlHandshake; }},
      {"RTS toggle", [](LineSettings& s) { s.fRtsControl = kRtsControlToggle; }},
      {"DSR output flow", [](LineSettings& s) { s.fOutxDsrFlow = 1; }},
      {"speed 0", [](LineSettings& s) { s.BaudRate = 0; }},
  };
  for (const Case& c : cases) {
    LineSettings s = good;
    s.StopBits = kTwoStopBits;  // would show if anything were applied
    c.change(s);
    EXPECT_FALSE(SerialSetSettings(h_, &s)) << c.name;
    EXPECT_EQ(PlatformLastError(), kErrUnsupportedSetting) << c.name;
    termios after{};
    tcgetattr(pty_.master, &after);
    EXPECT_EQ(after.c_cflag, before.c_cflag) << c.name;
  }
  EXPECT_THAT(ErrorText(kErrUnsupportedSetting), ::testing::HasSubstr("line settings"));
}

TEST_F(SerialPosixTest, ReadTimeOutReturnsThePartialBytesAfterTheInterval) {
  const PortTimeouts t{100, 0, 1000, 0, 1000};
  ASSERT_TRUE(SerialSetTimeouts(h_, &t));
  testpty::WriteAll(pty_.master, "abc");
  char buf[10];
  const auto start = NowMs();
  EXPECT_EQ(SerialRead(h_, buf, 10), 3);
  const auto took = NowMs() - start;
  // Ended by the 100 ms gap after the last byte, not by the 1000 ms total.
  EXPECT_GE(took, 100u);
  EXPECT_LT(took, 1000u);

  // Nothing at all: the total ends the read.
  const PortTimeouts quick{100, 0, 150, 0, 1000};
  ASSERT_TRUE(SerialSetTimeouts(h_, &quick));
  const auto start2 = NowMs();
  EXPECT_EQ(SerialRead(h_, buf, 1), 0);
  EXPECT_GE(NowMs() - start2, 150u);
}

// The process is stopped (Ctrl+Z, SIGSTOP; or it waits for the processor on a
// busy computer) in the middle of a read; the read's time-out passes while
// it cannot run, and the rest of the reply arrives meanwhile. When it goes on,
// the bytes that are waiting belong to the read: it must not report a short
// read without looking. A child process makes the read, with a SIGCONT
// handler as padlink's console layer installs one, so that the wait in the
// read is interrupted on resuming.
TEST_F(SerialPosixTest, ReadStoppedPastItsTimeOutTakesTheBytesThatArrived) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigemptyset(&sa.sa_mask);
    sigaction(SIGCONT, &sa, nullptr);
    const PortTimeouts t{1000, 0, 1000, 0, 1000};
    SerialSetTimeouts(h_, &t);
    char buf[3];
    const auto start = NowMs();
    const int got = SerialRead(h_, buf, 3);
    const int result[2] = {got, static_cast<int>(NowMs() - start)};
    _exit(write(report[1], result, sizeof result) == sizeof result ? 0 : 1);
  }
  close(report[1]);
  testpty::WriteAll(pty_.master, "a");
  // The child has the first byte and waits for the others.
  for (int i = 0; i < 2000 && testpty::ProcessState(child) != 'S'; ++i)
    testpty::SleepMs(1);
  testpty::SleepMs(50);
  kill(child, SIGSTOP);
  for (int i = 0; i < 2000 && testpty::ProcessState(child) != 'T'; ++i)
    testpty::SleepMs(1);
  testpty::SleepMs(1300);  // past the read's 1000 ms
  testpty::WriteAll(pty_.master, "bc");
  testpty::SleepMs(50);
  kill(child, SIGCONT);
  int result[2] = {-1, -1};
  EXPECT_EQ(read(report[0], result, sizeof result), static_cast<ssize_t>(sizeof result));
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_GE(result[1], 1000) << "the read was not stopped past its time-out";
  EXPECT_EQ(result[0], 3);
}

TEST_F(SerialPosixTest, InputCountIsWhatWaits) {
  std::int32_t n = -1;
  ASSERT_TRUE(SerialInputCount(h_, &n));
  EXPECT_EQ(n, 0);
  testpty::WriteAll(pty_.master, "xyz");
  for (int i = 0; i < 100 && n < 3; ++i) {
    testpty::SleepMs(1);
    ASSERT_TRUE(SerialInputCount(h_, &n));
  }
  EXPECT_EQ(n, 3);
}

TEST_F(SerialPosixTest, SecondOpenIsRefusedUntilTheFirstCloses) {
  EXPECT_EQ(SerialOpen(pty_.slave_path.c_str()), kInvalidPlatformHandle);
  EXPECT_EQ(PlatformLastError(), kErrPortBusy);
  EXPECT_EQ(ErrorText(kErrPortBusy), "Port is in use by another program");
  ASSERT_TRUE(SerialClose(h_));
  h_ = SerialOpen(pty_.slave_path.c_str());
  EXPECT_NE(h_, kInvalidPlatformHandle);
}

TEST_F(SerialPosixTest, NoModemLinesOnAPseudoTerminal) {
  // Settings apply; the RTS line itself does not exist.
  const LineSettings s = Settings8N1(9600);
  EXPECT_TRUE(SerialSetSettings(h_, &s));
  EXPECT_FALSE(SerialEscape(h_, RtsEscape::kClear));
  EXPECT_FALSE(SerialEscape(h_, RtsEscape::kSet));
}

TEST_F(SerialPosixTest, VanishedDeviceFailsPromptlyWithNoBytes) {
  testpty::ClosePty(pty_);  // the adapter is unplugged
  char buf[4] = {};
  const auto start = NowMs();
  EXPECT_EQ(SerialRead(h_, buf, 4), 0);
  EXPECT_EQ(SerialWrite(h_, buf, 4), 0);
  std::int32_t n = 0;
  SerialInputCount(h_, &n);
  EXPECT_EQ(n, 0);
  // Each of them ended on the hang-up, not on its 1000 ms time-out.
  EXPECT_LT(NowMs() - start, 1000u);
}

TEST(SerialPosixOpen, RefusesWhatIsNotASerialDevice) {
  EXPECT_EQ(SerialOpen("/dev/null"), kInvalidPlatformHandle);
  EXPECT_EQ(PlatformLastError(), kErrNotATerminal);
  EXPECT_EQ(SerialOpen("/nonexistent/com1"), kInvalidPlatformHandle);
  EXPECT_EQ(PlatformLastError(), ENOENT);
  EXPECT_EQ(ErrorText(ENOENT), "No such file or directory");
  PlatformSetNoSuchPortError();
  EXPECT_EQ(PlatformLastError(), ENOENT);
}

TEST(SerialPosixOpen, PortNumbersNameDevices) {
  char name[kMaxDeviceName];
  unsetenv("PADLINK_PORT_DIR");
  ASSERT_TRUE(SerialDeviceName(1, name, sizeof name));
  EXPECT_STREQ(name, "/dev/ttyS0");
  ASSERT_TRUE(SerialDeviceName(256, name, sizeof name));
  EXPECT_STREQ(name, "/dev/ttyS255");
  setenv("PADLINK_PORT_DIR", "/tmp/ports", 1);
  ASSERT_TRUE(SerialDeviceName(3, name, sizeof name));
  EXPECT_STREQ(name, "/tmp/ports/com3");
  EXPECT_FALSE(SerialDeviceName(3, name, 8));
  EXPECT_EQ(PlatformLastError(), ENAMETOOLONG);
  unsetenv("PADLINK_PORT_DIR");
}

TEST(SerialPosixOpen, OpenLeavesNoFileBehindAndIsCloseOnExec) {
  const testpty::TempDir dir;
  const std::string missing = dir.path() + "/com9";
  EXPECT_EQ(SerialOpen(missing.c_str()), kInvalidPlatformHandle);
  EXPECT_NE(access(missing.c_str(), F_OK), 0);

  testpty::Pty pty = testpty::OpenPty();
  const PlatformHandle h = SerialOpen(pty.slave_path.c_str());
  ASSERT_NE(h, kInvalidPlatformHandle);
  EXPECT_TRUE(fcntl(static_cast<int>(h), F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(SerialClose(h));
  testpty::ClosePty(pty);
}

}  // namespace
