// padlink-plot.exe, the Windows build, under Wine: a saved log gives the
// same picture as the Linux build's, and the live chart shows in the
// console, fed by a pipe from padlink.exe driving the simulated robot.
// Runs when PADLINK_WIN_EXE (padlink.exe, beside which padlink-plot.exe
// lies) and PADLINK_WINE_RUN are set, with WINEPREFIX naming the build's
// private prefix, and Wine's desktop up (the fixture WineDesktop).
//
// Wine's console passes the chart's escape sequences on to the terminal but
// counts them as characters of its own lines, so it breaks the output into
// lines of the window's width ("\r\r\n" on the terminal) where the Windows
// console does not; the checks take those breaks out. After the chart, the
// console's text is drawn by Wine itself, with sequences of its own.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pty.h"
#include "tests/support/robot.h"
#include "tests/support/sample_lines.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kEnterAlt[] = "\x1b[?1049h";
constexpr char kLeaveAlt[] = "\x1b[?1049l";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Without(std::string s, const std::string& what) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at))
    s.erase(at, what.size());
  return s;
}

// The text a terminal shows for output that moves only forwards: escape
// sequences left out, a cursor move forwards as blanks.
std::string Visible(const std::string& s) {
  static const std::regex kForward("\x1b\\[([0-9]*)C");
  static const std::regex kOther("\x1b\\[[0-9;?]*[A-Za-z]");
  std::string out;
  std::smatch m;
  std::string rest = s;
  while (std::regex_search(rest, m, kForward)) {
    out += m.prefix().str() + std::string(m[1].length() ? std::stoul(m[1]) : 1, ' ');
    rest = m.suffix().str();
  }
  out = std::regex_replace(out + rest, kOther, "");
  return Without(out, "\r");
}

int SampleLines(const std::string& log) {
  return static_cast<int>(testsamples::SamplesIn(log, /*from_windows=*/true).size());
}

struct Ran {
  int code;
  std::string out;
  std::string err;
};

Ran RunWith(std::vector<std::string> argv, const std::string& stdin_path,
            std::vector<std::string> env = {}) {
  testpty::ChildOptions o;
  o.argv = std::move(argv);
  o.stdin_path = stdin_path;
  o.env = std::move(env);
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  EXPECT_TRUE(testpty::Wait(c, 60000, &status)) << o.argv[0];
  return {testpty::ExitCode(status), c.out_text, c.err_text};
}

class WinePlotE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string exe = Env("PADLINK_WIN_EXE");
    runner_ = Env("PADLINK_WINE_RUN");
    if (exe.empty() || runner_.empty() || Env("WINEPREFIX").empty())
      GTEST_SKIP() << "no Windows build to run (PADLINK_WIN_EXE, PADLINK_WINE_RUN, WINEPREFIX)";
    padlink_exe_ = exe;
    plot_exe_ = exe.substr(0, exe.find_last_of('/') + 1) + "padlink-plot.exe";
    ASSERT_EQ(access(plot_exe_.c_str(), F_OK), 0) << "no " << plot_exe_;
  }

  // The Linux build's picture of a log.
  std::string LinuxSvg(const std::string& log) {
    const std::string svg = dir_.path() + "/linux.svg";
    const Ran r = RunWith({PLOT_BIN, "--svg", svg}, log);
    EXPECT_EQ(r.code, 0) << r.err;
    return ReadFile(svg);
  }

  std::string runner_, padlink_exe_, plot_exe_;
  testpty::TempDir dir_;
};

// A saved log, with Linux line ends and with padlink.exe's: the picture and
// the summary are the Linux build's, byte for byte, and --csv passes the
// input on unchanged.
TEST_F(WinePlotE2E, SavedLogGivesTheLinuxBuildsPictureAndSummary) {
  const std::string lf = ReadFile(PADLINK_SOURCE_DIR "/docs/run.csv");
  ASSERT_THAT(lf, HasSubstr("AD3, ADsecond, SRAM, SRAMsecond\n"));
  std::string crlf;
  for (char c : lf)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string* input : {&lf, static_cast<const std::string*>(&crlf)}) {
    const bool windows_ends = input == &crlf;
    SCOPED_TRACE(windows_ends ? "CRLF" : "LF");
    const std::string log = dir_.path() + "/run.csv";
    std::ofstream(log, std::ios::binary) << *input;
    const std::string svg = dir_.path() + "/windows.svg";
    const std::string csv = dir_.path() + "/copy.csv";
    const Ran win = RunWith({runner_, plot_exe_, "--svg", svg, "--csv", csv}, log);
    EXPECT_EQ(win.code, 0) << win.err;
    EXPECT_EQ(win.err, "");
    const Ran linux = RunWith({PLOT_BIN}, log);
    EXPECT_EQ(Without(win.out, "\r"), linux.out);
    EXPECT_THAT(linux.out, HasSubstr("AD3: 641 samples, min 38, mean 128.7, max 218"));
    const std::string picture = ReadFile(svg);
    EXPECT_THAT(picture, HasSubstr("</svg>\n"));
    EXPECT_TRUE(picture == LinuxSvg(log)) << "the pictures differ";
    EXPECT_TRUE(ReadFile(csv) == *input) << "the copy differs from the input";
  }
}

struct LiveCase {
  const char* name;
  std::vector<std::string> env;
  bool unicode;  // braille and colours, else ASCII marks and no colours
};

