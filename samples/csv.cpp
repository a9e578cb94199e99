#include "samples/csv.h"

#include <cstdio>

namespace {

// Seconds to the millisecond, as "%.3f" prints them.
double Seconds(std::int64_t ms) {
  return static_cast<double>(ms) * 0.001;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Digits as %d or %u print them: no leading zero, at most `max_digits`.
bool Digits(std::string_view s, std::size_t& i, std::size_t max_digits, std::int64_t& out) {
  const std::size_t start = i;
  std::int64_t v = 0;
  while (i < s.size() && IsDigit(s[i])) {
    if (i - start == max_digits) return false;
    v = v * 10 + (s[i] - '0');
    ++i;
  }
  const std::size_t n = i - start;
  if (n == 0 || (n > 1 && s[start] == '0')) return false;
  out = v;
  return true;
}

// "%d" of an int.
bool Int(std::string_view s, std::size_t& i, std::int32_t& out) {
  const bool negative = i < s.size() && s[i] == '-';
  if (negative) ++i;
  std::int64_t v = 0;
  if (!Digits(s, i, 10, v) || v > 2147483647 || (negative && v == 0)) return false;
  out = static_cast<std::int32_t>(negative ? -v : v);
  return true;
}

// "%.3f" of seconds that are whole milliseconds, as milliseconds.
bool Millis(std::string_view s, std::size_t& i, std::int64_t& out) {
  std::int64_t whole = 0;
  if (!Digits(s, i, 10, whole)) return false;
  if (i + 4 > s.size() || s[i] != '.' || !IsDigit(s[i + 1]) || !IsDigit(s[i + 2]) ||
      !IsDigit(s[i + 3]))
    return false;
  out = whole * 1000 + (s[i + 1] - '0') * 100 + (s[i + 2] - '0') * 10 + (s[i + 3] - '0');
  i += 4;
  return true;
}

bool Literal(std::string_view s, std::size_t& i, std::string_view text) {
  if (s.substr(i, text.size()) != text) return false;
  i += text.size();
  return true;
}

// The header of a kind of sensor: its name, the number, then the rest.
bool Header(std::string_view s, SensorKind kind, SampleSource& source) {
  const std::string_view name = SensorName(kind);
  std::size_t i = 0;
  std::int64_t n = 0;
  if (!Literal(s, i, name) || !Digits(s, i, 3, n) || !Literal(s, i, ", ") || !Literal(s, i, name) ||
      !Literal(s, i, "second, SRAM, SRAMsecond") || i != s.size())
    return false;
  source = {kind, static_cast<std::int32_t>(n)};
  return true;
}

// Meant as a sample line: it begins as every sample line does, with the
// sensor's result. Nothing else padlink prints does (headers and messages
// begin with a letter), so such a line is a monitor's line however broken
// the rest of it is.
bool LooksLikeSample(std::string_view s) {
  return !s.empty() && (IsDigit(s[0]) || s[0] == '-');
}

}  // namespace

const char* SensorName(SensorKind kind) {
  return kind == SensorKind::kAD ? "AD" : "GYRO";
}

std::string CsvHeaderLine(const SampleSource& source) {
  const char* name = SensorName(source.kind);
  char line[64];
  std::snprintf(line, sizeof line, "%s%d, %ssecond, SRAM, SRAMsecond\n", name,
                static_cast<int>(source.number), name);
  return line;
}

std::string CsvSampleLine(const Sample& sample) {
  char line[96];
  std::snprintf(line, sizeof line, "%d, %.3f, %d, %.3f\n", static_cast<int>(sample.sensor),
                Seconds(sample.sensor_ms), static_cast<int>(sample.sram), Seconds(sample.sram_ms));
  return line;
}

ParsedCsvLine ParseCsvLine(std::string_view s) {
  ParsedCsvLine p;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (Header(s, SensorKind::kAD, p.source) || Header(s, SensorKind::kGyro, p.source)) {
    p.kind = ParsedCsvLine::kHeader;
    return p;
  }
  if (!LooksLikeSample(s)) return p;
  p.kind = ParsedCsvLine::kBrokenNumber;
  Sample& v = p.sample;
  std::size_t i = 0;
  if (!Int(s, i, v.sensor) || !Literal(s, i, ", ") || !Millis(s, i, v.sensor_ms) ||
      !Literal(s, i, ", ") || !Int(s, i, v.sram) || !Literal(s, i, ", ") ||
      !Millis(s, i, v.sram_ms) || i != s.size())
    return p;
  // A value is a byte; the SRAM byte is read after the sensor.
  if (v.sensor > 255 || v.sram > 255 || v.sram_ms < v.sensor_ms) return p;
  p.kind = ParsedCsvLine::kSample;
  return p;
}
