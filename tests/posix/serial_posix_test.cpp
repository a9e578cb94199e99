// The POSIX serial device against real pseudo-terminals: the test holds the
// master end and plays the robot.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/terminal_device.h"
#include "platform/posix/terminal_port.h"
#include "tests/support/pty.h"

namespace {

using ::testing::HasSubstr;
using testpty::NowMs;

LineConfig Config8N1(std::uint32_t baud) {
  LineConfig c;
  c.baud = baud;
  c.dtr = LineControl::kOff;
  c.rts = LineControl::kOn;
  return c;
}

std::unique_ptr<Port> OpenOrNull(const std::string& path, SysError* error = nullptr) {
  SysResult<std::unique_ptr<Port>> port = PlatformOpenSerialDevice(path);
  if (!port) {
    if (error) *error = port.error();
    return nullptr;
  }
  return std::move(*port);
}

// The code an open of `path` fails with; 0 when it opens.
int OpenError(const std::string& path) {
  SysError error;
  return OpenOrNull(path, &error) ? 0 : error.code;
}

// Runs `body` in a child process and returns the int it reports, or -1 when
// it reports nothing.
int InChild(const std::function<int()>& body) {
  int report[2];
  if (pipe(report) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    const int value = body();
    _exit(write(report[1], &value, sizeof value) == sizeof value ? 0 : 1);
  }
  close(report[1]);
  int value = -1;
  if (read(report[0], &value, sizeof value) != sizeof value) value = -1;
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return value;
}

class SerialPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = testpty::OpenPty();
    SysError error;
    port_ = OpenOrNull(pty_.slave_path, &error);
    ASSERT_NE(port_, nullptr) << error.text;
  }
  void TearDown() override {
    port_.reset();
    testpty::ClosePty(pty_);
  }

  termios MasterTermios() const {
    termios t{};
    tcgetattr(pty_.master, &t);
    return t;
  }

  testpty::Pty pty_;
  std::unique_ptr<Port> port_;
};

TEST_F(SerialPosixTest, EveryByteValuePassesUnchangedBothWays) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<std::uint8_t>(i));
  const SysResult<std::int32_t> written = port_->Write(all.data(), 256, 1000);
  ASSERT_TRUE(written.ok()) << written.error().text;
  EXPECT_EQ(*written, 256);
  EXPECT_EQ(testpty::ReadBytes(pty_.master, 256, 2000), all);

  testpty::WriteAll(pty_.master, std::string(all.begin(), all.end()));
  std::vector<std::uint8_t> got(256);
  const SysResult<std::int32_t> read = port_->Read(got.data(), 256, 1000);
  ASSERT_TRUE(read.ok()) << read.error().text;
  EXPECT_EQ(*read, 256);
  EXPECT_EQ(got, all);
}

TEST_F(SerialPosixTest, OpenedRawWithDtrAndRtsOn) {
  const termios t = MasterTermios();
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
  const SysResult<LineConfig> config = port_->GetConfig();
  ASSERT_TRUE(config.ok());
  EXPECT_EQ(config->dtr, LineControl::kOn);
  EXPECT_EQ(config->rts, LineControl::kOn);
  EXPECT_EQ(config->data_bits, 8);
  EXPECT_EQ(config->parity, Parity::kNone);
  EXPECT_FALSE(config->xon_xoff);
}

TEST_F(SerialPosixTest, LineSettingsAreVisibleFromTheOtherEnd) {
  const LineConfig c = Config8N1(9600);
  const SysResult<void> r = port_->Configure(c);
  ASSERT_TRUE(r.ok()) << r.error().text;
  termios t = MasterTermios();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (CSTOPB | PARENB), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  const SysResult<LineConfig> back = port_->GetConfig();
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, c);

  LineConfig two_stop_bits = c;
  two_stop_bits.stop_bits = StopBits::kTwo;
  ASSERT_TRUE(port_->Configure(two_stop_bits).ok());
  t = MasterTermios();
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8 | CSTOPB));
}

