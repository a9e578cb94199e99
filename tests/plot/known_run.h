// A small run of both monitors, as padlink prints it, for the renderers'
// tests: ten seconds at one sample a second; the A/D value climbs by 25 a
// second, the gyro stays at 200, the SRAM byte at 100; the A/D request fails
// at the end.
#pragma once

#include <cstdio>
#include <string>

#include "tools/plot/log_parser.h"

inline std::string KnownRunText() {
  std::string text = "AD3, ADsecond, SRAM, SRAMsecond\n";
  char line[80];
  for (int k = 0; k <= 10; ++k) {
    const int ad = k < 10 ? 25 * k : -3;
    std::snprintf(line, sizeof line, "%d, %d.009, 100, %d.021\n", ad, k, k);
    text += line;
    if (k == 0) text += "GYRO2, GYROsecond, SRAM, SRAMsecond\n";
    if (k == 10) break;
    std::snprintf(line, sizeof line, "200, %d.009, 100, %d.020\n", k, k);
    text += line;
  }
  return text;
}

inline plot::Run ReadRun(const std::string& text) {
  plot::LogParser parser;
  parser.Feed(text);
  parser.Finish();
  return parser.run();
}
