// The samples as comma-separated lines on standard output (samples/csv.h),
// each sample's line delivered before the sample is done with. A header is
// held in standard output's buffer until its first sample's line.
#pragma once

#include "app/sample_writer.h"

class CsvStdout final : public SampleWriter {
 public:
  bool Begin(const SampleSource& source) override;
  bool Write(const Sample& sample) override;
};