// What a pseudo-terminal keeps of the settings: everything but the framing.
TEST_F(SerialPosixTest, ConfigureAppliesFlowControlAndReadsItBack) {
  struct Case {
    const char* name;
    void (*change)(LineConfig&);
    tcflag_t cflag;  // of CRTSCTS
    tcflag_t iflag;  // of IXON | IXOFF
  };
  const Case cases[] = {
      {"none", [](LineConfig&) {}, 0, 0},
      {"XON/XOFF", [](LineConfig& c) { c.xon_xoff = true; }, 0, IXON | IXOFF},
      {"CTS output flow", [](LineConfig& c) { c.cts_flow = true; }, CRTSCTS, 0},
      {"RTS handshake", [](LineConfig& c) { c.rts = LineControl::kHandshake; }, CRTSCTS, 0},
      {"DTR on, RTS off",
       [](LineConfig& c) {
         c.dtr = LineControl::kOn;
         c.rts = LineControl::kOff;
       },
       0, 0},
      {"two stop bits, 115200",
       [](LineConfig& c) {
         c.stop_bits = StopBits::kTwo;
         c.baud = 115200;
       },
       0, 0},
  };
  for (const Case& k : cases) {
    LineConfig c = Config8N1(19200);
    k.change(c);
    const SysResult<void> r = port_->Configure(c);
    ASSERT_TRUE(r.ok()) << k.name << ": " << r.error().text;
    const termios t = MasterTermios();
    EXPECT_EQ(t.c_cflag & CRTSCTS, k.cflag) << k.name;
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), k.iflag) << k.name;
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD)) << k.name;
    const SysResult<LineConfig> back = port_->GetConfig();
    ASSERT_TRUE(back.ok()) << k.name;
    EXPECT_EQ(*back, c) << k.name;
  }
}

// The framing a pseudo-terminal cannot show, on termios records.
TEST(TermiosMapping, FramingAndParityBothWays) {
  struct Case {
    std::uint8_t data_bits;
    Parity parity;
    StopBits stop_bits;
    tcflag_t cflag;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
  };
  const Case cases[] = {
    {8, Parity::kNone, StopBits::kOne, CS8},
    {7, Parity::kEven, StopBits::kOne, CS7 | PARENB},
    {7, Parity::kOdd, StopBits::kTwo, CS7 | PARENB | PARODD | CSTOPB},
    {6, Parity::kNone, StopBits::kTwo, CS6 | CSTOPB},
    {5, Parity::kNone, StopBits::kOneAndHalf, CS5 | CSTOPB},
#if defined(CMSPAR)
    {8, Parity::kMark, StopBits::kOne, CS8 | PARENB | PARODD | CMSPAR},
    {8, Parity::kSpace, StopBits::kOne, CS8 | PARENB | CMSPAR},
#endif
  };
  tcflag_t framing = CSIZE | PARENB | PARODD | CSTOPB;
#if defined(CMSPAR)
  framing |= CMSPAR;
#endif
  for (const Case& k : cases) {
    LineConfig c;
    c.data_bits = k.data_bits;
    c.parity = k.parity;
    c.stop_bits = k.stop_bits;
    ASSERT_TRUE(terminal::Supported(c)) << int{k.data_bits};
    termios t{};
    t.c_cflag = framing | CRTSCTS;  // all of it replaced
    t.c_iflag = IXON | IXOFF | INPCK;
    terminal::ToTermios(c, &t);
    EXPECT_EQ(t.c_cflag & (framing | CRTSCTS), k.cflag) << int{k.data_bits};
    // Parity other than none is checked.
    EXPECT_EQ(t.c_iflag, k.parity == Parity::kNone ? 0u : static_cast<tcflag_t>(INPCK));
    LineConfig back;
    terminal::FromTermios(t, &back);
    EXPECT_EQ(back, c) << int{k.data_bits};
  }
}

