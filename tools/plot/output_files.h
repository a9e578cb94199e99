// The files padlink-plot writes besides the terminal: the input passed
// through (--csv) and a picture of the run (--svg). Both are checked when
// the program starts, so that a path that cannot be written fails before
// the run rather than after it, and each is written under a temporary name
// beside it and renamed when it is complete: what was there before is
// replaced only by a whole file. Each reports its own failure on standard
// error, with the system's reason.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tools/plot/run.h"

namespace plot {

// A file that takes the place of `path` once it is complete. A path that is
// no regular file (a device, a pipe) is written directly.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // A file that was never committed is removed.
  ~OutputFile();

  // Creates the file under its temporary name; false, with the reason
  // reported, when it cannot (also when path is a directory). An empty
  // path opens nothing.
  bool Open(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  // After a failed write no more are tried.
  void Write(std::string_view bytes);
  // Closes the file and renames it to its path; false, with the reason
  // reported, when a write, the close or the rename failed. A complete file
  // that could not be renamed is kept under its temporary name, which the
  // report gives.
  bool Commit();

 private:
  // Why the file cannot be made.
  void Report(int error) const;

  std::string path_;    // as given
  std::string target_;  // the file it names, links followed
  std::string temp_;    // "" when written directly
  std::FILE* file_ = nullptr;
  int error_ = 0;  // of the first failed write
};

// The input, unchanged, as it comes.
using InputCopy = OutputFile;

// The picture of the whole run, titled `title` (empty: made of the series'
// names), into a file opened at the start; false when it could not be
// written.
bool SaveSvg(OutputFile& file, const std::string& title, const Run& run);

}  // namespace plot
