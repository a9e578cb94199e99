// The remote-port figures of the benchmark: the simulated robot served by
// the real ser2net on 127.0.0.1, with modem lines emulated in ser2net so
// that its RTS changes can be timed where it applies them.
#pragma once

#include <string>
#include <vector>

struct RemoteFigures {
  std::string error;                // why nothing was measured, or ""
  std::vector<double> rts_low_ms;   // RTS low time of each strobe, as ser2net applied it
  std::vector<double> net_low_ms;   // the same, as ser2net read the two commands
  std::vector<double> cli_low_ms;   // the same, as padlink sent them
  double remote_samples_per_s = 0;  // cable mode at -t 0, through ser2net
  double direct_samples_per_s = 0;  // the same run on the robot's own port
};

RemoteFigures MeasureRemote();
