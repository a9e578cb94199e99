#include "tools/plot/log_parser.h"

#include <algorithm>
#include <cstring>

namespace plot {

namespace {

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
bool Int(std::string_view s, std::size_t& i, int& out) {
  const bool negative = i < s.size() && s[i] == '-';
  if (negative) ++i;
  std::int64_t v = 0;
  if (!Digits(s, i, 10, v) || v > 2147483647 || (negative && v == 0)) return false;
  out = static_cast<int>(negative ? -v : v);
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

bool Header(std::string_view s, std::string_view name, std::string_view rest, int& number) {
  std::size_t i = 0;
  std::int64_t n = 0;
  if (!Literal(s, i, name) || !Digits(s, i, 3, n) || !Literal(s, i, rest) || i != s.size())
    return false;
  number = static_cast<int>(n);
  return true;
}

// Meant as a sample line: it begins as every sample line does, with the
// sensor's result. Nothing else padlink prints does (headers and messages
// begin with a letter), so such a line is a monitor's line however broken
// the rest of it is, and takes that monitor's turn.
bool LooksLikeSample(std::string_view s) {
  return !s.empty() && (IsDigit(s[0]) || s[0] == '-');
}

}  // namespace

ParsedLine ParseLine(std::string_view s) {
  ParsedLine p;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (Header(s, "AD", ", ADsecond, SRAM, SRAMsecond", p.number)) {
    p.kind = ParsedLine::kHeader;
    p.monitor = 'A';
    return p;
  }
  if (Header(s, "GYRO", ", GYROsecond, SRAM, SRAMsecond", p.number)) {
    p.kind = ParsedLine::kHeader;
    p.monitor = 'G';
    return p;
  }
  if (!LooksLikeSample(s)) return p;
  p.kind = ParsedLine::kBrokenNumber;
  std::size_t i = 0;
  if (!Int(s, i, p.sensor) || !Literal(s, i, ", ") || !Millis(s, i, p.sensor_ms) ||
      !Literal(s, i, ", ") || !Int(s, i, p.sram) || !Literal(s, i, ", ") ||
      !Millis(s, i, p.sram_ms) || i != s.size())
    return p;
  // A value is a byte; the SRAM byte is read after the sensor.
  if (p.sensor > 255 || p.sram > 255 || p.sram_ms < p.sensor_ms) return p;
  p.kind = ParsedLine::kSample;
  return p;
}

void LogParser::Feed(std::string_view bytes) {
  run_.counts.bytes += bytes.size();
  while (!bytes.empty()) {
    const void* nl = std::memchr(bytes.data(), '\n', bytes.size());
    const std::size_t n =
        nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - bytes.data()) : bytes.size();
    const std::string_view piece = bytes.substr(0, n);
    if (partial_.size() + piece.size() > kMaxLine) {
      overlong_ = true;
      partial_.clear();
    } else if (!overlong_) {
      if (nl && partial_.empty()) {
        Line(piece);
        bytes.remove_prefix(n + 1);
        continue;
      }
      partial_.append(piece);
    }
    if (!nl) break;
    if (overlong_) {
      ++run_.counts.lines;
      ++run_.counts.bad_lines;
    } else {
      Line(partial_);
    }
    partial_.clear();
    overlong_ = false;
    bytes.remove_prefix(n + 1);
  }
}

void LogParser::Finish() {
  if (overlong_) {
    ++run_.counts.lines;
    ++run_.counts.bad_lines;
  } else if (!partial_.empty()) {
    Line(partial_);
  }
  partial_.clear();
  overlong_ = false;
  DropHeaderWithoutSamples();
}

void LogParser::Line(std::string_view line) {
  ++run_.counts.lines;
  const ParsedLine p = ParseLine(line);
  switch (p.kind) {
    case ParsedLine::kHeader:
      Header(p);
      break;
    case ParsedLine::kSample:
      Sample(p);
      break;
    case ParsedLine::kBrokenNumber:
      // The sample line of the monitor in turn, unreadable.
      ++run_.counts.broken_numbers;
      if (!turns_.empty()) {
        next_ = (next_ + 1) % turns_.size();
        awaiting_ = false;
      }
      break;
    case ParsedLine::kBad:
      ++run_.counts.bad_lines;
      break;
  }
}

void LogParser::DropHeaderWithoutSamples() {
  if (!awaiting_) return;
  ++run_.counts.headers_without_samples;
  turns_.erase(turns_.begin() + static_cast<std::ptrdiff_t>(next_));
  next_ = 0;
  awaiting_ = false;
}

void LogParser::Header(const ParsedLine& p) {
  ++run_.counts.headers;
  const auto same = [&](const Monitor& m) { return m.kind == p.monitor && m.number == p.number; };
  const auto known = std::find_if(turns_.begin(), turns_.end(), same);
  if (known != turns_.end() && awaiting_ &&
      turns_.begin() + static_cast<std::ptrdiff_t>(next_) == known) {
    // The same header twice: the first had no samples.
    ++run_.counts.headers_without_samples;
    known->offset_ms = latest_ms_;
    return;
  }
  // padlink prints every header in its first pass, each monitor's after the
  // previous monitor's first sample. A header after that starts a new run.
  const bool first_pass =
      std::none_of(turns_.begin(), turns_.end(), [](const Monitor& m) { return m.samples > 1; });
  const bool new_run = !first_pass || known != turns_.end();
  if (awaiting_ && !new_run) {
    // The next monitor's header, with no readable line of the one before
    // it: padlink prints a header and its first sample line together, so
    // that line came broken or was lost, and the monitor keeps its turn.
    awaiting_ = false;
  }
  DropHeaderWithoutSamples();
  if (new_run) turns_.clear();

  const std::string name = (p.monitor == 'A' ? "AD" : "GYRO") + std::to_string(p.number);
  std::size_t series = 0;
  while (series < run_.sensors.size() && run_.sensors[series].name != name)
    ++series;
  if (series == run_.sensors.size()) run_.sensors.push_back(Series{name});
  // The monitor starts right after the latest read: when the previous
  // monitor's first sample line is printed, or, in a new run, at the end of
  // the previous one.
  turns_.push_back({p.monitor, p.number, series, latest_ms_, 0});
  next_ = turns_.size() - 1;
  awaiting_ = true;
}

void LogParser::Sample(const ParsedLine& p) {
  if (turns_.empty()) {
    // No header named it.
    ++run_.counts.bad_lines;
    return;
  }
  ++run_.counts.samples;
  Commit(p, next_);
}

void LogParser::Commit(const ParsedLine& p, std::size_t i) {
  Monitor& m = turns_[i];
  Series& sensor = run_.sensors[m.series];
  const std::int64_t sensor_t = m.offset_ms + p.sensor_ms;
  const std::int64_t sram_t = m.offset_ms + p.sram_ms;
  if (p.sensor >= 0)
    sensor.Add(sensor_t, p.sensor);
  else
    sensor.Fail(sensor_t, p.sensor);
  if (p.sram >= 0)
    run_.sram.Add(sram_t, p.sram);
  else
    run_.sram.Fail(sram_t, p.sram);
  ++m.samples;
  latest_ms_ = std::max(latest_ms_, sram_t);
  awaiting_ = false;
  next_ = (i + 1) % turns_.size();
}

}  // namespace plot
