// The files padlink-plot writes besides the terminal: the input passed
// through (--csv) and a picture of the run (--svg). Each reports its own
// failure on standard error.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tools/plot/run.h"

namespace plot {

// The input, unchanged, as it comes.
class InputCopy {
 public:
  InputCopy() = default;
  InputCopy(const InputCopy&) = delete;
  InputCopy& operator=(const InputCopy&) = delete;
  ~InputCopy();

  // Creates `path`, or nothing when it is empty; false when it cannot.
  bool Open(const std::string& path);
  // After a failed write no more are tried.
  void Write(std::string_view bytes);
  // False when a write or the close failed.
  bool Close();

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// The picture of the whole run, titled `title` (empty: made of the series'
// names); false when it could not be written.
bool SaveSvg(const std::string& path, const std::string& title, const Run& run);

}  // namespace plot
