// padlink-keytest in a real pseudo-terminal, as a user runs it: keys typed
// in, one line out per key, and the terminal exactly as it was afterwards.
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/pty.h"

namespace {

constexpr const char* kPasteMarksOn = "\x1b[?2004h";
constexpr const char* kPasteMarksOff = "\x1b[?2004l";

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class KeytestE2E : public ::testing::Test {
 protected:
  void SetUp() override { console_ = testpty::OpenPty(/*raw=*/false); }
  void TearDown() override { testpty::ClosePty(console_); }

  termios Settings() const {
    termios t{};
    tcgetattr(console_.master, &t);
    return t;
  }

  // Starts the tester on the terminal, its output on the terminal too, and
  // waits until it reads single keys.
  testpty::Child Start() {
    before_ = Settings();
    testpty::ChildOptions o;
    o.argv = {KEYTEST_BIN};
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    o.capture = false;
    testpty::Child c = testpty::Spawn(o);
    bool ready = false;
    for (int i = 0; i < 500 && !ready; ++i) {
      ready = !(Settings().c_lflag & ICANON);
      if (!ready) testpty::SleepMs(10);
    }
    EXPECT_TRUE(ready);
    return c;
  }

  void Type(const std::string& keys) { testpty::WriteAll(console_.master, keys); }

  // What the tester printed until it ended, without the terminal's \r.
  std::string OutputToEnd() {
    const std::vector<std::uint8_t> bytes = testpty::ReadFor(console_.master, 1000);
    std::string text(bytes.begin(), bytes.end());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  // Its exit code, or -signal; the terminal must be as it was, byte for byte.
  int Finish(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 5000, &status));
    const termios after = Settings();
    EXPECT_EQ(std::memcmp(&after, &before_, sizeof after), 0) << "terminal not restored";
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return testpty::ExitCode(status);
  }

  static std::string Line(const char* name, const char* codes, const char* action) {
    char text[128];
    std::snprintf(text, sizeof text, "%-22s %-11s %s", name, codes, action);
    return text;
  }

  // The lines after the column heads, without the terminal modes.
  static std::vector<std::string> KeyLines(std::string text) {
    for (const char* mode : {kPasteMarksOn, kPasteMarksOff}) {
      for (std::size_t at; (at = text.find(mode)) != std::string::npos;)
        text.erase(at, std::strlen(mode));
    }
    std::vector<std::string> lines;
    std::size_t start = text.find("\nkey ");  // the column heads
    if (start == std::string::npos) return lines;
    start = text.find('\n', start + 1) + 1;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  testpty::Pty console_;
  termios before_{};
};

TEST_F(KeytestE2E, EachKeyPrintsItsNameCodesAndWhatPadlinkDoes) {
  testpty::Child c = Start();
  Type("a");
  Type("\x1b[1;5A");             // Ctrl+Up
  Type("\x1b[1;2A");             // Shift+Up: the key sent, not the key it acts as
  Type("\x1b[26^");              // Ctrl+Shift+F4 in rxvt
  Type("\x1b[3;5~");             // Ctrl+Delete
  Type(std::string(1, '\0'));    // Ctrl+Space: no key
  Type("\x1b[12;40R");           // a cursor position report: no key
  Type("\x1b[25~");              // rxvt's Shift+F3: no key padlink knows
  Type("\x1b[M !!");             // a mouse report
  Type("\xc3\xa9");              // e acute
  Type("\x1b[200~59\x1b[201~");  // pasted "59"
  Type("\x1bOQ");                // F2
  Type("S");
  const std::string out = OutputToEnd();
  EXPECT_EQ(Finish(c), 0);
  EXPECT_THAT(out, HasSubstr("S or Esc ends"));
  EXPECT_THAT(
      KeyLines(out),
      ElementsAre(
          Line("a", "0x61", "command 15 (0x0F)"), Line("Ctrl+Up", "0x00 0x8D", "command 10 (0x0A)"),
          Line("Shift+Up", "0x00 0x48", "command 11 (0x0B)"),
          Line("Ctrl+Shift+F4", "0x00 0x61", "command 15 (0x0F)"),
          Line("Ctrl+Delete", "0x00 0x93", "no action"), Line("0x00", "-", "ignored"),
          Line("ESC [ 1 2 ; 4 0 R", "-", "ignored"), Line("ESC [ 2 5 ~", "-", "ignored"),
          Line("ESC [ M SP ! !", "-", "ignored"), Line("non-ASCII character", "0xC3", "no action"),
          Line("pasted text", "2 bytes", "not sent"), Line("F2", "0x00 0x3C", "command 25 (0x19)"),
          Line("S", "0x53", "quits")));
}

TEST_F(KeytestE2E, EscSDeleteAndCtrlCEndItWithTheTerminalRestored) {
  struct End {
    const char* keys;
    const char* line;  // its last line
    int result;
  };
  const End ends[] = {
      {"\x1b", "Esc", 0},         {"S", "S", 0},
      {"\x1b[3~", "Delete", 0},   {"\x1b[P", "Delete", 0},  // st
      {"\x03", nullptr, -SIGINT},                           // Ctrl+C
  };
  for (const End& e : ends) {
    testpty::Child c = Start();
    Type(e.keys);
    const std::string out = OutputToEnd();
    EXPECT_EQ(Finish(c), e.result) << e.line;
    // Pasted text was marked while it ran, and is not any more.
    EXPECT_LT(out.find(kPasteMarksOn), out.rfind(kPasteMarksOff)) << out;
    EXPECT_EQ(out.find(kPasteMarksOn, out.rfind(kPasteMarksOff)), std::string::npos) << out;
    const std::vector<std::string> lines = KeyLines(out);
    if (e.line) {
      ASSERT_EQ(lines.size(), 1u) << out;
      EXPECT_EQ(lines[0].substr(0, lines[0].find(' ')), e.line);
      EXPECT_THAT(lines[0], ::testing::EndsWith(" quits"));
    } else {
      EXPECT_TRUE(lines.empty()) << out;
    }
  }
}

}  // namespace
