// Round steps for the ticks of an axis, and their labels.
#pragma once

#include <string>

namespace plot {

// The smallest of 1, 2 and 5 times a power of ten that is at least `at_least`
// (positive).
double NiceStep(double at_least);
// A tick's value with as many decimals as the step needs.
std::string FormatTick(double value, double step);

}  // namespace plot
