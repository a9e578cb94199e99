// Devices padlink must not take for a serial line, and a port that must be
// free again however an earlier run ended.
#include <fcntl.h>
#include <grp.h>
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

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/padlink_run.h"
#include "tests/support/pty.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const char kOwnTerminal[] =
    "Open error. The device is the terminal padlink runs in (standard input, output, error or "
    "the controlling terminal), not a serial line\n";

class PortGuardE2E : public PadlinkRun {
 protected:
  // padlink with its own options; standard error (and output unless
  // redirected) captured.
  // An unprivileged run gets its own copy of the program (UserProgram).
  testpty::Child Run(testpty::ChildOptions o, std::vector<std::string> args) {
    o.argv = {o.unprivileged ? user_program_ : PADLINK_BIN};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env.push_back("PADLINK_PORT_DIR=" + dir_.path());
    return testpty::Spawn(o);
  }

  int End(testpty::Child& c, int timeout_ms = 10000) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, timeout_ms, &status));
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return testpty::ExitCode(status);
  }

  std::string KeysFile(const std::string& keys) {
    const std::string path = dir_.path() + "/keys";
    std::ofstream(path) << keys;
    return path;
  }

  // The port, and the program, as an unprivileged user may use them. The
  // build tree can sit where other users cannot enter (a checkout in a
  // private directory), so the program is run from a copy in the port
  // directory. Skips, saying why, when the user nobody cannot reach even
  // that.
  void OpenPortToUsers() {
    chmod(dir_.path().c_str(), 0755);
    chmod(port_.slave_path.c_str(), 0666);
    user_program_ = dir_.path() + "/padlink";
    std::filesystem::copy_file(PADLINK_BIN, user_program_,
                               std::filesystem::copy_options::overwrite_existing);
    chmod(user_program_.c_str(), 0755);
    if (!UnprivilegedCanRun(user_program_))
      GTEST_SKIP() << "the user nobody cannot run " << user_program_
                   << " (a directory on its way is closed to other users)";
  }

  // Whether the user nobody (when the tests run as root; else this user) may
  // run the program at `path`.
  static bool UnprivilegedCanRun(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
      const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
      if (nobody && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                     setuid(nobody->pw_uid) != 0))
        _exit(2);
      _exit(access(path.c_str(), X_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
  }

  std::string user_program_;
};

TEST_F(PortGuardE2E, OwnTerminalIsRefusedAndLeftAsItWas) {
  struct Case {
    const char* name;
    std::string target;   // what com3 names
    bool keys_from_file;  // standard input a file, standard output the terminal
  };
  const Case cases[] = {
      {"standard input's terminal", console_.slave_path, false},
      {"/dev/tty", "/dev/tty", false},
      {"standard output's terminal", console_.slave_path, true},
  };
  for (const Case& k : cases) {
    dir_.LinkPort(3, k.target);
    const termios before = ConsoleSettings();
    testpty::ChildOptions o;
    if (k.keys_from_file) {
      o.stdin_path = KeysFile("S");
      o.stdout_path = console_.slave_path;
    } else {
      o.stdin_path = console_.slave_path;
      o.terminal = true;
    }
    testpty::Child c = Run(o, {"-c", "3", "-d", "-a", "3", "-t", "0"});
    EXPECT_EQ(End(c), 1) << k.name;
    EXPECT_THAT(c.err_text, StartsWith(kOwnTerminal)) << k.name;
    EXPECT_EQ(c.out_text, "") << k.name;
    EXPECT_TRUE(SameSettings(ConsoleSettings(), before)) << k.name << ": terminal changed";
  }
}

// A run started with standard input, output or error closed (the shell's
// "<&-", ">&-", "2>&-"): the port does not take the free number, so it is
// neither refused as padlink's own terminal nor written to by the printing
// of samples and messages. With no robot at the far end, the sample fails
// and ends the run.
TEST_F(PortGuardE2E, AClosedStandardStreamLeavesThePortAlone) {
  for (int closed : {0, 1, 2}) {
    SCOPED_TRACE(closed);
    testpty::ChildOptions o;
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    o.closed_fd = closed;
    testpty::Child c = Run(o, {"-c", "1", "-d", "-a", "3"});
    ASSERT_TRUE(WaitForConfiguredPort()) << c.err_text;
    // The first sample's request and nothing before it: no header line.
    EXPECT_EQ(testpty::ReadBytes(port_.master, 3, 3000),
              (std::vector<std::uint8_t>{0xE2, 0x03, 0x00}));
    EXPECT_EQ(End(c), 1);
    EXPECT_THAT(c.err_text, Not(HasSubstr("Open error.")));
    if (closed != 1) {
      EXPECT_THAT(c.out_text, StartsWith("AD3, ADsecond, SRAM, SRAMsecond\n"));
    }
    EXPECT_TRUE(PortIsFree());
    // Another speed, so that the next round sees its own configuration.
    termios t{};
    tcgetattr(port_.master, &t);
    cfsetspeed(&t, B38400);
    tcsetattr(port_.master, TCSANOW, &t);
    testpty::ReadFor(port_.master, 50);
  }
}

