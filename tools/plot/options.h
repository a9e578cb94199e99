// padlink-plot's command line.
#pragma once

#include <cstdio>
#include <string>

namespace plot {

// The longest --window: 115 days, more than any run.
constexpr double kMaxWindowS = 1e7;

struct Options {
  double window_s = 30;
  std::string csv;
  std::string svg;
  std::string title;
};

void Usage(std::FILE* to);

// 0 to go on, -1 when the usage was asked for and printed (the exit status
// is 0), else the exit status.
int ParseOptions(int argc, char** argv, Options* o);

}  // namespace plot
