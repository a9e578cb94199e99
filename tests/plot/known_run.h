// A small run of both monitors, as padlink prints it, for the renderers'
// tests: ten seconds at one sample a second; the A/D value climbs by 25 a
// second, the gyro stays at 200, the SRAM byte at 100; the A/D request fails
// at the end.
#pragma once

#include <string>

#include "samples/csv.h"
#include "tools/plot/log_parser.h"

inline std::string KnownRunText() {
  const SampleSource ad3{SensorKind::kAD, 3};
  const SampleSource gyro2{SensorKind::kGyro, 2};
  std::string text = CsvHeaderLine(ad3);
  for (std::int64_t k = 0; k <= 10; ++k) {
    const std::int32_t ad = k < 10 ? static_cast<std::int32_t>(25 * k) : -3;
    text += CsvSampleLine({.source = ad3,
                           .sensor = ad,
                           .sensor_ms = k * 1000 + 9,
                           .sram = 100,
                           .sram_ms = k * 1000 + 21});
    if (k == 0) text += CsvHeaderLine(gyro2);
    if (k == 10) break;
    text += CsvSampleLine({.source = gyro2,
                           .sensor = 200,
                           .sensor_ms = k * 1000 + 9,
                           .sram = 100,
                           .sram_ms = k * 1000 + 20});
  }
  return text;
}

inline plot::Run ReadRun(const std::string& text) {
  plot::LogParser parser;
  parser.Feed(text);
  parser.Finish();
  return parser.run();
}
