// padlink-plot as users run it: in a shell pipeline behind padlink, in the
// same pseudo-terminal, against the simulated robot; alone, ended by
// signals; and on saved logs.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/plot/known_run.h"
#include "tests/support/pty.h"
#include "tests/support/robot.h"
#include "tests/support/sample_lines.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kEnterAlt[] = "\x1b[?1049h";
constexpr char kLeaveAlt[] = "\x1b[?1049l";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

// A terminal: the master end of a pseudo-terminal, and all that was written
// to it.
class Terminal {
 public:
  Terminal(int rows, int cols) : pty_(testpty::OpenPty(/*raw=*/false)) { Resize(rows, cols); }
  ~Terminal() { testpty::ClosePty(pty_); }
  const std::string& slave() const { return pty_.slave_path; }
  const std::string& text() const { return text_; }

  void Resize(int rows, int cols) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows);
    ws.ws_col = static_cast<unsigned short>(cols);
    ioctl(pty_.master, TIOCSWINSZ, &ws);
  }
  termios Settings() const {
    termios t{};
    tcgetattr(pty_.master, &t);
    return t;
  }
  void Type(const std::string& keys) { testpty::WriteAll(pty_.master, keys); }

  // Takes what arrives for up to timeout_ms.
  void Pump(int timeout_ms) {
    pollfd p{pty_.master, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return;
    char buf[65536];
    const ssize_t n = (p.revents & POLLIN) ? read(pty_.master, buf, sizeof buf) : -1;
    if (n > 0) {
      text_.append(buf, static_cast<std::size_t>(n));
    } else {
      testpty::SleepMs(timeout_ms);  // nothing holds the other end open
    }
  }
  // Waits until `needle` shows after position `from`.
  bool WaitFor(const std::string& needle, int timeout_ms, std::size_t from = 0) {
    const std::uint64_t deadline = testpty::NowMs() + static_cast<std::uint64_t>(timeout_ms);
    while (text_.find(needle, from) == std::string::npos) {
      if (testpty::NowMs() >= deadline) return false;
      Pump(10);
    }
    return true;
  }
  // Waits until the terminal's settings say that a program reads single keys.
  bool WaitForSingleKeys(int timeout_ms) {
    const std::uint64_t deadline = testpty::NowMs() + static_cast<std::uint64_t>(timeout_ms);
    while (Settings().c_lflag & ICANON) {
      if (testpty::NowMs() >= deadline) return false;
      Pump(10);
    }
    return true;
  }
  // Waits for a child to end, reading the terminal meanwhile; its wait
  // status, or -1 after timeout_ms (then it is killed).
  int WaitForExit(pid_t pid, int timeout_ms) {
    const std::uint64_t deadline = testpty::NowMs() + static_cast<std::uint64_t>(timeout_ms);
    for (;;) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        for (int i = 0; i < 10; ++i)
          Pump(10);
        return status;
      }
      if (testpty::NowMs() >= deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
      }
      Pump(10);
    }
  }

 private:
  testpty::Pty pty_;
  std::string text_;
};

// The summary printed after the alternate screen was left.
std::string Summary(const std::string& screen) {
  const std::size_t at = screen.rfind(kLeaveAlt);
  if (at == std::string::npos) return "";
  std::string s = screen.substr(at + std::strlen(kLeaveAlt));
  std::string out;
  for (char c : s)
    if (c != '\r') out += c;
  return out;
}

int SampleLines(const std::string& log) {
  return static_cast<int>(testsamples::SamplesIn(log).size());
}

class PlotE2E : public ::testing::Test {
 protected:
  void StartRobot() { ASSERT_TRUE(robot_.Start(ROBOT_BIN, dir_.path())); }

  // A shell runs the pipeline as a job in the terminal, as at a prompt.
  testpty::Child StartPipeline(Terminal& term, const std::string& pipeline) {
    testpty::ChildOptions o;
    o.argv = {"/bin/bash", "-c", pipeline};
    o.env = {"PADLINK_PORT_DIR=" + dir_.path(), "LC_ALL=C.UTF-8", "TERM=xterm"};
    o.stdin_path = term.slave();
    o.terminal = true;
    o.capture = false;
    o.job = true;
    return testpty::Spawn(o);
  }

