// Samples as comma-separated lines, the form padlink writes on standard
// output and padlink-plot reads: a header per monitor, before its first
// sample, then a line per sample,
//
//   AD3, ADsecond, SRAM, SRAMsecond          GYRO2, GYROsecond, SRAM, SRAMsecond
//   103, 0.003, 7, 0.007                     (sensor, seconds, SRAM byte, seconds)
//
// with each time in seconds to the millisecond. The writer's lines and the
// parser's language are the same: a line the parser takes as a header or a
// sample is written back byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "samples/sample.h"

// The name of a kind of sensor in the header and in the series a reader
// makes of it: "AD", "GYRO".
const char* SensorName(SensorKind kind);

// "AD%d, ADsecond, SRAM, SRAMsecond\n" or "GYRO%d, GYROsecond, SRAM, SRAMsecond\n".
std::string CsvHeaderLine(const SampleSource& source);
// "%d, %.3f, %d, %.3f\n": the sensor's result and its time in seconds, the
// same for the SRAM byte. The line does not name its monitor.
std::string CsvSampleLine(const Sample& sample);

// One line as read, without its line end (a trailing '\r', from Windows, is
// allowed).
struct ParsedCsvLine {
  enum Kind {
    kBad,           // no line of the samples: a message, an empty line, ...
    kBrokenNumber,  // begins as a sample line does, but is no sample line
    kHeader,
    kSample,
  };
  Kind kind = kBad;
  SampleSource source;  // kHeader: the monitor it names
  // kSample: the results and times; its source is left as it is, for the
  // reader knows the monitor only from the order of the lines.
  Sample sample;
};

ParsedCsvLine ParseCsvLine(std::string_view line);
