#include "app/sample_writer.h"

bool SampleWriters::Begin(const SampleSource& source) {
  bool ok = true;
  for (const std::unique_ptr<SampleWriter>& w : writers_)
    ok = w->Begin(source) && ok;
  return ok;
}

bool SampleWriters::Write(const Sample& sample) {
  bool ok = true;
  for (const std::unique_ptr<SampleWriter>& w : writers_)
    ok = w->Write(sample) && ok;
  return ok;
}
