// The samples' lines (samples/csv.h): the bytes the writer makes of each
// record, the parser's verdict on every kind of line, and the two as one
// language: a line the writer makes is read back as its record.
#include "samples/csv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr SampleSource kAD3{SensorKind::kAD, 3};
constexpr SampleSource kGyro2{SensorKind::kGyro, 2};

Sample SampleOf(std::int32_t sensor, std::int64_t sensor_ms, std::int32_t sram,
                std::int64_t sram_ms) {
  return {.source = {}, .sensor = sensor, .sensor_ms = sensor_ms, .sram = sram, .sram_ms = sram_ms};
}

TEST(SampleCsv, HeaderLines) {
  EXPECT_EQ(CsvHeaderLine(kAD3), "AD3, ADsecond, SRAM, SRAMsecond\n");
  EXPECT_EQ(CsvHeaderLine({SensorKind::kAD, 0}), "AD0, ADsecond, SRAM, SRAMsecond\n");
  EXPECT_EQ(CsvHeaderLine(kGyro2), "GYRO2, GYROsecond, SRAM, SRAMsecond\n");
}

struct WrittenCase {
  Sample sample;
  const char* line;
};

TEST(SampleCsv, SampleLinesAndTheirReadingBack) {
  const WrittenCase cases[] = {
      {SampleOf(103, 3, 7, 7), "103, 0.003, 7, 0.007\n"},
      {SampleOf(0, 0, 0, 0), "0, 0.000, 0, 0.000\n"},
      {SampleOf(255, 999, 255, 1000), "255, 0.999, 255, 1.000\n"},
      {SampleOf(47, 59999, 10, 60001), "47, 59.999, 10, 60.001\n"},
      {SampleOf(140, 12345678, 0, 12345999), "140, 12345.678, 0, 12345.999\n"},
      // Failed requests: the robot link's negative results.
      {SampleOf(-1, 12, 7, 16), "-1, 0.012, 7, 0.016\n"},
      {SampleOf(-3, 2020, -3, 2030), "-3, 2.020, -3, 2.030\n"},
      {SampleOf(47, 1013, -5, 1027), "47, 1.013, -5, 1.027\n"},
      // Past 2^32 ms (49.7 days) and far beyond.
      {SampleOf(1, 4294967296, 2, 4294967301), "1, 4294967.296, 2, 4294967.301\n"},
      {SampleOf(9, 9999999999999, 9, 9999999999999), "9, 9999999999.999, 9, 9999999999.999\n"},
  };
  for (const WrittenCase& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string line = CsvSampleLine(c.sample);
    EXPECT_EQ(line, c.line);
    const ParsedCsvLine read = ParseCsvLine(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_EQ(read.kind, ParsedCsvLine::kSample);
    EXPECT_EQ(read.sample, c.sample);
  }
  for (const SampleSource& source : {kAD3, kGyro2, SampleSource{SensorKind::kGyro, 999}}) {
    const std::string line = CsvHeaderLine(source);
    const ParsedCsvLine read = ParseCsvLine(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_EQ(read.kind, ParsedCsvLine::kHeader) << line;
    EXPECT_EQ(read.source, source) << line;
  }
}

struct LineCase {
  const char* line;
  ParsedCsvLine::Kind kind;
  // kHeader: the monitor; kSample: the four fields.
  SampleSource source = {};
  Sample sample = {};
};

TEST(SampleCsv, TableOfLinesRead) {
  using K = ParsedCsvLine::Kind;
  const LineCase cases[] = {
      {"AD3, ADsecond, SRAM, SRAMsecond", K::kHeader, {SensorKind::kAD, 3}},
      {"AD0, ADsecond, SRAM, SRAMsecond", K::kHeader, {SensorKind::kAD, 0}},
      {"GYRO2, GYROsecond, SRAM, SRAMsecond", K::kHeader, {SensorKind::kGyro, 2}},
      {"GYRO4, GYROsecond, SRAM, SRAMsecond\r",
       K::kHeader,
       {SensorKind::kGyro, 4}},  // from Windows
      {"140, 0.007, 0, 0.015", K::kSample, {}, SampleOf(140, 7, 0, 15)},
      {"47, 1.013, 10, 1.027\r", K::kSample, {}, SampleOf(47, 1013, 10, 1027)},
      {"0, 0.000, 0, 0.000", K::kSample, {}, SampleOf(0, 0, 0, 0)},
      {"255, 12345.678, 255, 12345.999", K::kSample, {}, SampleOf(255, 12345678, 255, 12345999)},
      // A failed request prints its negative result in its column.
      {"-3, 2.020, 12, 2.030", K::kSample, {}, SampleOf(-3, 2020, 12, 2030)},
      {"47, 1.013, -5, 1.027", K::kSample, {}, SampleOf(47, 1013, -5, 1027)},
      {"-2, 1.013, -2, 1.027", K::kSample, {}, SampleOf(-2, 1013, -2, 1027)},
      // Headers padlink does not print.
      {"AD3, GYROsecond, SRAM, SRAMsecond", K::kBad},
      {"AD03, ADsecond, SRAM, SRAMsecond", K::kBad},
      {"AD3,ADsecond,SRAM,SRAMsecond", K::kBad},
      {"AD3, ADsecond, SRAM, SRAMsecond, x", K::kBad},
      {"ad3, ADsecond, SRAM, SRAMsecond", K::kBad},
      {"AD, ADsecond, SRAM, SRAMsecond", K::kBad},
      {"AD1000, ADsecond, SRAM, SRAMsecond", K::kBad},
      {"GYRO2, ADsecond, SRAM, SRAMsecond", K::kBad},
      // Not sample lines at all.
      {"", K::kBad},
      {"\r", K::kBad},
      {"PeekAD3:Echoeback timeout.", K::kBad},
      {"x140, 0.007, 0, 0.015", K::kBad},
      {" 140, 0.007, 0, 0.015", K::kBad},
      // Sample lines with a broken number: a line that begins as a sample
      // line does, however it goes on.
      {"140, 0.007, 0", K::kBrokenNumber},
      {"140, 0.007, 0, 0.015, 9", K::kBrokenNumber},
      {"14", K::kBrokenNumber},
      {"-", K::kBrokenNumber},
      {"1x0, 0.007, 0, 0.015", K::kBrokenNumber},
      {"256, 0.007, 0, 0.015", K::kBrokenNumber},
      {"140, 0.007, 300, 0.015", K::kBrokenNumber},
      {"140, 0.07, 0, 0.015", K::kBrokenNumber},
      {"140, 0.0070, 0, 0.015", K::kBrokenNumber},
      {"140, .007, 0, 0.015", K::kBrokenNumber},
      {"140, 0.0x7, 0, 0.015", K::kBrokenNumber},
      {"140, 00.007, 0, 0.015", K::kBrokenNumber},
      {"0140, 0.007, 0, 0.015", K::kBrokenNumber},
      {"-0, 0.007, 0, 0.015", K::kBrokenNumber},
      {"-, 0.007, 0, 0.015", K::kBrokenNumber},
      {"140, -0.007, 0, 0.015", K::kBrokenNumber},
      {"140, 0.007, 0, 0.015 ", K::kBrokenNumber},
      {"99999999999, 0.007, 0, 0.015", K::kBrokenNumber},
      {"140, 99999999999.000, 0, 0.015", K::kBrokenNumber},
      {"140,  0.007, 0, 0.015", K::kBrokenNumber},
      // The SRAM byte is read after the sensor.
      {"140, 0.015, 0, 0.007", K::kBrokenNumber},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedCsvLine p = ParseCsvLine(c.line);
    ASSERT_EQ(p.kind, c.kind);
    if (c.kind == K::kHeader) {
      EXPECT_EQ(p.source, c.source);
    }
    if (c.kind == K::kSample) {
      EXPECT_EQ(p.sample, c.sample);
    }
  }
}

}  // namespace
