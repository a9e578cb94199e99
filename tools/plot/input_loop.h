// padlink-plot's reading of standard input: every byte to the copy and the
// parser, and the live chart kept up to date, until the input ends or a
// signal ends the program.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/plot/live_chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/output_files.h"
#include "tools/plot/signals.h"

namespace plot {

class InputLoop {
 public:
  // Without `live` the input is read as fast as it comes, without a chart.
  InputLoop(bool live, SignalWatch& signals, LiveChart& chart, LogParser& parser, InputCopy& copy);

  // 0, or the errno of a wait or read that failed.
  int Run();

 private:
  static constexpr std::int64_t kFrameMs = 50;  // at most 20 frames a second

  // One round: what the signals asked for, a wait for input or the next
  // frame, the input, the frame. False when reading ends.
  bool Round(int* error);
  // Ctrl+Z: gives the shell its screen back, stops, and comes back.
  void Suspend();
  // No limit (-1), or the milliseconds to the next frame while input waits
  // to be drawn.
  int Timeout() const;
  // Takes what standard input has. False at its end or on an error.
  bool Take(int* error);
  void Draw(bool full);

  bool live_;
  SignalWatch& signals_;
  LiveChart& chart_;
  LogParser& parser_;
  InputCopy& copy_;
  bool dirty_ = false;  // input came that the chart does not show yet
  std::int64_t next_draw_ = 0;
  std::vector<char> buf_;
};

}  // namespace plot
