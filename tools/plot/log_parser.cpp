#include "tools/plot/log_parser.h"

#include <algorithm>
#include <cstring>

namespace plot {

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
  const ParsedCsvLine p = ParseCsvLine(line);
  switch (p.kind) {
    case ParsedCsvLine::kHeader:
      Header(p.source);
      break;
    case ParsedCsvLine::kSample:
      SampleLine(p.sample);
      break;
    case ParsedCsvLine::kBrokenNumber:
      // The sample line of the monitor in turn, unreadable.
      ++run_.counts.broken_numbers;
      if (!turns_.empty()) {
        next_ = (next_ + 1) % turns_.size();
        awaiting_ = false;
      }
      break;
    case ParsedCsvLine::kBad:
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

void LogParser::Header(const SampleSource& source) {
  ++run_.counts.headers;
  const auto same = [&](const Monitor& m) { return m.source == source; };
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

  const std::string name = SensorName(source.kind) + std::to_string(source.number);
  std::size_t series = 0;
  while (series < run_.sensors.size() && run_.sensors[series].name != name)
    ++series;
  if (series == run_.sensors.size()) run_.sensors.push_back(Series{name});
  // The monitor starts right after the latest read: when the previous
  // monitor's first sample line is printed, or, in a new run, at the end of
  // the previous one.
  turns_.push_back({source, series, latest_ms_, 0});
  next_ = turns_.size() - 1;
  awaiting_ = true;
}

void LogParser::SampleLine(const Sample& sample) {
  if (turns_.empty()) {
    // No header named it.
    ++run_.counts.bad_lines;
    return;
  }
  ++run_.counts.samples;
  Commit(sample, next_);
}

void LogParser::Commit(const Sample& sample, std::size_t i) {
  Monitor& m = turns_[i];
  Series& sensor = run_.sensors[m.series];
  const std::int64_t sensor_t = m.offset_ms + sample.sensor_ms;
  const std::int64_t sram_t = m.offset_ms + sample.sram_ms;
  if (sample.sensor >= 0)
    sensor.Add(sensor_t, sample.sensor);
  else
    sensor.Fail(sensor_t, sample.sensor);
  if (sample.sram >= 0)
    run_.sram.Add(sram_t, sample.sram);
  else
    run_.sram.Fail(sram_t, sample.sram);
  ++m.samples;
  latest_ms_ = std::max(latest_ms_, sram_t);
  awaiting_ = false;
  next_ = (i + 1) % turns_.size();
}

}  // namespace plot
