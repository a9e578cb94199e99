// Where a run's samples go. A writer takes the header of each monitor once,
// before that monitor's first sample is taken, then every sample of it, the
// failed one's too, and has each delivered before it returns. The run owns
// its writers (run.cpp wires them); each lives in a folder of its own under
// app/writers/.
#pragma once

#include <memory>
#include <vector>

#include "samples/sample.h"

class SampleWriter {
 public:
  virtual ~SampleWriter() = default;
  // The monitor's header; false when the writer cannot take the samples
  // (it said why, unless the run is asked to end).
  virtual bool Begin(const SampleSource& source) = 0;
  // One sample; false when the writer could not deliver it (it said why,
  // unless the run is asked to end).
  virtual bool Write(const Sample& sample) = 0;
};

// The run's writers: each header and each sample goes to every writer in
// turn, also after one of them failed; false when any of them failed.
class SampleWriters final : public SampleWriter {
 public:
  void Add(std::unique_ptr<SampleWriter> writer) { writers_.push_back(std::move(writer)); }
  bool Begin(const SampleSource& source) override;
  bool Write(const Sample& sample) override;

 private:
  std::vector<std::unique_ptr<SampleWriter>> writers_;
};