TEST_F(SerialPosixTest, FramingTheDriverDropsIsRefusedAndRolledBack) {
  // A pseudo-terminal keeps 8 data bits and no parity, whatever it is told.
  const LineConfig c = Config8N1(9600);
  ASSERT_TRUE(port_->Configure(c).ok());
  const termios before = MasterTermios();
  LineConfig e71 = c;
  e71.data_bits = 7;
  e71.parity = Parity::kEven;
  e71.stop_bits = StopBits::kTwo;  // would show if it were kept
  e71.baud = 19200;
  const SysResult<void> r = port_->Configure(e71);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().code, kErrUnsupportedSetting);
  EXPECT_EQ(MasterTermios().c_cflag, before.c_cflag);
  const SysResult<LineConfig> back = port_->GetConfig();
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, c);
}

TEST_F(SerialPosixTest, SpeedsWithoutATermiosConstant) {
  if (!PosixHasCustomSpeeds()) GTEST_SKIP() << "no arbitrary speeds on this platform";
  for (std::uint32_t baud : {14400u, 56000u, 128000u, 256000u}) {
    ASSERT_TRUE(port_->Configure(Config8N1(baud)).ok()) << baud;
    std::uint32_t seen = 0;
    ASSERT_TRUE(PosixGetCustomSpeed(pty_.master, &seen));
    EXPECT_EQ(seen, baud);
    EXPECT_EQ(PosixLineSpeed(pty_.master), baud);
    const SysResult<LineConfig> back = port_->GetConfig();
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->baud, baud);
  }
}

TEST_F(SerialPosixTest, SettingsTheDeviceCannotDoAreRefusedAndChangeNothing) {
  const LineConfig good = Config8N1(9600);
  ASSERT_TRUE(port_->Configure(good).ok());
  const termios before = MasterTermios();
  struct Case {
    const char* name;
    void (*change)(LineConfig&);
  };
  const Case cases[] = {
      {"1.5 stop bits with 8 data bits",
       [](LineConfig& c) { c.stop_bits = StopBits::kOneAndHalf; }},
      {"two stop bits with 5 data bits", [](LineConfig& c) { c.data_bits = 5; }},
      {"4 data bits", [](LineConfig& c) { c.data_bits = 4; }},
      {"9 data bits", [](LineConfig& c) { c.data_bits = 9; }},
      {"DTR handshake", [](LineConfig& c) { c.dtr = LineControl::kHandshake; }},
      {"DTR toggle", [](LineConfig& c) { c.dtr = LineControl::kToggle; }},
      {"RTS toggle", [](LineConfig& c) { c.rts = LineControl::kToggle; }},
      {"DSR output flow", [](LineConfig& c) { c.dsr_flow = true; }},
      {"speed 0", [](LineConfig& c) { c.baud = 0; }},
  };
  for (const Case& k : cases) {
    LineConfig c = good;
    c.stop_bits = StopBits::kTwo;  // would show if anything were applied
    c.xon_xoff = true;
    k.change(c);
    const SysResult<void> r = port_->Configure(c);
    ASSERT_FALSE(r.ok()) << k.name;
    EXPECT_EQ(r.error().code, kErrUnsupportedSetting) << k.name;
    EXPECT_EQ(r.error().kind, ErrorKind::kRefused) << k.name;
    EXPECT_THAT(r.error().text, HasSubstr("line settings")) << k.name;
    const termios after = MasterTermios();
    EXPECT_EQ(after.c_cflag, before.c_cflag) << k.name;
    EXPECT_EQ(after.c_iflag, before.c_iflag) << k.name;
    const SysResult<LineConfig> back = port_->GetConfig();
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, good) << k.name;
  }
}