TEST_F(PortGuardE2E, PseudoTerminalMasterIsNotASerialLine) {
  dir_.LinkPort(3, "/dev/ptmx");
  testpty::Child c = Run({}, {"-c", "3", "-d", "-a", "3", "-t", "0"});
  EXPECT_EQ(End(c), 1);
  EXPECT_THAT(c.err_text,
              StartsWith("Open error. Not a serial device (the path is the master side of a "
                         "pseudo-terminal)\n"));
  EXPECT_EQ(c.out_text, "");
}

// The signals after which padlink gives its port back, as the bits of a
// /proc signal mask.
std::uint64_t CaughtSignals(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

TEST_F(PortGuardE2E, PortIsFreeAgainHoweverAnUnprivilegedRunEnded) {
  OpenPortToUsers();
  if (IsSkipped()) return;
  for (int sig : {SIGKILL, SIGTERM, SIGPIPE, SIGHUP}) {
    // Keys from nowhere: standard input is not a terminal.
    testpty::ChildOptions o;
    o.unprivileged = true;
    testpty::Child first = Run(o, {"-c", "1", "-d"});
    ASSERT_TRUE(WaitForConfiguredPort()) << sig << first.err_text;
    const std::uint64_t caught = CaughtSignals(first.pid);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
      EXPECT_TRUE(caught & (std::uint64_t{1} << (s - 1))) << "signal " << s << " not caught";
    kill(first.pid, sig);
    EXPECT_EQ(End(first), -sig);

    // The next run has the port: its key's command goes out. (A quit key
    // with it in the file would end the run before the key.)
    o.stdin_path = KeysFile("7");
    testpty::Child second = Run(o, {"-c", "1", "-d"});
    std::vector<std::uint8_t> got;
    // Until padlink has the port, its other end reads nothing at once.
    for (int i = 0; i < 100 && got.empty(); ++i) {
      got = testpty::ReadFor(port_.master, 50);
      if (got.empty()) testpty::SleepMs(50);
    }
    EXPECT_EQ(got, std::vector<std::uint8_t>{7}) << "after signal " << sig;
    kill(second.pid, SIGTERM);
    EXPECT_EQ(End(second), -SIGTERM) << "after signal " << sig;
    // Its only message: the end of its keys (a file) is said once.
    EXPECT_EQ(
        second.err_text,
        "padlink: standard input has ended, so no more keys can come; padlink runs on until a "
        "signal ends it (Ctrl+C, or kill)\n")
        << "after signal " << sig;
    // Another speed, so that the next round sees its own configuration.
    termios t{};
    tcgetattr(port_.master, &t);
    cfsetspeed(&t, B38400);
    tcsetattr(port_.master, TCSANOW, &t);
  }
}

TEST_F(PortGuardE2E, ExclusiveUseMarkIsReportedForWhatItIs) {
  OpenPortToUsers();
  if (IsSkipped()) return;
  testpty::ChildOptions o;
  o.unprivileged = true;
  // Marked for exclusive use by a program that ended without clearing the
  // mark: the pseudo-terminal lives on, since its other end is open.
  {
    const int fd = open(port_.slave_path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    close(fd);
    testpty::Child c = Run(o, {"-c", "1", "-d"});
    EXPECT_EQ(End(c), 1);
    EXPECT_THAT(c.err_text,
                StartsWith("Open error. Port is marked for exclusive use, but no process holds "
                           "its lock"));
    EXPECT_THAT(c.err_text, Not(HasSubstr("in use by another program")));
    // The hint that follows says what the device is, in the same words.
    EXPECT_THAT(c.err_text, HasSubstr("\npadlink: port 1 is " + dir_.path() + "/com1 -> " +
                                      port_.slave_path + ", which is marked for exclusive use; "));
    EXPECT_THAT(c.err_text, HasSubstr("; end every program that has it open, or choose another "
                                      "port, see padlink(1)\n"));
  }
  // Marked and locked by a program that holds it: in use.
  {
    const int fd = open(port_.slave_path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    testpty::Child c = Run(o, {"-c", "1", "-d"});
    EXPECT_EQ(End(c), 1);
    EXPECT_THAT(c.err_text, StartsWith("Open error. Port is in use by another program\n"));
    ioctl(fd, TIOCNXCL);
    close(fd);
  }
}

}  // namespace
