#include "bench/report.h"

#include <sstream>
#include <thread>

#include "bench/stats.h"

std::string Verdict(bool met) {
  return met ? "met" : "missed";
}

void Report::AddStats(const std::string& figure, const std::vector<double>& v, int decimals,
                      const std::string& unit, const std::string& goal, bool met) {
  rows_.push_back({figure + " (" + std::to_string(v.size()) + ")",
                   Fixed(Percentile(v, 0.5), decimals) + " " + unit,
                   Fixed(Percentile(v, 0.99), decimals) + " " + unit, goal,
                   goal.empty() ? "" : Verdict(met)});
}

void Report::AddValue(const std::string& figure, const std::string& value, const std::string& goal,
                      const std::string& verdict) {
  rows_.push_back({figure, value, "", goal, verdict});
}

std::string Report::Table() const {
  std::ostringstream t;
  t << "| figure | median (or value) | p99 | goal | |\n|---|---|---|---|---|\n";
  for (const Row& r : rows_)
    t << "| " << r.figure << " | " << r.median << " | " << r.p99 << " | " << r.goal << " | "
      << r.verdict << " |\n";
  t << "\nThe machine as found, and busy with " << 2 * std::thread::hardware_concurrency()
    << " more busy loops (2 per core), with the real-time privilege and without it:\n\n";
  t << "| figure | as found, real-time | as found, unprivileged | busy, real-time | busy, "
       "unprivileged | goal | |\n|---|---|---|---|---|---|---|\n";
  for (const LoadRow& r : load_rows_) {
    t << "| " << r.figure;
    for (const std::string& c : r.cells)
      t << " | " << c;
    t << " | " << r.goal << " | " << r.verdict << " |\n";
  }
  t << "\nMachine: " << std::thread::hardware_concurrency() << " cores.\n";
  for (const std::string& n : notes_)
    t << "\n" << n << "\n";
  return t.str();
}