TEST_F(SerialPosixTest, ReadTimeOutReturnsThePartialBytes) {
  testpty::WriteAll(pty_.master, "abc");
  std::uint8_t buf[10];
  const auto start = NowMs();
  const SysResult<std::int32_t> got = port_->Read(buf, 10, 100);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(*got, 3);
  EXPECT_GE(NowMs() - start, 100u);  // it waited for the rest

  // Nothing at all: a count of 0 is no failure.
  const auto start2 = NowMs();
  const SysResult<std::int32_t> none = port_->Read(buf, 1, 150);
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(*none, 0);
  EXPECT_GE(NowMs() - start2, 150u);
}

TEST_F(SerialPosixTest, WaitForCountsWhatCameWithinItsTime) {
  const SysResult<std::int32_t> none = port_->WaitFor(1, 50);
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(*none, 0);
  testpty::WriteAll(pty_.master, "ab");
  const SysResult<std::int32_t> some = port_->WaitFor(3, 100);
  ASSERT_TRUE(some.ok());
  EXPECT_EQ(*some, 2);
  testpty::WriteAll(pty_.master, "cde");
  // The count, not n: every byte waiting.
  const SysResult<std::int32_t> all = port_->WaitFor(3, 1000);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(*all, 5);
  // Nothing was read.
  std::uint8_t buf[5];
  ASSERT_EQ(*port_->Read(buf, 5, 0), 5);
  EXPECT_EQ(std::string(buf, buf + 5), "abcde");
}

// A call that waits for 3 bytes gets them in two pieces. More bytes follow
// once the call is back, or when half of its long time has passed without
// it: a call that waited out its time would then count them too, and would
// be back after them.
TEST_F(SerialPosixTest, ReadAndWaitForReturnAsSoonAsTheBytesAreThere) {
  struct Case {
    const char* name;
    std::function<SysResult<std::int32_t>(Port&, std::uint8_t*)> call;
    std::string left;  // what a read finds after the call
  };
  const Case cases[] = {
      {"Read", [](Port& p, std::uint8_t* buf) { return p.Read(buf, 3, 20000); }, "d"},
      {"WaitFor", [](Port& p, std::uint8_t*) { return p.WaitFor(3, 20000); }, "abcd"},
  };
  for (const Case& k : cases) {
    int back[2];
    ASSERT_EQ(pipe(back), 0);
    SysResult<std::int32_t> result = 0;
    std::uint8_t buf[3] = {};
    std::thread caller([&] {
      result = k.call(*port_, buf);
      (void)!write(back[1], "x", 1);
    });
    testpty::WriteAll(pty_.master, "a");
    testpty::SleepMs(20);
    testpty::WriteAll(pty_.master, "bc");
    pollfd p{back[0], POLLIN, 0};
    const bool back_first = poll(&p, 1, 10000) == 1;
    testpty::WriteAll(pty_.master, "d");
    caller.join();
    close(back[0]);
    close(back[1]);
    EXPECT_TRUE(back_first) << k.name;
    ASSERT_TRUE(result.ok()) << k.name;
    EXPECT_EQ(*result, 3) << k.name;
    std::uint8_t rest[8];
    const SysResult<std::int32_t> left =
        port_->Read(rest, static_cast<std::int32_t>(k.left.size()), 1000);
    ASSERT_TRUE(left.ok());
    EXPECT_EQ(std::string(rest, rest + *left), k.left) << k.name;
  }
}

