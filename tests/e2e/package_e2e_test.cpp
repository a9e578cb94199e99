// The packages as a user gets them: the Debian package unpacked with
// dpkg -x, its programs run against each other and its documents checked;
// the Windows zip unpacked and its padlink.exe run under Wine.
// Runs when PADLINK_DEB names the .deb (and, for the zip, PADLINK_ZIP and
// PADLINK_WINE_RUN with WINEPREFIX); the ci build sets them for the test
// preset packages, whose fixture Packages.Build runs tools/package.sh.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/pty.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunProgram(std::vector<std::string> argv, std::vector<std::string> env = {},
                  int timeout_ms = 30000) {
  testpty::ChildOptions o;
  o.argv = std::move(argv);
  o.env = std::move(env);
  testpty::Child c = testpty::Spawn(o);
  int status = 0;
  EXPECT_TRUE(testpty::Wait(c, timeout_ms, &status)) << o.argv[0];
  return {testpty::ExitCode(status), c.out_text, c.err_text};
}

bool IsFile(const std::string& path, mode_t mode) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) == mode;
}

class DebianPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    deb_ = Env("PADLINK_DEB");
    if (deb_.empty()) GTEST_SKIP() << "no package to test (PADLINK_DEB)";
    const Result x = RunProgram({"/usr/bin/dpkg", "-x", deb_, root_.path()});
    ASSERT_EQ(x.code, 0) << x.err;
  }
  std::string Root(const std::string& path) const { return root_.path() + path; }

  std::string deb_;
  testpty::TempDir root_;
};

TEST_F(DebianPackage, ControlFieldsAndFiles) {
  const Result f = RunProgram({"/usr/bin/dpkg-deb", "--field", deb_, "Package", "Version",
                               "Architecture", "Depends", "Description"});
  ASSERT_EQ(f.code, 0) << f.err;
  EXPECT_THAT(f.out, HasSubstr("Package: padlink\n"));
  EXPECT_THAT(f.out, HasSubstr("Version: 1.7\n"));
  // Found by dpkg-shlibdeps in the programs' libraries.
  EXPECT_THAT(f.out, HasSubstr("libc6 (>= "));
  EXPECT_THAT(f.out, HasSubstr("libstdc++6 (>= "));
  EXPECT_THAT(f.out, HasSubstr("padlink-plot"));

  for (const char* program : {"/usr/bin/padlink", "/usr/bin/padlink-robot", "/usr/bin/padlink-plot",
                              "/usr/bin/padlink-keytest"})
    EXPECT_TRUE(IsFile(Root(program), 0755)) << program;
  for (const char* doc :
       {"/usr/share/man/man1/padlink.1.gz", "/usr/share/man/man1/padlink-robot.1.gz",
        "/usr/share/man/man1/padlink-plot.1.gz", "/usr/share/man/man1/padlink-keytest.1.gz",
        "/usr/share/doc/padlink/README.md", "/usr/share/doc/padlink/copyright",
        "/usr/share/doc/padlink/changelog.gz",
        // What the README links to, where its links lead.
        "/usr/share/doc/padlink/docs/remote.md", "/usr/share/doc/padlink/docs/terminals.md",
        "/usr/share/doc/padlink/docs/timing.md", "/usr/share/doc/padlink/docs/run.svg"})
    EXPECT_TRUE(IsFile(Root(doc), 0644)) << doc;

  // The pages as installed still render without a warning.
  for (const char* page :
       {"padlink.1.gz", "padlink-robot.1.gz", "padlink-plot.1.gz", "padlink-keytest.1.gz"}) {
    const std::string path = Root("/usr/share/man/man1/") + page;
    const Result r =
        RunProgram({"/bin/sh", "-c", "gzip -dc '" + path + "' | groff -t -man -ww -Tutf8 -z"});
    EXPECT_EQ(r.code, 0) << page;
    EXPECT_EQ(r.err, "") << page;
  }
}

