// Reads padlink's monitor output: a header per monitor, then one sample line
// per sample, the monitors' lines taking turns in the order their headers
// came. Each line is read by the samples' own parser (samples/csv.h); here
// the lines are put in their monitors' turns. Pure functions of the bytes
// read; any chunking gives the same run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "samples/csv.h"
#include "tools/plot/run.h"

namespace plot {

// Longest line taken; a longer one is not padlink's.
constexpr std::size_t kMaxLine = 256;

class LogParser {
 public:
  // Takes the next bytes of input, split anywhere.
  void Feed(std::string_view bytes);
  // End of input: takes a last line without a line end and counts a header
  // left without samples.
  void Finish();
  const Run& run() const { return run_; }

 private:
  struct Monitor {
    SampleSource source;
    std::size_t series;      // index in run_.sensors
    std::int64_t offset_ms;  // its start on the run's time line
    std::uint64_t samples;   // sample lines since its header
  };

  void Line(std::string_view line);
  void Header(const SampleSource& source);
  void SampleLine(const Sample& sample);
  // The header most recently read, when no sample followed it yet, is a
  // header without samples: it leaves the turns.
  void DropHeaderWithoutSamples();
  void Commit(const Sample& sample, std::size_t m);

  Run run_;
  std::string partial_;
  bool overlong_ = false;
  std::vector<Monitor> turns_;  // the monitors of the current run, in header order
  std::size_t next_ = 0;        // index in turns_ of the monitor whose line comes next
  bool awaiting_ = false;       // turns_[next_] had its header and no sample yet
  std::int64_t latest_ms_ = 0;  // latest time read, on the run's time line
};

}  // namespace plot