// The process is stopped (Ctrl+Z, SIGSTOP; or it waits for the processor on a
// busy computer) in the middle of a read or a wait; its time-out passes while
// it cannot run, and the rest of the reply arrives meanwhile. When it goes on,
// the bytes that are waiting belong to the call: it must not report a short
// count without looking. A child process makes the call, with a SIGCONT
// handler as padlink's console layer installs one, so that the wait in the
// call is interrupted on resuming.
TEST_F(SerialPosixTest, CallStoppedPastItsTimeOutTakesTheBytesThatArrived) {
  struct Case {
    const char* name;
    SysResult<std::int32_t> (*call)(Port&);
  };
  const Case cases[] = {
      {"Read",
       [](Port& p) {
         std::uint8_t buf[3];
         return p.Read(buf, 3, 1000);
       }},
      {"WaitFor", [](Port& p) { return p.WaitFor(3, 1000); }},
  };
  for (const Case& k : cases) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct sigaction sa {};
      sa.sa_handler = [](int) {};
      sigemptyset(&sa.sa_mask);
      sigaction(SIGCONT, &sa, nullptr);
      const auto start = NowMs();
      const SysResult<std::int32_t> got = k.call(*port_);
      const int result[2] = {got.ok() ? *got : -2, static_cast<int>(NowMs() - start)};
      _exit(write(report[1], result, sizeof result) == sizeof result ? 0 : 1);
    }
    close(report[1]);
    testpty::WriteAll(pty_.master, "a");
    // The child has seen the first byte and waits for the others.
    for (int i = 0; i < 2000 && testpty::ProcessState(child) != 'S'; ++i)
      testpty::SleepMs(1);
    testpty::SleepMs(50);
    kill(child, SIGSTOP);
    for (int i = 0; i < 2000 && testpty::ProcessState(child) != 'T'; ++i)
      testpty::SleepMs(1);
    testpty::SleepMs(1300);  // past the call's 1000 ms
    testpty::WriteAll(pty_.master, "bc");
    testpty::SleepMs(50);
    kill(child, SIGCONT);
    int result[2] = {-1, -1};
    EXPECT_EQ(read(report[0], result, sizeof result), static_cast<ssize_t>(sizeof result));
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GE(result[1], 1000) << k.name << ": not stopped past its time-out";
    EXPECT_EQ(result[0], 3) << k.name;
    std::uint8_t drain[3];
    (void)port_->Read(drain, 3, 0);  // the parent's view of the same device
  }
}

TEST_F(SerialPosixTest, WaitingIsWhatWaits) {
  SysResult<std::int32_t> n = port_->Waiting();
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 0);
  testpty::WriteAll(pty_.master, "xyz");
  for (int i = 0; i < 100 && n.ok() && *n < 3; ++i) {
    testpty::SleepMs(1);
    n = port_->Waiting();
  }
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 3);
}

TEST_F(SerialPosixTest, SecondOpenIsRefusedUntilTheFirstCloses) {
  SysError error;
  EXPECT_EQ(OpenOrNull(pty_.slave_path, &error), nullptr);
  EXPECT_EQ(error.code, kErrPortBusy);
  EXPECT_EQ(error.kind, ErrorKind::kBusy);
  EXPECT_EQ(error.text, "Port is in use by another program");
  ASSERT_TRUE(port_->Close().ok());
  // Closed: of no further use.
  EXPECT_EQ(port_->Waiting().error().code, EBADF);
  EXPECT_EQ(port_->Close().error().code, EBADF);
  port_ = OpenOrNull(pty_.slave_path);
  EXPECT_NE(port_, nullptr);
  // Dropping the object closes the port as well.
  port_.reset();
  port_ = OpenOrNull(pty_.slave_path);
  EXPECT_NE(port_, nullptr);
}

TEST_F(SerialPosixTest, OpeningEmptiesTheInput) {
  port_.reset();
  testpty::WriteAll(pty_.master, "left over");
  testpty::SleepMs(20);
  port_ = OpenOrNull(pty_.slave_path);
  ASSERT_NE(port_, nullptr);
  const SysResult<std::int32_t> waiting = port_->Waiting();
  ASSERT_TRUE(waiting.ok());
  EXPECT_EQ(*waiting, 0);
  testpty::WriteAll(pty_.master, "new");
  std::uint8_t buf[3];
  ASSERT_EQ(*port_->Read(buf, 3, 1000), 3);
  EXPECT_EQ(std::string(buf, buf + 3), "new");
}