TEST_F(DebianPackage, PackagedProgramsRunAgainstEachOther) {
  const std::string padlink = Root("/usr/bin/padlink");
  const std::string robot = Root("/usr/bin/padlink-robot");

  const Result usage = RunProgram({padlink});
  EXPECT_EQ(usage.code, 1);
  EXPECT_THAT(usage.err, StartsWith("Usage: padlink -c ComNo"));

  const Result help = RunProgram({robot, "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_THAT(help.out, HasSubstr("--port-dir DIR"));

  testpty::TempDir ports;
  const Result missing = RunProgram({padlink, "-c", "7"}, {"PADLINK_PORT_DIR=" + ports.path()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_THAT(missing.err, StartsWith("Open error. No such file or directory\npadlink: port 7 is " +
                                      ports.path() + "/com7, which does not exist; "));

  // The packaged robot serves the packaged padlink.
  testpty::ChildOptions ro;
  ro.argv = {robot, "--port", "2", "--port-dir", ports.path()};
  testpty::Child r = testpty::Spawn(ro);
  ASSERT_TRUE(testpty::WaitForOutput(r, "connect with:", 5000)) << r.err_text;
  testpty::Pty console = testpty::OpenPty(/*raw=*/false);
  testpty::ChildOptions po;
  po.argv = {padlink, "-c", "2", "-d", "-a", "3", "-t", "0"};
  po.env = {"PADLINK_PORT_DIR=" + ports.path()};
  po.stdin_path = console.slave_path;
  po.terminal = true;
  testpty::Child p = testpty::Spawn(po);
  EXPECT_TRUE(testpty::WaitForLines(p, 3, 10000)) << p.out_text << p.err_text;
  testpty::WriteAll(console.master, "7");
  EXPECT_TRUE(testpty::WaitForOutput(r, "command  7 (0x07)", 5000)) << r.out_text;
  testpty::WriteAll(console.master, "S");
  int status = 0;
  ASSERT_TRUE(testpty::Wait(p, 10000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0) << p.err_text;
  EXPECT_THAT(p.out_text, StartsWith("AD3, ADsecond, SRAM, SRAMsecond\n"));
  kill(r.pid, SIGTERM);
  ASSERT_TRUE(testpty::Wait(r, 5000, &status));
  EXPECT_EQ(testpty::ExitCode(status), 0);
  testpty::ClosePty(console);
}

TEST(WindowsZip, UnpacksToTheProgramAndItsDocuments) {
  const std::string zip = Env("PADLINK_ZIP");
  const std::string wine = Env("PADLINK_WINE_RUN");
  if (zip.empty() || wine.empty() || Env("WINEPREFIX").empty())
    GTEST_SKIP() << "no zip to test (PADLINK_ZIP, PADLINK_WINE_RUN, WINEPREFIX)";
  testpty::TempDir root;
  const Result x = RunProgram({"/usr/bin/unzip", "-q", zip, "-d", root.path()});
  ASSERT_EQ(x.code, 0) << x.err;
  const std::string dir = root.path() + "/padlink-1.7-win64/";
  for (const char* file :
       {"padlink.exe", "README.txt", "padlink.txt", "padlink-keytest.exe", "padlink-keytest.txt",
        "padlink-plot.exe", "padlink-plot.txt", "docs/remote.md", "docs/terminals.md",
        "docs/timing.md", "docs/run.svg"}) {
    struct stat st {};
    EXPECT_EQ(stat((dir + file).c_str(), &st), 0) << file;
  }
  // Text for Windows: CRLF line ends.
  const Result head = RunProgram({"/usr/bin/head", "-c", "200", dir + "padlink.txt"});
  EXPECT_THAT(head.out, HasSubstr("\r\n"));
  EXPECT_THAT(head.out, HasSubstr("PADLINK(1)"));
  // The README opens with Windows, not with the Linux demo.
  const Result readme = RunProgram({"/usr/bin/head", "-c", "21", dir + "README.txt"});
  EXPECT_EQ(readme.out, "padlink for Windows\r\n");

  const Result usage = RunProgram({wine, dir + "padlink.exe"}, {}, 60000);
  EXPECT_EQ(usage.code, 1);
  EXPECT_THAT(usage.err, StartsWith("Usage: padlink -c ComNo"));
  const Result plot = RunProgram({wine, dir + "padlink-plot.exe", "--help"}, {}, 60000);
  EXPECT_EQ(plot.code, 0) << plot.err;
  EXPECT_THAT(plot.out, StartsWith("usage: padlink-plot "));
}

}  // namespace
