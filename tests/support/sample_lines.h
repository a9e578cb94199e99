// padlink's sample lines in a program's output, recognised by the samples'
// own parser (samples/csv.h): the tests read them as padlink-plot does.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "samples/csv.h"

namespace testsamples {

// The sample of `line`, a line without its line end, when it is a sample
// line as padlink writes it on this system (no '\r' before the line end).
inline std::optional<Sample> SampleIn(std::string_view line) {
  if (line.ends_with('\r')) return std::nullopt;
  const ParsedCsvLine p = ParseCsvLine(line);
  if (p.kind != ParsedCsvLine::kSample) return std::nullopt;
  return p.sample;
}

inline bool IsSampleLine(std::string_view line) {
  return SampleIn(line).has_value();
}

// The samples of the lines of `text` (as std::getline splits it), in order;
// with `from_windows`, lines end in "\r\n".
inline std::vector<Sample> SamplesIn(const std::string& text, bool from_windows = false) {
  std::vector<Sample> samples;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (from_windows && line.ends_with('\r')) line.pop_back();
    if (const std::optional<Sample> s = SampleIn(line)) samples.push_back(*s);
  }
  return samples;
}

// The values of the samples in `text`, in order: sensor, SRAM byte, sensor, ...
inline std::vector<int> SampleValues(const std::string& text) {
  std::vector<int> values;
  for (const Sample& s : SamplesIn(text)) {
    values.push_back(s.sensor);
    values.push_back(s.sram);
  }
  return values;
}

}  // namespace testsamples
