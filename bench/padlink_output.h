// What padlink prints while it monitors: a line per sample,
// "<value>, <seconds>, <value>, <seconds>".
#pragma once

#include <string>
#include <vector>

// The time of each sample line of padlink's standard output (its second
// time, in seconds).
std::vector<double> SampleTimes(const std::string& out);

// Samples per second between the first and the last; 0 for fewer than two.
double SampleRate(const std::vector<double>& times);
