// padlink-plot's reader of padlink's monitor lines: whole runs with both
// monitors, failures and input that is not padlink's. Single lines are read
// by the samples' parser (tests/unit/sample_csv_test.cpp).
#include "tools/plot/log_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using plot::LogParser;
using plot::Series;

// A series as "time:value ..." with times in ms, failures as "time:!result".
std::string Trace(const Series& s) {
  std::string out;
  for (std::size_t i = 0; i < s.count(); ++i)
    out += (out.empty() ? "" : " ") + std::to_string(s.t_ms[i]) + ":" + std::to_string(s.value[i]);
  for (const plot::Failure& f : s.failures)
    out += (out.empty() ? "" : " ") + std::to_string(f.t_ms) + ":!" + std::to_string(f.result);
  return out;
}

std::string Names(const plot::Run& run) {
  std::string out;
  for (const Series* s : run.AllSeries())
    out += (out.empty() ? "" : ",") + s->name;
  return out;
}

plot::Run Read(const std::string& text, std::size_t chunk = 0) {
  LogParser parser;
  if (chunk == 0) {
    parser.Feed(text);
  } else {
    for (std::size_t i = 0; i < text.size(); i += chunk)
      parser.Feed(std::string_view(text).substr(i, chunk));
  }
  parser.Finish();
  return parser.run();
}

// Both monitors, as padlink prints them with -a 3 -g 2 -t 0: the gyro's
// header and clock start right after the A/D monitor's first sample.
const char kBoth[] =
    "AD3, ADsecond, SRAM, SRAMsecond\n"
    "46, 0.009, 10, 0.021\n"
    "GYRO2, GYROsecond, SRAM, SRAMsecond\n"
    "175, 0.009, 11, 0.020\n"
    "39, 0.050, 12, 0.062\n"
    "176, 0.050, 13, 0.062\n"
    "38, 0.095, 14, 0.107\n";

TEST(PlotLogParser, BothMonitorsTakeTurnsOnOneTimeLine) {
  for (std::size_t chunk : {0, 1, 2, 7, 64}) {
    SCOPED_TRACE(chunk);
    const plot::Run run = Read(kBoth, chunk);
    EXPECT_EQ(Names(run), "AD3,GYRO2,SRAM");
    ASSERT_EQ(run.sensors.size(), 2u);
    EXPECT_EQ(Trace(run.sensors[0]), "9:46 50:39 95:38");
    EXPECT_EQ(Trace(run.sensors[1]), "30:175 71:176");
    EXPECT_EQ(Trace(run.sram), "21:10 41:11 62:12 83:13 107:14");
    EXPECT_EQ(run.counts.lines, 7u);
    EXPECT_EQ(run.counts.headers, 2u);
    EXPECT_EQ(run.counts.samples, 5u);
    EXPECT_EQ(run.counts.bad_lines + run.counts.broken_numbers, 0u);
    EXPECT_EQ(run.sensors[0].min, 38);
    EXPECT_EQ(run.sensors[0].max, 46);
    EXPECT_DOUBLE_EQ(run.sensors[0].mean(), 41.0);
  }
}

TEST(PlotLogParser, FailedRequestsAreEventsNotValues) {
  const plot::Run run = Read(
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "140, 0.007, 0, 0.015\n"
      "-3, 1.020, 12, 1.030\n");
  EXPECT_EQ(Trace(run.sensors[0]), "7:140 1020:!-3");
  EXPECT_EQ(Trace(run.sram), "15:0 1030:12");
  EXPECT_EQ(run.sensors[0].count(), 1u);

  const plot::Run both = Read(
      "GYRO1, GYROsecond, SRAM, SRAMsecond\n"
      "-2, 0.007, -2, 0.015\n");
  EXPECT_EQ(Trace(both.sensors[0]), "7:!-2");
  EXPECT_EQ(Trace(both.sram), "15:!-2");
  EXPECT_EQ(both.LastMs(), 15);
}

// Lines that are not padlink's leave the turns alone; a sample line with a
// broken number was the line of the monitor in turn.
TEST(PlotLogParser, BadInputIsCountedAndLeavesTheTurnsAlone) {
  const std::string text = std::string(kBoth) +
                           "PeekSRAM:Echoeback timeout.\n"
                           "\n" +
                           std::string(300, 'x') + "\n" +
                           "177, 0.0x5, 15, 0.107\n"  // the gyro's
                           "37, 0.140, 16, 0.152\n"
                           "999, 0.140, 17, 0.152\n"  // the gyro's
                           "36, 0.185, 18, 0.197\n";
  const plot::Run run = Read(text, 5);
  EXPECT_EQ(Trace(run.sensors[0]), "9:46 50:39 95:38 140:37 185:36");
  EXPECT_EQ(Trace(run.sensors[1]), "30:175 71:176");
  EXPECT_EQ(run.counts.bad_lines, 3u);  // the message, the empty line, the long line
  EXPECT_EQ(run.counts.broken_numbers, 2u);
  EXPECT_EQ(run.counts.samples, 7u);
  EXPECT_EQ(run.counts.lines, 14u);
}

