#include "app/writers/csv_stdout/csv_stdout.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "app/report.h"
#include "platform/platform.h"
#include "samples/csv.h"

namespace {

// Sample lines that cannot be written (a full disk, a closed pipe) end the
// run: sampling on without a place for the lines would lose them silently.
// error is the errno value the failed call left, 0 when it left none. A
// pipe whose reader went away raised SIGPIPE, which asks the run to end and
// then ends the process silently, as that signal always has.
bool CannotWrite(int error) {
  if (!PlatformEndRequested()) ReportCannotWriteSamples(error);
  return false;
}

// Into standard output's buffer; false with errno set when it failed.
bool Put(const std::string& line) {
  return std::fputs(line.c_str(), stdout) >= 0;
}

// Delivers what standard output holds.
bool Flushed(int* error) {
  errno = 0;
  if (std::fflush(stdout) != 0) {
    *error = errno;
    return false;
  }
  *error = 0;
  return !std::ferror(stdout);
}

}  // namespace

bool CsvStdout::Begin(const SampleSource& source) {
  const std::string line = CsvHeaderLine(source);
  return Put(line) || CannotWrite(errno);
}

bool CsvStdout::Write(const Sample& sample) {
  const std::string line = CsvSampleLine(sample);
  if (!Put(line)) return CannotWrite(errno);
  int error = 0;
  return Flushed(&error) || CannotWrite(error);
}
