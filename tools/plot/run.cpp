#include "tools/plot/run.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "samples/failure.h"

namespace plot {

void Series::Add(std::int64_t t, int v) {
  if (!t_ms.empty()) t = std::max(t, t_ms.back());
  if (value.empty()) {
    min = max = v;
  } else {
    min = std::min(min, v);
    max = std::max(max, v);
  }
  t_ms.push_back(t);
  value.push_back(static_cast<std::uint8_t>(v));
  sum += static_cast<std::uint64_t>(v);
}

void Series::Fail(std::int64_t t, int result) {
  failures.push_back({t, result});
}

std::vector<const Series*> Run::AllSeries() const {
  std::vector<const Series*> all;
  for (const Series& s : sensors)
    all.push_back(&s);
  if (!sensors.empty()) all.push_back(&sram);
  return all;
}

std::int64_t Run::LastMs() const {
  std::int64_t last = -1;
  for (const Series* s : AllSeries()) {
    if (!s->t_ms.empty()) last = std::max(last, s->t_ms.back());
    for (const Failure& f : s->failures)
      last = std::max(last, f.t_ms);
  }
  return last;
}

std::string Seconds(std::int64_t ms) {
  char buf[48];
  const char* sign = ms < 0 ? "-" : "";
  const std::uint64_t a =
      ms < 0 ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
  std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%03u", sign, a / 1000,
                static_cast<unsigned>(a % 1000));
  return buf;
}

std::string FailureReason(std::int32_t result) {
  const std::string code = "(" + std::to_string(result) + ")";
  const char* meaning = FailureMeaning(result);
  if (!meaning) return " " + code;
  std::string words = meaning;
  if (!words.empty() && words.back() == '.') words.pop_back();
  return ": " + words + " " + code;
}

std::string FailureNote(const Failure& f) {
  return "failed at " + Seconds(f.t_ms) + " s" + FailureReason(f.result);
}

namespace {

std::string Plural(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string SummaryText(const Run& run) {
  std::string out;
  char buf[160];
  for (const Series* s : run.AllSeries()) {
    out += s->name + ": " + Plural(s->count(), "sample", "samples");
    if (s->count() > 0) {
      std::snprintf(buf, sizeof buf, ", min %d, mean %.1f, max %d, over %s s", s->min, s->mean(),
                    s->max, Seconds(s->t_ms.back() - s->t_ms.front()).c_str());
      out += buf;
    }
    for (const Failure& f : s->failures)
      out += ", " + FailureNote(f);
    out += "\n";
  }
  const InputCounts& c = run.counts;
  if (c.bytes == 0) return out + "input: empty, no samples\n";
  out += "input: " + Plural(c.lines, "line", "lines") + ", " +
         Plural(c.bad_lines, "bad line", "bad lines") + ", " +
         Plural(c.broken_numbers, "broken number", "broken numbers") + ", " +
         Plural(c.headers_without_samples, "header without samples", "headers without samples");
  if (c.samples == 0) out += ", no samples";
  return out + "\n";
}

std::string InputStatus(const InputCounts& c) {
  return Plural(c.lines, "line", "lines") + ", " + Plural(c.bad_lines, "bad", "bad") + ", " +
         Plural(c.broken_numbers, "broken number", "broken numbers") + ", " +
         Plural(c.headers_without_samples, "header without samples", "headers without samples");
}

}  // namespace plot
