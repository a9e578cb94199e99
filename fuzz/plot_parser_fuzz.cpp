// libFuzzer target: padlink-plot's reader of padlink's monitor lines. The
// input is fed whole and in chunks (the first byte picks their size); both
// must read the same run and keep its counts and times in order. Each line
// the samples' parser takes as a header or a sample must be the line the
// samples' writer makes of what it read, byte for byte. What is drawn from a
// run is fuzzed by plot_render.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "samples/csv.h"
#include "tools/plot/log_parser.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool SameSeries(const plot::Series& a, const plot::Series& b) {
  return a.name == b.name && a.t_ms == b.t_ms && a.value == b.value &&
         a.failures.size() == b.failures.size();
}

// The parser takes no line the writer would not make.
void CheckOneLanguage(std::string_view input) {
  while (!input.empty()) {
    const std::size_t end = std::min(input.find('\n'), input.size());
    std::string_view line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    const ParsedCsvLine p = ParseCsvLine(line);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string written = std::string(line) + "\n";
    if (p.kind == ParsedCsvLine::kHeader) Check(CsvHeaderLine(p.source) == written);
    if (p.kind == ParsedCsvLine::kSample) Check(CsvSampleLine(p.sample) == written);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  plot::LogParser whole;
  whole.Feed(input);
  whole.Finish();
  plot::LogParser chunked;
  const std::size_t step = size > 0 ? data[0] % 17 + 1 : 1;
  for (std::size_t i = 0; i < size; i += step)
    chunked.Feed(input.substr(i, step));
  chunked.Finish();

  const plot::Run& run = whole.run();
  const plot::InputCounts& c = run.counts;
  Check(c.bytes == size);
  Check(c.lines == c.headers + c.samples + c.bad_lines + c.broken_numbers);
  Check(c.lines == chunked.run().counts.lines && c.samples == chunked.run().counts.samples &&
        c.bad_lines == chunked.run().counts.bad_lines);
  Check(run.sensors.size() == chunked.run().sensors.size());
  for (std::size_t i = 0; i < run.sensors.size(); ++i)
    Check(SameSeries(run.sensors[i], chunked.run().sensors[i]));
  Check(SameSeries(run.sram, chunked.run().sram));
  for (const plot::Series* s : run.AllSeries()) {
    Check(s->t_ms.size() == s->value.size());
    for (std::size_t i = 1; i < s->t_ms.size(); ++i)
      Check(s->t_ms[i - 1] <= s->t_ms[i]);
  }

  CheckOneLanguage(input);

  return 0;
}
