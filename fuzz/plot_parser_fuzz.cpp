// libFuzzer target: padlink-plot's reader of padlink's monitor lines, and
// what is drawn from what it read. The input is fed whole and in chunks (the
// first byte picks their size); both must read the same run, keep its
// counts and times in order, and render without fault. Each line the
// samples' parser takes as a header or a sample must be the line the
// samples' writer makes of what it read, byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "samples/csv.h"
#include "tools/plot/chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/svg.h"

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

  plot::ChartStyle style;
  style.window_s = 1 + (size > 1 ? data[1] % 64 : 0);
  plot::RenderChart(run, 60, 18, style);
  style.unicode = false;
  plot::RenderChart(run, 33, 9, style);
  plot::RenderSvg(run, plot::SvgOptions{});
  return 0;
}
