// tools/demo.sh as the README tells a newcomer to run it, from the checkout:
// it builds only what it runs, in a build of its own without the tests
// (no GoogleTest needed), shows the build, and drives the simulated robot
// from the terminal; with --chart through padlink-plot.
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

// The first build of build/demo on a busy machine: a bound for a hang.
constexpr int kBuildMs = 900000;

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

TEST_F(DemoScript, BuildsWhatItRunsAndDrivesTheSimulatedRobot) {
  testpty::Child c = Start({"0"});
  ASSERT_TRUE(testpty::WaitForOutput(c, "AD3, ADsecond, SRAM, SRAMsecond\n", kBuildMs))
      << c.out_text << c.err_text;
  ASSERT_TRUE(testpty::WaitForOutput(c, "padlink is driving the simulated robot", 5000, true))
      << c.err_text;
  testpty::WriteAll(console_.master, "5");
  // The robot's log shows in the same terminal (standard error).
  EXPECT_TRUE(testpty::WaitForOutput(c, "command  5 (0x05)", 5000, true)) << c.err_text;
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_THAT(c.err_text, HasSubstr("demo: building padlink padlink-robot in build/demo\n"));
  // Ninja's progress, or that it had nothing to do.
  EXPECT_THAT(c.err_text, ::testing::ContainsRegex("\\[[0-9]+/[0-9]+\\]|no work to do"));
  EXPECT_GE(testpty::Lines(c.out_text).size(), 2u) << c.out_text;

  // Tests off: GoogleTest was not looked for.
  std::ifstream cache(PADLINK_SOURCE_DIR "/build/demo/CMakeCache.txt");
  std::stringstream text;
  text << cache.rdbuf();
  EXPECT_THAT(text.str(), HasSubstr("PADLINK_TESTS:BOOL=OFF"));
  EXPECT_THAT(text.str(), Not(HasSubstr("GTEST_INCLUDE_DIR")));
  EXPECT_THAT(text.str(), Not(HasSubstr("GTest_DIR")));
}

TEST_F(DemoScript, ChartPipesTheSamplesIntoPadlinkPlot) {
  // Standard output is no terminal here, so padlink-plot draws nothing and
  // prints its summary when padlink ends.
  testpty::Child c = Start({"--chart"});
  ASSERT_TRUE(testpty::WaitForOutput(c, "padlink is driving the simulated robot", kBuildMs, true))
      << c.err_text;
  testpty::SleepMs(1500);
  testpty::WriteAll(console_.master, "S");
  EXPECT_EQ(End(c), 0) << c.err_text;
  EXPECT_THAT(c.err_text,
              HasSubstr("demo: building padlink padlink-robot padlink-plot in build/demo\n"));
  EXPECT_THAT(c.out_text, ::testing::ContainsRegex("(^|\n)AD3: [0-9]+ samples, min "));
  EXPECT_THAT(c.out_text, ::testing::ContainsRegex("\nGYRO2: [0-9]+ samples, min "));
  EXPECT_THAT(c.out_text, HasSubstr("\ninput: "));
}

}  // namespace