// padlink.exe ... | padlink-plot.exe: padlink.exe takes the keys from its
// console, padlink-plot.exe draws in another (a terminal of its own here,
// since Wine gives each program started from a shell its own console).
TEST_F(WinePlotE2E, LiveChartOfAPipeFromPadlinkExe) {
  const LiveCase cases[] = {
      {"UTF-8", {"LANG=C.UTF-8"}, true},
      {"ASCII", {"LANG=C", "NO_COLOR=1"}, false},
  };
  testpty::Robot robot;
  ASSERT_TRUE(robot.Start(ROBOT_BIN, dir_.path()));
  const std::string link = Env("WINEPREFIX") + "/dosdevices/com106";
  unlink(link.c_str());
  ASSERT_EQ(symlink(robot.device().c_str(), link.c_str()), 0);
  for (const LiveCase& k : cases) {
    SCOPED_TRACE(k.name);
    testpty::Pty console = testpty::OpenPty(/*raw=*/false);
    testpty::Pty chart = testpty::OpenPty(/*raw=*/false);
    winsize ws{};
    ws.ws_row = 24;
    ws.ws_col = 80;
    ioctl(chart.master, TIOCSWINSZ, &ws);
    const std::string csv = dir_.path() + "/live.csv";
    const std::string svg = dir_.path() + "/live.svg";
    testpty::ChildOptions o;
    o.argv = {"/bin/bash", "-c",
              runner_ + " " + padlink_exe_ + " -c 106 -d -a 3 -g 2 -t 0 | " + runner_ + " " +
                  plot_exe_ + " --csv " + csv + " --svg " + svg + " > " + chart.slave_path};
    o.env = k.env;
    o.env.push_back("TERM=xterm");
    o.stdin_path = console.slave_path;
    o.terminal = true;
    testpty::Child c = testpty::Spawn(o);

    std::string screen;
    auto pump = [&](int ms) {
      const std::vector<std::uint8_t> b = testpty::ReadFor(chart.master, ms);
      screen.append(b.begin(), b.end());
    };
    const std::uint64_t deadline = testpty::NowMs() + 30000;
    while (Without(screen, "\r\r\n").find("SRAM   now ") == std::string::npos &&
           testpty::NowMs() < deadline)
      pump(100);
    ASSERT_THAT(Without(screen, "\r\r\n"), HasSubstr("SRAM   now ")) << screen;
    testpty::WriteAll(console.master, "5");
    EXPECT_TRUE(testpty::WaitForOutput(robot.child(), "command  5 (0x05)", 5000)) << robot.log();
    testpty::WriteAll(console.master, "S");
    int status = 0;
    ASSERT_TRUE(testpty::Wait(c, 30000, &status)) << c.err_text;
    EXPECT_EQ(testpty::ExitCode(status), 0) << c.err_text;
    pump(500);

    // Wine's console breaks its lines at the width, escape sequences too.
    const std::string flat = Without(screen, "\r\r\n");
    const std::size_t enter = flat.find(kEnterAlt);
    const std::size_t leave = flat.rfind(kLeaveAlt);
    ASSERT_NE(enter, std::string::npos);
    ASSERT_NE(leave, std::string::npos) << "the chart's screen was not left";
    const std::string live = flat.substr(enter, leave - enter);
    const std::regex braille("\xe2[\xa0-\xa3][\x80-\xbf]");
    const std::regex colour("\x1b\\[38;5;[0-9]+m");
    if (k.unicode) {
      EXPECT_THAT(live, HasSubstr("AD3    now "));
      EXPECT_THAT(live, HasSubstr("GYRO2  now "));
      EXPECT_TRUE(std::regex_search(live, braille));
      EXPECT_TRUE(std::regex_search(live, colour));
    } else {
      EXPECT_THAT(live, HasSubstr("** AD3    now "));
      EXPECT_THAT(live, HasSubstr("++ GYRO2  now "));
      EXPECT_FALSE(std::regex_search(live, braille));
      EXPECT_FALSE(std::regex_search(live, colour));
    }
    EXPECT_TRUE(std::regex_search(live, std::regex("[0-9]+ lines, 0 bad, 0 broken numbers")));

    // The summary, its lines run together (Wine breaks them where it likes).
    const std::string summary = Without(Visible(screen.substr(leave)), "\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        summary, m,
        std::regex("AD3: ([0-9]+) samples, min [0-9]+, mean [0-9.]+, max [0-9]+, over [0-9.]+ s"
                   "GYRO2: ([0-9]+) samples, .*SRAM: ([0-9]+) samples, .*input: [0-9]+ lines, 0 "
                   "bad lines, 0 broken numbers, 0 headers without samples")))
        << summary;

    // The input as padlink.exe wrote it, every sample counted, and the
    // picture of the run is the Linux build's.
    const std::string log = ReadFile(csv);
    EXPECT_EQ(log.rfind("AD3, ADsecond, SRAM, SRAMsecond\r\n", 0), 0u) << log.substr(0, 100);
    EXPECT_EQ(std::stoi(m[1]) + std::stoi(m[2]), SampleLines(log));
    EXPECT_EQ(std::stoi(m[3]), SampleLines(log));
    EXPECT_TRUE(ReadFile(svg) == LinuxSvg(csv)) << "the pictures differ";
    testpty::ClosePty(console);
    testpty::ClosePty(chart);
  }
  unlink(link.c_str());
}

}  // namespace