  std::string Padlink() const { return std::string(PADLINK_BIN) + " -c 1 -d -a 3 -g 2 -t 0"; }

  testpty::TempDir dir_;
  testpty::Robot robot_;
};

const std::regex kSummaryLine(
    R"(^(AD3|GYRO2|SRAM): (\d+) samples, min \d+, mean \d+\.\d, max \d+, over \d+\.\d{3} s$)");

TEST_F(PlotE2E, ChartShowsWhileKeysDriveTheRobotAndEscEndsBoth) {
  Terminal term(30, 100);
  const termios before = term.Settings();
  StartRobot();
  const std::string log = dir_.path() + "/padlink.out";
  const std::string csv = dir_.path() + "/plot.csv";
  testpty::Child job =
      StartPipeline(term, Padlink() + " | tee " + log + " | " + PLOT_BIN + " --csv " + csv);

  // The chart: on the alternate screen, a legend line per series, braille.
  ASSERT_TRUE(term.WaitFor(kEnterAlt, 5000)) << term.text();
  ASSERT_TRUE(term.WaitFor("SRAM   now ", 5000)) << term.text();
  EXPECT_THAT(term.text(), HasSubstr("AD3    now "));
  EXPECT_THAT(term.text(), HasSubstr("GYRO2  now "));
  EXPECT_THAT(term.text(), HasSubstr("value"));
  EXPECT_TRUE(std::regex_search(term.text(), std::regex("\xe2[\xa0-\xa3][\x80-\xbf]")));
  EXPECT_THAT(term.text(), HasSubstr("\x1b[38;5;32m"));  // colours

  // padlink keeps the keyboard.
  ASSERT_TRUE(term.WaitForSingleKeys(5000));
  term.Type("5");
  EXPECT_TRUE(testpty::WaitForOutput(robot_.child(), "command  5 (0x05)", 5000)) << robot_.log();
  term.Type("\x1b");
  const int status = term.WaitForExit(job.pid, 10000);
  ASSERT_NE(status, -1) << term.text();
  EXPECT_EQ(testpty::ExitCode(status), 0);

  // The summary, after the alternate screen is left.
  const std::string summary = Summary(term.text());
  std::istringstream lines(summary);
  std::string line;
  int samples[3] = {};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << summary;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kSummaryLine)) << line;
    samples[i] = std::stoi(m[2]);
  }
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_THAT(line, ::testing::MatchesRegex(
                        "input: [0-9]+ lines, 0 bad lines, 0 broken numbers, 0 headers without "
                        "samples"));
  EXPECT_FALSE(std::getline(lines, line)) << summary;

  // The terminal is as it was; the input went to the file unchanged, and
  // every sample line was counted.
  EXPECT_TRUE(SameSettings(term.Settings(), before));
  const std::string out = ReadFile(log);
  EXPECT_EQ(ReadFile(csv), out);
  EXPECT_EQ(samples[0] + samples[1], SampleLines(out));
  EXPECT_EQ(samples[2], SampleLines(out));
  EXPECT_GT(samples[0], 0);
}

TEST_F(PlotE2E, CtrlCEndsBothAndThePlotStillSummarises) {
  Terminal term(24, 80);
  const termios before = term.Settings();
  StartRobot();
  testpty::Child job = StartPipeline(term, Padlink() + " | " + PLOT_BIN);
  ASSERT_TRUE(term.WaitFor("SRAM   now ", 5000)) << term.text();
  ASSERT_TRUE(term.WaitForSingleKeys(5000));
  term.Type("\x03");  // the terminal sends SIGINT to the whole job
  const int status = term.WaitForExit(job.pid, 10000);
  ASSERT_NE(status, -1) << term.text();
  const std::string summary = Summary(term.text());
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status << "\n" << summary;
  EXPECT_TRUE(std::regex_search(summary, std::regex("^AD3: [0-9]+ samples?,"))) << summary;
  EXPECT_THAT(summary, HasSubstr("\nSRAM: "));
  EXPECT_TRUE(SameSettings(term.Settings(), before));
}

