// tools/demo.sh as the README tells a newcomer to run it, from the checkout:
// it drives the simulated robot from the terminal, with --chart through
// padlink-plot. The runs here take the programs of this build (--build), as
// the tests' build has them already; the demo's own build, build/demo, is
// checked to be made without the tests (no GoogleTest needed).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pty.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kBuild = PADLINK_BUILD_DIR;

class DemoScript : public ::testing::Test {
 protected:
  void TearDown() override { testpty::ClosePty(console_); }

  testpty::Child Start(std::vector<std::string> args) {
    console_ = testpty::OpenPty(/*raw=*/false);
    testpty::ChildOptions o;
    o.argv = {"/bin/bash", PADLINK_SOURCE_DIR "/tools/demo.sh"};
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    return testpty::Spawn(o);
  }

  int End(testpty::Child& c) {
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 20000, &status));
    return testpty::ExitCode(status);
  }

  testpty::Pty console_;
};

TEST_F(DemoScript, DrivesTheSimulatedRobotFromTheTerminal) {
  testpty::Child c = Start({"--build", kBuild, "0"});
  ASSERT_TRUE(testpty::WaitForOutput(c, "AD3, ADsecond, SRAM, SRAMsecond\n", 10000))
      << c.out_text << c.err_text;
  ASSERT_TRUE(testpty::WaitForOutput(c, "padlink is driving the simulated robot", 5000, true))
      << c.err_text;
  testpty::WriteAll(console_.master, "5");
  // The robot's log shows in the same terminal (standard error).
  EXPECT_TRUE(testpty::WaitForOutput(c, "command  5 (0x05)", 5000, true)) << c.err_text;
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_THAT(c.err_text,
              HasSubstr(std::string("demo: running padlink padlink-robot of ") + kBuild + "\n"));
  EXPECT_GE(testpty::Lines(c.out_text).size(), 2u) << c.out_text;
}

// Without --build the demo builds only what it runs, in build/demo, with the
// tests off: GoogleTest is not looked for. A --build without the programs
// starts nothing.
TEST_F(DemoScript, ItsOwnBuildHasNoTestsAndAMissingBuildStartsNothing) {
  testpty::ChildOptions o;
  o.argv = {"/bin/sh", "-c", "cd \"$0\" && cmake --preset demo", PADLINK_SOURCE_DIR};
  testpty::Child conf = testpty::Spawn(o);
  int status = -1;
  ASSERT_TRUE(testpty::Wait(conf, 120000, &status)) << conf.err_text;
  ASSERT_EQ(testpty::ExitCode(status), 0) << conf.out_text << conf.err_text;
  std::ifstream cache(PADLINK_SOURCE_DIR "/build/demo/CMakeCache.txt");
  std::stringstream text;
  text << cache.rdbuf();
  EXPECT_THAT(text.str(), HasSubstr("PADLINK_TESTS:BOOL=OFF"));
  EXPECT_THAT(text.str(), Not(HasSubstr("GTEST_INCLUDE_DIR")));
  EXPECT_THAT(text.str(), Not(HasSubstr("GTest_DIR")));

  testpty::Child c = Start({"--build", "/nonexistent", "0"});
  EXPECT_EQ(End(c), 1);
  EXPECT_EQ(c.err_text,
            "demo: /nonexistent/padlink is not there: build it first, or leave out --build\n");
  EXPECT_EQ(c.out_text, "");
}

TEST_F(DemoScript, ChartPipesTheSamplesIntoPadlinkPlot) {
  // Standard output is no terminal here, so padlink-plot draws nothing and
  // prints its summary when padlink ends.
  testpty::Child c = Start({"--chart", "--build", kBuild});
  ASSERT_TRUE(testpty::WaitForOutput(c, "padlink is driving the simulated robot", 10000, true))
      << c.err_text;
  testpty::SleepMs(1500);
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_THAT(c.err_text,
              HasSubstr(std::string("demo: running padlink padlink-robot padlink-plot of ") +
                        kBuild + "\n"));
  EXPECT_THAT(c.out_text, ::testing::ContainsRegex("(^|\n)AD3: [0-9]+ samples, min "));
  EXPECT_THAT(c.out_text, ::testing::ContainsRegex("\nGYRO2: [0-9]+ samples, min "));
  EXPECT_THAT(c.out_text, HasSubstr("\ninput: "));
}

}  // namespace