TEST_F(SerialPosixTest, NoModemLinesOnAPseudoTerminal) {
  // Settings apply, their line levels taken as done; the lines themselves
  // do not exist.
  LineConfig c = Config8N1(9600);
  c.rts = LineControl::kOff;
  EXPECT_TRUE(port_->Configure(c).ok());
  for (const SysResult<void>& r :
       {port_->SetRts(false), port_->SetRts(true), port_->SetDtr(false), port_->SetDtr(true)}) {
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error().code == ENOTTY || r.error().code == EINVAL) << r.error().code;
  }
}

TEST_F(SerialPosixTest, VanishedDeviceFailsEveryCallWithoutWaiting) {
  testpty::ClosePty(pty_);  // the adapter is unplugged
  // Long times: a call that waited them out would hold the test for minutes.
  // A time-out reports a count; only the hang-up reports a failure.
  // Each failure says the device is gone.
  std::uint8_t buf[4] = {};
  for (const SysResult<std::int32_t>& r :
       {port_->Read(buf, 4, 60000), port_->Write(buf, 4, 60000), port_->WaitFor(4, 60000),
        port_->Waiting(), port_->Read(buf, 4, 60000)}) {
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, ErrorKind::kGone) << r.error().text;
  }
}

TEST(SerialPosixOpen, RefusesWhatIsNotASerialDevice) {
  struct Case {
    const char* path;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"/dev/null", kErrNotATerminal, "Not a serial device (the path is not a terminal device)"},
      {"/dev/ptmx", kErrPtyMaster,
       "Not a serial device (the path is the master side of a pseudo-terminal)"},
      {"/nonexistent/com1", ENOENT, "No such file or directory"},
  };
  for (const Case& c : cases) {
    SysError error;
    EXPECT_EQ(OpenOrNull(c.path, &error), nullptr) << c.path;
    EXPECT_EQ(error.code, c.code) << c.path;
    EXPECT_EQ(error.text, c.text) << c.path;
  }
}

// The terminal padlink runs in, as its controlling terminal or on standard
// input, in a child process of its own session.
TEST(SerialPosixOpen, RefusesItsOwnTerminal) {
  testpty::Pty pty = testpty::OpenPty();
  const std::string slave = pty.slave_path;
  const int as_controlling = InChild([&] {
    setsid();
    const int fd = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
    return fd < 0 ? -1 : OpenError(slave);
  });
  const int as_stdin = InChild([&] {
    setsid();
    const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
    return fd < 0 || dup2(fd, STDIN_FILENO) < 0 ? -1 : OpenError(slave);
  });
  EXPECT_EQ(as_controlling, kErrOwnTerminal);
  EXPECT_EQ(as_stdin, kErrOwnTerminal);
  EXPECT_EQ(PlatformError(kErrOwnTerminal).text,
            "The device is the terminal padlink runs in (standard input, output, error or the "
            "controlling terminal), not a serial line");
  testpty::ClosePty(pty);
}

// A device marked for exclusive use (TIOCEXCL) refuses everyone but root:
// the open is made as the user nobody when the tests run as root.
TEST(SerialPosixOpen, AMarkedDeviceIsBusyOnlyWhileAProcessHoldsItsLock) {
  testpty::Pty pty = testpty::OpenPty();
  const std::string slave = pty.slave_path;
  ASSERT_EQ(chmod(slave.c_str(), 0666), 0);
  const int holder = open(slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
  const auto open_as_user = [&] {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) return -1;
    }
    return OpenError(slave);
  };
  EXPECT_EQ(InChild(open_as_user), kErrPortMarkedUnlocked);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(InChild(open_as_user), kErrPortBusy);
  EXPECT_THAT(PlatformError(kErrPortMarkedUnlocked).text,
              HasSubstr("marked for exclusive use, but no process holds its lock"));
  EXPECT_THAT(PlatformError(kErrPortMarked).text, HasSubstr("marked for exclusive use (by"));
  ioctl(holder, TIOCNXCL);
  close(holder);
  testpty::ClosePty(pty);
}