TEST_F(PlotE2E, FollowsWindowSizeChanges) {
  Terminal term(30, 100);
  StartRobot();
  testpty::Child job = StartPipeline(term, Padlink() + " | " + PLOT_BIN);
  ASSERT_TRUE(term.WaitFor("\x1b[30;1H", 5000)) << term.text();  // the bottom row
  ASSERT_TRUE(term.WaitForSingleKeys(5000));
  term.Resize(20, 60);
  // Redrawn whole at the new size: the screen cleared, the status line on
  // row 20. (Frames drawn before the change may still arrive after it.)
  const std::regex status_on_20("\x1b\\[20;1H[0-9]+ lines, ");
  std::size_t cleared = std::string::npos;
  for (int i = 0; i < 500 && cleared == std::string::npos; ++i) {
    term.Pump(10);
    for (std::size_t at = term.text().find("\x1b[2J"); at != std::string::npos;
         at = term.text().find("\x1b[2J", at + 1)) {
      const std::size_t next = term.text().find("\x1b[2J", at + 1);
      if (std::regex_search(term.text().substr(at, next - at), status_on_20)) {
        cleared = at;
        break;
      }
    }
  }
  ASSERT_NE(cleared, std::string::npos) << term.text();
  term.Pump(300);
  const std::string after = term.text().substr(cleared);
  EXPECT_FALSE(std::regex_search(after, std::regex("\x1b\\[(2[1-9]|30);1H"))) << after;
  term.Type("\x1b");
  EXPECT_EQ(testpty::ExitCode(term.WaitForExit(job.pid, 10000)), 0);
}

