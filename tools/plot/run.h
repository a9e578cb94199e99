// What padlink-plot knows of a run: one series per sensor monitor and one for
// the SRAM byte, on one time line, and what the input held that was not
// padlink's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace plot {

// A request of a sample that failed: its negative result and when.
struct Failure {
  std::int64_t t_ms;
  int result;
};

// One trace. Times are milliseconds from the start of the run's first
// monitor, never decreasing; values are 0..255.
struct Series {
  Series() = default;
  explicit Series(std::string n, bool is_sram = false) : name(std::move(n)), sram(is_sram) {}

  std::string name;
  bool sram = false;  // the SRAM byte every monitor reads with its sample
  std::vector<std::int64_t> t_ms;
  std::vector<std::uint8_t> value;
  std::vector<Failure> failures;
  std::uint64_t sum = 0;
  int min = 0;
  int max = 0;

  std::size_t count() const { return value.size(); }
  double mean() const { return value.empty() ? 0.0 : static_cast<double>(sum) / value.size(); }
  // Adds a value at t_ms, or at the latest time if t_ms lies before it.
  void Add(std::int64_t t, int v);
  void Fail(std::int64_t t, int result);
};

struct InputCounts {
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
  std::uint64_t headers = 0;
  std::uint64_t samples = 0;                  // sample lines taken
  std::uint64_t bad_lines = 0;                // lines that are not padlink's
  std::uint64_t broken_numbers = 0;           // sample lines with a number out of form or order
  std::uint64_t headers_without_samples = 0;  // a header no sample line followed
};

struct Run {
  std::vector<Series> sensors;  // in the order their headers came
  Series sram{"SRAM", true};
  InputCounts counts;

  // Every series that has a header, sensors first, the SRAM byte last.
  std::vector<const Series*> AllSeries() const;
  // The latest time of any value or failure, or -1 when there is none.
  std::int64_t LastMs() const;
};

// The summary printed when the input ends: one line per series, then one for
// the input.
std::string SummaryText(const Run& run);
// A short account of the input, for the live chart's status line.
std::string InputStatus(const InputCounts& counts);

// Seconds with three decimals, as padlink prints them.
std::string Seconds(std::int64_t ms);

// What a failed request's result means, in the words of padlink's message
// about it, after a colon, and the result: ": Echoeback timeout (-3)"; for
// a result padlink does not give, the result alone: " (-7)".
std::string FailureReason(std::int32_t result);
// "failed at 29.995 s: Echoeback timeout (-3)".
std::string FailureNote(const Failure& f);

}  // namespace plot
