#include "tools/plot/ticks.h"

#include <cmath>
#include <cstdio>

namespace plot {

double NiceStep(double at_least) {
  if (!(at_least > 1e-9)) return 1e-9;
  const double p = std::pow(10.0, std::floor(std::log10(at_least)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * p >= at_least * (1 - 1e-9)) return m * p;
  }
  return 10 * p;
}

std::string FormatTick(double value, double step) {
  int decimals = 0;
  while (decimals < 9 && std::fabs(step * std::pow(10.0, decimals) -
                                   std::round(step * std::pow(10.0, decimals))) > 1e-6)
    ++decimals;
  if (std::fabs(value) < step * 1e-6) value = 0;  // no "-0"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

}  // namespace plot