// padlink-plot alone, its input a pipe, its output the terminal: each of the
// signals that end it leaves the alternate screen, prints the summary and
// ends it as the signal would.
TEST(PlotSignals, EachEndingSignalRestoresTheScreenAndSummarises) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    Terminal term(24, 80);
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      const int tty = open(term.slave().c_str(), O_RDWR | O_NOCTTY);
      dup2(in[0], 0);
      dup2(tty, 1);
      dup2(tty, 2);
      close(in[1]);
      setenv("LC_ALL", "C", 1);
      setenv("TERM", "dumb", 1);
      execl(PLOT_BIN, PLOT_BIN, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    const std::string text = KnownRunText();
    testpty::WriteAll(in[1], text.substr(0, text.rfind("-3, ")));  // not the failure
    ASSERT_TRUE(term.WaitFor("SRAM   now 100", 5000)) << term.text();
    // ASCII marks where the locale is not UTF-8; no colours on a dumb
    // terminal.
    EXPECT_THAT(term.text(), HasSubstr("** AD3    now 225"));
    EXPECT_THAT(term.text(), HasSubstr("|+++++++"));
    EXPECT_FALSE(std::regex_search(term.text(), std::regex("\x1b\\[(38;5;[0-9]+|9[0-7])m")));
    kill(pid, sig);
    const int status = term.WaitForExit(pid, 5000);
    close(in[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(Summary(term.text()),
              "AD3: 10 samples, min 0, mean 112.5, max 225, over 9.000 s\n"
              "GYRO2: 10 samples, min 200, mean 200.0, max 200, over 9.000 s\n"
              "SRAM: 20 samples, min 100, mean 100.0, max 100, over 9.020 s\n"
              "input: 22 lines, 0 bad lines, 0 broken numbers, 0 headers without samples\n");
    EXPECT_THAT(term.text(), HasSubstr("\x1b[?25h"));  // the cursor shows again
  }
}

struct OfflineCase {
  const char* name;
  std::string input;
  const char* summary;
};

// Saved logs, good and bad, read as fast as they go: no chart, a summary,
// a picture; nothing crashes or stalls.
TEST(PlotOffline, SavedLogsGiveASummaryAndAPicture) {
  std::string binary(1 << 20, '\0');  // a megabyte without a line end
  for (std::size_t i = 0; i < binary.size(); ++i) {
    const char c = static_cast<char>((i * 7919) % 251 + 1);
    binary[i] = c == '\n' ? 'x' : c;
  }
  const OfflineCase cases[] = {
      {"known run", KnownRunText(),
       "AD3: 10 samples, min 0, mean 112.5, max 225, over 9.000 s, failed at 10.009 s: Echoeback "
       "timeout (-3)\n"
       "GYRO2: 10 samples, min 200, mean 200.0, max 200, over 9.000 s\n"
       "SRAM: 21 samples, min 100, mean 100.0, max 100, over 10.000 s\n"
       "input: 23 lines, 0 bad lines, 0 broken numbers, 0 headers without samples\n"},
      {"empty", "", "input: empty, no samples\n"},
      {"header only", "GYRO1, GYROsecond, SRAM, SRAMsecond\n",
       "GYRO1: 0 samples\nSRAM: 0 samples\n"
       "input: 1 line, 0 bad lines, 0 broken numbers, 1 header without samples, no samples\n"},
      {"garbage", binary,
       "input: 1 line, 1 bad line, 0 broken numbers, 0 headers without samples, no samples\n"},
      {"broken numbers",
       "AD3, ADsecond, SRAM, SRAMsecond\n140, 0.007, 0, 0.015\n14O, 0.207, 1, 0.215\nhello\n",
       "AD3: 1 sample, min 140, mean 140.0, max 140, over 0.000 s\n"
       "SRAM: 1 sample, min 0, mean 0.0, max 0, over 0.000 s\n"
       "input: 4 lines, 1 bad line, 1 broken number, 0 headers without samples\n"},
  };
  for (const OfflineCase& c : cases) {
    SCOPED_TRACE(c.name);
    testpty::TempDir dir;
    const std::string log = dir.path() + "/run.csv";
    std::ofstream(log, std::ios::binary) << c.input;
    testpty::ChildOptions o;
    o.argv = {PLOT_BIN, "--svg", dir.path() + "/run.svg", "--title", "saved"};
    o.stdin_path = log;
    testpty::Child child = testpty::Spawn(o);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(child, 20000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 0) << child.err_text;
    EXPECT_EQ(child.out_text, c.summary);
    EXPECT_EQ(child.err_text, "");
    const std::string svg = ReadFile(dir.path() + "/run.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_THAT(svg, HasSubstr("<title>saved</title>"));
    EXPECT_THAT(svg, HasSubstr("</svg>\n"));
  }
}

// Wrong options and files that cannot be written end the program before it
// reads any input (here a terminal where nothing is typed), with the
// system's reason.
TEST(PlotOffline, WrongOptionsAndUnwritableFiles) {
  testpty::TempDir dir;
  const std::string& d = dir.path();
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"--bogus"}, "usage: padlink-plot"},
      {{"--window", "0"}, "padlink-plot: --window wants seconds above 0\n"},
      {{"--window", "x"}, "padlink-plot: --window wants seconds above 0\n"},
      {{"--window", "1e8"}, "padlink-plot: --window wants at most 10000000 seconds\n"},
      {{"--csv", "/nonexistent/dir/x.csv"},
       "padlink-plot: /nonexistent/dir/x.csv: No such file or directory\n"},
      {{"--svg", "/nonexistent/dir/x.svg"},
       "padlink-plot: /nonexistent/dir/x.svg: No such file or directory\n"},
      {{"--svg", d}, "padlink-plot: " + d + ": Is a directory\n"},
      {{"--csv", d + "/x.csv", "--svg", d + "/no/x.svg"},
       "padlink-plot: " + d + "/no/x.svg: No such file or directory\n"},
  };
  Terminal input(24, 80);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    testpty::ChildOptions o;
    o.argv = {PLOT_BIN};
    o.argv.insert(o.argv.end(), c.args.begin(), c.args.end());
    o.stdin_path = input.slave();
    testpty::Child child = testpty::Spawn(o);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(child, 5000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 1);
    EXPECT_THAT(child.err_text, HasSubstr(c.err));
  }
  // Nothing was left behind.
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(d), std::filesystem::directory_iterator()),
      0);
}

