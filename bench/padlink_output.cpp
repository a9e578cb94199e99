#include "bench/padlink_output.h"

#include <cstdio>
#include <sstream>

std::vector<double> SampleTimes(const std::string& out) {
  std::istringstream in(out);
  std::vector<double> times;
  for (std::string line; std::getline(in, line);) {
    int v1, v2;
    double s1, s2;
    if (std::sscanf(line.c_str(), "%d, %lf, %d, %lf", &v1, &s1, &v2, &s2) == 4) times.push_back(s2);
  }
  return times;
}

double SampleRate(const std::vector<double>& times) {
  return times.size() > 1 ? static_cast<double>(times.size() - 1) / (times.back() - times.front())
                          : 0;
}
