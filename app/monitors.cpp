#include "app/monitors.h"

#include <cstdio>

#include "app/report.h"

namespace {

// The SRAM byte read with every sample.
constexpr std::int32_t kSramP1 = 65;
constexpr std::int32_t kSramP2 = 1;
// Gyro n is SRAM (47 + n, 5).
constexpr std::int32_t kGyroP1Base = 47;
constexpr std::int32_t kGyroP2 = 5;

// The value of a request, or its failure reported and the result the sample
// shows for it.
std::int32_t ValueOf(const LinkResult<std::uint8_t>& r, const char* origin) {
  if (r) return *r;
  ReportRequestFailure(origin, r.error());
  return static_cast<std::int32_t>(r.error().failure);
}

// The monitor's times: Due and SinceStart are its only readings of the
// clock.
//
// Whether the monitor is due now; the first call always is. A first sample
// at ElapsedMs 0 is a start like any other.
bool Due(Monitor& m, const ElapsedClock& clock, bool* first) {
  const std::int64_t now = clock.ElapsedMs();
  *first = !m.started;
  if (!m.started) {
    m.started = true;
    m.start_time = now;
  } else if (now - m.last_sample_time < m.interval_ms) {
    return false;
  }
  m.last_sample_time = now;
  return true;
}

// Milliseconds from the start of the monitor's first sample until now.
std::int64_t SinceStart(const Monitor& m, const ElapsedClock& clock) {
  return clock.ElapsedMs() - m.start_time;
}

template <typename ReadSensor>
SampleStatus TakeSample(Monitor& m, SensorKind kind, RobotLink& link, const ElapsedClock& clock,
                        SampleWriter& out, ReadSensor read_sensor) {
  bool first = false;
  if (!Due(m, clock, &first)) return SampleStatus::kOk;
  Sample s{.source = {kind, m.number}};
  if (first && !out.Begin(s.source)) return SampleStatus::kCannotWrite;
  s.sensor = read_sensor();
  s.sensor_ms = SinceStart(m, clock);
  s.sram = ValueOf(link.PeekSRAM(kSramP1, kSramP2), "PeekSRAM");
  s.sram_ms = SinceStart(m, clock);
  if (!out.Write(s)) return SampleStatus::kCannotWrite;
  return s.Failed() ? SampleStatus::kFailed : SampleStatus::kOk;
}

}  // namespace

SampleStatus MonitorAD(Monitor& monitor, RobotLink& link, const ElapsedClock& clock,
                       SampleWriter& out) {
  return TakeSample(monitor, SensorKind::kAD, link, clock, out, [&] {
    char origin[24];
    std::snprintf(origin, sizeof origin, "PeekAD%d", static_cast<int>(monitor.number));
    return ValueOf(link.PeekAD(monitor.number), origin);
  });
}

SampleStatus MonitorGyro(Monitor& monitor, RobotLink& link, const ElapsedClock& clock,
                         SampleWriter& out) {
  return TakeSample(monitor, SensorKind::kGyro, link, clock, out, [&] {
    return ValueOf(link.PeekSRAM(kGyroP1Base + monitor.number, kGyroP2), "PeekSRAM");
  });
}