// A sample line that cannot be read, or is missing, takes its monitor's
// turn all the same: the lines after it go to the monitors they belong to.
// That holds for a monitor's first sample line too, which padlink prints
// together with its header.
TEST(PlotLogParser, ALineThatCannotBeReadDoesNotShiftTheTurns) {
  const char kHeaderAd[] = "AD3, ADsecond, SRAM, SRAMsecond\n";
  const char kHeaderGyro[] = "GYRO2, GYROsecond, SRAM, SRAMsecond\n";
  struct Case {
    const char* what;
    std::string text;
    const char* ad3;
    const char* gyro2;
  };
  const std::string after =
      "39, 0.050, 12, 0.062\n"
      "176, 0.050, 13, 0.062\n";
  const Case cases[] = {
      {"the gyro's first line cut short",
       std::string(kHeaderAd) + "46, 0.009, 10, 0.021\n" + kHeaderGyro + "175, 0.0\n" + after,
       "9:46 50:39", "71:176"},
      {"the A/D monitor's first line cut short",
       std::string(kHeaderAd) + "46, 0.0\n" + kHeaderGyro + "175, 0.009, 11, 0.020\n" + after,
       "50:39", "9:175 50:176"},
      {"the A/D monitor's first line garbled at its start",
       std::string(kHeaderAd) + "x6, 0.009, 10, 0.021\n" + kHeaderGyro + "175, 0.009, 11, 0.020\n" +
           after,
       "50:39", "9:175 50:176"},
      {"the A/D monitor's first line lost",
       std::string(kHeaderAd) + kHeaderGyro + "175, 0.009, 11, 0.020\n" + after, "50:39",
       "9:175 50:176"},
      {"a later line cut short",
       std::string(kBoth) + "17\n" + "37, 0.140, 16, 0.152\n" + "177, 0.140, 17, 0.152\n",
       "9:46 50:39 95:38 140:37", "30:175 71:176 161:177"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const plot::Run run = Read(c.text, 3);
    EXPECT_EQ(Names(run), "AD3,GYRO2,SRAM");
    ASSERT_EQ(run.sensors.size(), 2u);
    EXPECT_EQ(Trace(run.sensors[0]), c.ad3);
    EXPECT_EQ(Trace(run.sensors[1]), c.gyro2);
    EXPECT_EQ(run.counts.headers_without_samples, 0u);
  }
}

TEST(PlotLogParser, HeadersWithoutSamplesAndSamplesWithoutHeaders) {
  plot::Run run = Read(
      "12, 0.010, 3, 0.020\n"  // no header named it
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "140, 0.007, 0, 0.015\n"
      "GYRO2, GYROsecond, SRAM, SRAMsecond\n");
  EXPECT_EQ(run.counts.bad_lines, 1u);
  EXPECT_EQ(run.counts.headers_without_samples, 2u);
  EXPECT_EQ(Names(run), "AD3,GYRO2,SRAM");
  EXPECT_EQ(Trace(run.sensors[0]), "7:140");
  EXPECT_EQ(run.sensors[1].count(), 0u);

  // A run stopped before the gyro's first sample, then another run.
  run = Read(
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "140, 0.007, 0, 0.015\n"
      "GYRO2, GYROsecond, SRAM, SRAMsecond\n"
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "141, 0.007, 1, 0.015\n"
      "GYRO2, GYROsecond, SRAM, SRAMsecond\n"
      "200, 0.005, 2, 0.012\n"
      "142, 0.207, 3, 0.215\n"
      "201, 0.205, 4, 0.212\n");
  EXPECT_EQ(run.counts.headers_without_samples, 1u);
  EXPECT_EQ(Trace(run.sensors[0]), "7:140 22:141 222:142");
  EXPECT_EQ(Trace(run.sensors[1]), "35:200 235:201");
  EXPECT_EQ(Trace(run.sram), "15:0 30:1 42:2 230:3 242:4");
}

TEST(PlotLogParser, EmptyInputAndALastLineWithoutItsEnd) {
  plot::Run run = Read("");
  EXPECT_EQ(run.counts.lines, 0u);
  EXPECT_TRUE(run.AllSeries().empty());
  EXPECT_EQ(run.LastMs(), -1);

  run = Read("AD3, ADsecond, SRAM, SRAMsecond\r\n140, 0.007, 0, 0.015");
  EXPECT_EQ(Trace(run.sensors[0]), "7:140");
  EXPECT_EQ(run.counts.lines, 2u);
}

// Logs of several runs one after the other: each run continues the time
// line where the previous one ended.
TEST(PlotLogParser, ANewRunContinuesTheTimeLine) {
  const plot::Run run = Read(
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "140, 0.007, 0, 0.015\n"
      "141, 0.207, 1, 0.215\n"
      "AD3, ADsecond, SRAM, SRAMsecond\n"
      "142, 0.007, 2, 0.015\n"
      "GYRO1, GYROsecond, SRAM, SRAMsecond\n"
      "200, 0.005, 3, 0.012\n"
      "143, 0.207, 4, 0.215\n"
      "201, 0.205, 5, 0.212\n");
  EXPECT_EQ(Names(run), "AD3,GYRO1,SRAM");
  EXPECT_EQ(Trace(run.sensors[0]), "7:140 207:141 222:142 422:143");
  EXPECT_EQ(Trace(run.sensors[1]), "235:200 435:201");
  EXPECT_EQ(run.counts.headers_without_samples, 0u);
}

}  // namespace