TEST(SerialPosixErrors, NoSuchPortAndInvalidArgument) {
  const SysError missing = PlatformNoSuchPortError();
  EXPECT_EQ(missing.code, ENOENT);
  EXPECT_EQ(missing.text, "No such file or directory");
  const SysError invalid = PlatformInvalidArgumentError();
  EXPECT_EQ(invalid.code, EINVAL);
  EXPECT_EQ(invalid.text, "Invalid argument");
  EXPECT_EQ(PlatformError(kErrUnsupportedSetting).text,
            "The serial device does not support the requested line settings");
}

TEST(SerialPosixOpen, PortNumbersNameDevices) {
  unsetenv("PADLINK_PORT_DIR");
  EXPECT_EQ(PlatformSerialDeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(PlatformSerialDeviceName(256), "/dev/ttyS255");
  setenv("PADLINK_PORT_DIR", "", 1);
  EXPECT_EQ(PlatformSerialDeviceName(2), "/dev/ttyS1");
  setenv("PADLINK_PORT_DIR", "/tmp/ports", 1);
  EXPECT_EQ(PlatformSerialDeviceName(3), "/tmp/ports/com3");
  unsetenv("PADLINK_PORT_DIR");
}

TEST(SerialPosixOpen, LinksAreReadNeverFollowed) {
  const testpty::TempDir dir;
  const std::string file = dir.path() + "/file";
  std::ofstream(file) << "x";
  const std::string url = "rfc2217://localhost:2217";
  ASSERT_EQ(symlink(url.c_str(), (dir.path() + "/com1").c_str()), 0);
  ASSERT_EQ(symlink(file.c_str(), (dir.path() + "/com2").c_str()), 0);
  ASSERT_EQ(symlink((dir.path() + "/com2").c_str(), (dir.path() + "/com3").c_str()), 0);
  const std::string long_target = "/" + std::string(3000, 'x');
  ASSERT_EQ(symlink(long_target.c_str(), (dir.path() + "/com4").c_str()), 0);
  EXPECT_EQ(PlatformReadLink(dir.path() + "/com1"), url);
  EXPECT_EQ(PlatformReadLink(dir.path() + "/com2"), file);
  EXPECT_EQ(PlatformReadLink(dir.path() + "/com3"), dir.path() + "/com2");
  EXPECT_EQ(PlatformReadLink(dir.path() + "/com4"), long_target);
  EXPECT_EQ(PlatformReadLink(file), std::nullopt);
  EXPECT_EQ(PlatformReadLink(dir.path() + "/missing"), std::nullopt);
}

// The descriptor of this process that has `path` open, or -1.
int DescriptorOf(const std::string& path) {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  int found = -1;
  while (const dirent* e = readdir(dir)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + e->d_name;
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path)
      found = std::atoi(e->d_name);
  }
  closedir(dir);
  return found;
}

TEST(SerialPosixOpen, OpenLeavesNoFileBehindAndIsCloseOnExec) {
  const testpty::TempDir dir;
  const std::string missing = dir.path() + "/com9";
  EXPECT_EQ(OpenError(missing), ENOENT);
  EXPECT_NE(access(missing.c_str(), F_OK), 0);

  testpty::Pty pty = testpty::OpenPty();
  std::unique_ptr<Port> port = OpenOrNull(pty.slave_path);
  ASSERT_NE(port, nullptr);
  const int fd = DescriptorOf(pty.slave_path);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(port->Close().ok());
  EXPECT_EQ(DescriptorOf(pty.slave_path), -1);
  testpty::ClosePty(pty);
}

