#include "app/monitors.h"

#include <cerrno>
#include <cstdio>

#include "app/report.h"
#include "platform/platform.h"

namespace {

// The SRAM byte read with every sample.
constexpr std::int32_t kSramP1 = 65;
constexpr std::int32_t kSramP2 = 1;
// Gyro n is SRAM (47 + n, 5).
constexpr std::int32_t kGyroP1Base = 47;
constexpr std::int32_t kGyroP2 = 5;

// Sample lines that cannot be written (a full disk, a closed pipe) end the
// run: sampling on without a place for the lines would lose them silently.
// error is the errno value the failed call left, 0 when it left none. A
// pipe whose reader went away raised SIGPIPE, which asks the run to end and
// then ends the process silently, as that signal always has.
SampleStatus CannotWrite(int error) {
  if (!PlatformEndRequested()) ReportCannotWriteSamples(error);
  return SampleStatus::kCannotWrite;
}

// Delivers what standard output holds.
bool Flushed(int* error) {
  errno = 0;
  if (std::fflush(stdout) != 0) {
    *error = errno;
    return false;
  }
  *error = 0;
  return !std::ferror(stdout);
}

double SecondsSince(std::int64_t start, std::int64_t then) {
  return static_cast<double>(then - start) * 0.001;
}

// The value of a request, or its failure reported and the result the sample
// line shows for it.
std::int32_t ValueOf(const LinkResult<std::uint8_t>& r, const char* origin) {
  if (r) return *r;
  ReportRequestFailure(origin, r.error());
  return static_cast<std::int32_t>(r.error().failure);
}

// Whether the monitor is due; the first call always is. A first sample at
// ElapsedMs 0 is a start like any other.
bool Due(Monitor& m, std::int64_t now, bool* first) {
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

template <typename ReadSensor>
SampleStatus Sample(Monitor& m, RobotLink& link, const ElapsedClock& clock, const char* header,
                    ReadSensor read_sensor) {
  bool first = false;
  if (!Due(m, clock.ElapsedMs(), &first)) return SampleStatus::kOk;
  if (first && std::printf(header, static_cast<int>(m.number)) < 0) return CannotWrite(errno);
  const std::int32_t sensor = read_sensor();
  const std::int64_t sensor_time = clock.ElapsedMs();
  const std::int32_t sram = ValueOf(link.PeekSRAM(kSramP1, kSramP2), "PeekSRAM");
  const std::int64_t sram_time = clock.ElapsedMs();
  if (std::printf("%d, %.3f, %d, %.3f\n", static_cast<int>(sensor),
                  SecondsSince(m.start_time, sensor_time), static_cast<int>(sram),
                  SecondsSince(m.start_time, sram_time)) < 0)
    return CannotWrite(errno);
  int error = 0;
  if (!Flushed(&error)) return CannotWrite(error);
  return (sensor < 0 || sram < 0) ? SampleStatus::kFailed : SampleStatus::kOk;
}

}  // namespace

SampleStatus MonitorAD(Monitor& monitor, RobotLink& link, const ElapsedClock& clock) {
  return Sample(monitor, link, clock, "AD%d, ADsecond, SRAM, SRAMsecond\n", [&] {
    char origin[24];
    std::snprintf(origin, sizeof origin, "PeekAD%d", static_cast<int>(monitor.number));
    return ValueOf(link.PeekAD(monitor.number), origin);
  });
}

SampleStatus MonitorGyro(Monitor& monitor, RobotLink& link, const ElapsedClock& clock) {
  return Sample(monitor, link, clock, "GYRO%d, GYROsecond, SRAM, SRAMsecond\n", [&] {
    return ValueOf(link.PeekSRAM(kGyroP1Base + monitor.number, kGyroP2), "PeekSRAM");
  });
}
