#include "bench/stats.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::uint64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i =
      std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())));
  return v[i];
}

double Median(std::vector<double> v) {
  return Percentile(std::move(v), 0.5);
}

double ShareAbove(const std::vector<double>& v, double limit) {
  if (v.empty()) return 0;
  return static_cast<double>(
             std::count_if(v.begin(), v.end(), [&](double x) { return x > limit; })) /
         static_cast<double>(v.size());
}