// The files that end up in the temporary directory, by name.
std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// padlink-plot with its input a pipe that the test writes and closes,
// standard output and error into files; its pid.
pid_t StartPlotOnPipe(const std::vector<std::string>& args, const std::string& dir, int* in) {
  int p[2];
  if (pipe(p) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(p[0], 0);
    close(p[1]);
    const int out = open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(PLOT_BIN)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(PLOT_BIN, argv.data());
    _exit(127);
  }
  close(p[0]);
  *in = p[1];
  return pid;
}

// --csv and --svg are written beside their files under temporary names and
// take their places whole at the end: what was there stays while the run
// goes on. A picture that cannot take its place at the end (its name became
// a directory meanwhile) is kept, and the message says where.
TEST(PlotOffline, FilesTakeTheirPlacesWholeAtTheEnd) {
  for (const bool blocked : {false, true}) {
    SCOPED_TRACE(blocked);
    testpty::TempDir dir;
    const std::string work = dir.path() + "/work";
    std::filesystem::create_directory(work);
    const std::string csv = work + "/run.csv";
    const std::string svg = work + "/run.svg";
    std::ofstream(csv) << "old log\n";
    std::ofstream(svg) << "old picture\n";
    int in = -1;
    const pid_t pid = StartPlotOnPipe({"--csv", csv, "--svg", svg}, dir.path(), &in);
    ASSERT_GT(pid, 0);
    const std::string text = KnownRunText();
    testpty::WriteAll(in, text.substr(0, 100));
    // Both temporary files are there; the old files are untouched.
    for (int i = 0; i < 500 && FilesIn(work).size() < 4; ++i)
      testpty::SleepMs(10);
    const std::vector<std::string> names = FilesIn(work);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_THAT(names[1], ::testing::StartsWith("run.csv."));
    EXPECT_THAT(names[3], ::testing::StartsWith("run.svg."));
    EXPECT_EQ(ReadFile(csv), "old log\n");
    EXPECT_EQ(ReadFile(svg), "old picture\n");
    if (blocked) {
      std::filesystem::remove(svg);
      std::filesystem::create_directories(svg + "/x");
    }
    testpty::WriteAll(in, text.substr(100));
    close(in);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(testpty::ExitCode(status), blocked ? 1 : 0);
    EXPECT_EQ(ReadFile(csv), text);
    const std::string err = ReadFile(dir.path() + "/err");
    if (!blocked) {
      EXPECT_EQ(err, "");
      EXPECT_EQ(FilesIn(work), (std::vector<std::string>{"run.csv", "run.svg"}));
      EXPECT_THAT(ReadFile(svg), HasSubstr("</svg>\n"));
      continue;
    }
    const std::string kept = work + "/" + names[3];
    EXPECT_EQ(err,
              "padlink-plot: " + svg + ": cannot write: Is a directory; it is in " + kept + "\n");
    EXPECT_THAT(ReadFile(kept), HasSubstr("</svg>\n"));
  }
}

// Started with standard input, output or error closed, padlink-plot does
// not take the free number for its --csv file: the file gets the input and
// nothing else, and the input is not read from it (with standard input
// closed, the input is empty).
TEST(PlotOffline, AClosedStandardStreamIsNotTheCsvFile) {
  for (int closed : {0, 1, 2}) {
    SCOPED_TRACE(closed);
    testpty::TempDir dir;
    const std::string log = dir.path() + "/in.csv";
    const std::string csv = dir.path() + "/copy.csv";
    std::ofstream(log, std::ios::binary) << KnownRunText();
    testpty::ChildOptions o;
    o.argv = {PLOT_BIN, "--csv", csv};
    o.stdin_path = log;
    o.closed_fd = closed;
    testpty::Child child = testpty::Spawn(o);
    int status = 0;
    ASSERT_TRUE(testpty::Wait(child, 5000, &status));
    EXPECT_EQ(testpty::ExitCode(status), 0) << child.err_text;
    EXPECT_EQ(ReadFile(csv), closed == 0 ? "" : KnownRunText());
  }
}

}  // namespace
