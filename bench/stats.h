// Clocks and the statistics the benchmark's figures are made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// CLOCK_MONOTONIC, the clock of libptymodem's logs.
double NowMs();
std::uint64_t NowNs();

// The value with `decimals` digits after the point.
std::string Fixed(double v, int decimals);

// The value below which the share p (0 to 1) of the values lie; 0 for none.
double Percentile(std::vector<double> v, double p);
double Median(std::vector<double> v);
// The share of the values above the limit; 0 for none.
double ShareAbove(const std::vector<double>& v, double limit);