// The exclusive-use mark, which pseudo-terminals never get from an open, on
// a pseudo-terminal; the test looks at it through a descriptor of its own.
class ExclusiveMark : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = testpty::OpenPty();
    watch_ = open(pty_.slave_path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(watch_, 0);
  }
  void TearDown() override {
    for (int fd : fds_)
      close(fd);
    close(watch_);
    testpty::ClosePty(pty_);
  }
  int NewDescriptor() {
    fds_.push_back(open(pty_.slave_path.c_str(), O_RDWR | O_NOCTTY));
    return fds_.back();
  }
  bool Marked() const {
    int on = -1;
    return ioctl(watch_, TIOCGEXCL, &on) == 0 && on == 1;
  }

  testpty::Pty pty_;
  int watch_ = -1;
  std::vector<int> fds_;
};

TEST_F(ExclusiveMark, ReleaseAllClearsEveryMarkAClosedPortClearsItsOwn) {
  // Opened before anything is marked: a mark keeps out every user but root.
  std::vector<int> more;
  for (int i = 0; i < terminal::kMaxMarked; ++i)
    more.push_back(NewDescriptor());
  const int fd = NewDescriptor();
  const int port_fd = NewDescriptor();
  fds_.pop_back();  // the port closes it

  ASSERT_TRUE(terminal::Mark(fd));
  EXPECT_TRUE(Marked());
  PosixSerialReleaseAll();  // as the fatal-signal handler does
  EXPECT_FALSE(Marked());
  terminal::Unmark(fd);

  ASSERT_TRUE(terminal::Mark(port_fd));
  EXPECT_TRUE(Marked());
  TerminalPort port(port_fd, /*marked=*/true, /*low_latency=*/false);
  EXPECT_TRUE(port.Close().ok());
  EXPECT_FALSE(Marked());
  // Both slots are free again.
  for (int m : more)
    EXPECT_TRUE(terminal::Mark(m));
  for (int m : more)
    terminal::Unmark(m);
}

TEST_F(ExclusiveMark, NoMoreMarksThanSlotsAndNothingMarkedBeyond) {
  std::vector<int> marked;
  for (int i = 0; i < terminal::kMaxMarked; ++i) {
    marked.push_back(NewDescriptor());
    ASSERT_TRUE(terminal::Mark(marked.back())) << i;
  }
  for (int m : marked)
    ioctl(m, TIOCNXCL);  // so that an extra mark would show
  EXPECT_FALSE(terminal::Mark(NewDescriptor()));
  EXPECT_FALSE(Marked());
  for (int m : marked)
    terminal::Unmark(m);
  EXPECT_TRUE(terminal::Mark(marked[0]));
  terminal::Unmark(marked[0]);
}

// The modem lines of a device that has them, emulated by a preloaded
// library that logs each change.
TEST(SerialPosixModemLines, SetRtsSetDtrAndTheLevelsOfTheSettings) {
  testpty::Pty pty = testpty::OpenPty();
  const testpty::TempDir dir;
  const std::string log = dir.path() + "/modem.log";
  testpty::ChildOptions o;
  o.argv = {MODEM_CHILD, pty.slave_path, "rts0",      "rts1",     "dtr0",
            "dtr1",      "config:01",    "config:1h", "config:10"};
  // A sanitized child lets the preload come before its runtime.
  const char* asan = std::getenv("ASAN_OPTIONS");
  o.env = {std::string("LD_PRELOAD=") + MODEM_PRELOAD, "PADLINK_MODEM_LOG=" + log,
           std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  ASSERT_TRUE(testpty::Wait(c, 10000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0) << c.err_text;
  std::ifstream in(log);
  std::vector<std::string> changes;
  for (std::string kind, ns, level; in >> kind >> ns >> level;)
    changes.push_back(kind + level);
  // Opening raised both; config:1h leaves RTS to the handshake.
  const std::vector<std::string> expected = {"RTS0", "RTS1", "DTR0", "DTR1",
                                             "DTR0", "DTR1", "RTS0"};
  EXPECT_EQ(changes, expected);
  testpty::ClosePty(pty);
}

}  // namespace
