// The benchmark's results: the first table (one row per figure), the table
// of the idle and busy machine (one column per condition) and the notes
// under them, as Markdown.
#pragma once

#include <string>
#include <vector>

struct Row {
  std::string figure;
  std::string median;  // or the value
  std::string p99;
  std::string goal;
  std::string verdict;
};

// A row of the idle-and-busy table: one cell per condition.
struct LoadRow {
  std::string figure;
  std::vector<std::string> cells;
  std::string goal;
  std::string verdict;
};

// "met" or "missed".
std::string Verdict(bool met);

class Report {
 public:
  void AddRow(Row row) { rows_.push_back(std::move(row)); }
  // Median and p99 of the values; the figure says how many there were. No
  // verdict without a goal.
  void AddStats(const std::string& figure, const std::vector<double>& v, int decimals,
                const std::string& unit, const std::string& goal, bool met);
  void AddValue(const std::string& figure, const std::string& value, const std::string& goal,
                const std::string& verdict);
  void AddLoadRow(LoadRow row) { load_rows_.push_back(std::move(row)); }
  void AddNote(std::string note) { notes_.push_back(std::move(note)); }
  void AddNoteFirst(std::string note) { notes_.insert(notes_.begin(), std::move(note)); }

  std::string Table() const;

 private:
  std::vector<Row> rows_;
  std::vector<LoadRow> load_rows_;
  std::vector<std::string> notes_;
};
