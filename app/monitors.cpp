#include "app/monitors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/elapsed.h"
#include "link/peek.h"
#include "platform/platform.h"
#include "serial/com.h"

Monitor g_ad_monitor{};
Monitor g_gyro_monitor{};

namespace {

// The SRAM byte read with every sample.
constexpr std::int32_t kSramP1 = 65;
constexpr std::int32_t kSramP2 = 1;
// Gyro n is SRAM (47 + n, 5).
constexpr std::int32_t kGyroP1Base = 47;
constexpr std::int32_t kGyroP2 = 5;

// Sample lines that cannot be written (a full disk, a closed pipe) end the
// run: the reason on standard error, every port closed, status 1. Sampling
// on without a place for the lines would lose them silently.
// error is the errno value the failed call left, 0 when it left none.
[[noreturn]] void CannotWriteSamples(int error) {
  std::fprintf(stderr, "padlink: cannot write samples: %s\n", std::strerror(error ? error : EIO));
  ComCloseAll();
  PlatformExit(1);
}

// Checks the result of a print to standard output.
void Printed(int result) {
  if (result < 0) CannotWriteSamples(errno);
}

// Delivers what standard output holds, or ends the run.
void FlushSamples() {
  errno = 0;
  if (std::fflush(stdout) != 0) CannotWriteSamples(errno);
  if (std::ferror(stdout)) CannotWriteSamples(0);
}

double SecondsSince(std::int32_t start, std::int32_t then) {
  return MsBetween(start, then) * 0.001;
}

// The monitor's state is kept apart from its times: a first sample at
// ElapsedMs 0 is a start like any other.
template <typename ReadSensor>
std::int32_t Sample(Monitor& m, std::int32_t port, std::int32_t interval_ms, const char* header,
                    std::int32_t number, ReadSensor read_sensor) {
  const std::int32_t now = ElapsedMs();
  if (!m.started) {
    m.started = true;
    m.start_time = now;
    m.last_sample_time = now;
    Printed(std::printf(header, static_cast<int>(number)));
  } else {
    if (MsBetween(m.last_sample_time, now) < static_cast<std::uint32_t>(interval_ms)) return 0;
    m.last_sample_time = now;
  }
  const std::int32_t sensor = read_sensor();
  const std::int32_t sensor_time = ElapsedMs();
  const std::int32_t sram = PeekSRAM(port, kSramP1, kSramP2);
  const std::int32_t sram_time = ElapsedMs();
  Printed(std::printf("%d, %.3f, %d, %.3f\n", static_cast<int>(sensor),
                      SecondsSince(m.start_time, sensor_time), static_cast<int>(sram),
                      SecondsSince(m.start_time, sram_time)));
  return (sensor < 0 || sram < 0) ? -1 : 0;
}

// The line of every sample, the failed one's too, is delivered before the
// run goes on or ends.
void EndOnFailure(std::int32_t result) {
  FlushSamples();
  if (result != 0) {
    ComCloseAll();
    PlatformExit(1);
  }
}

}  // namespace

std::int32_t MonitorAD(std::int32_t port, std::int32_t channel, std::int32_t interval_ms) {
  return Sample(g_ad_monitor, port, interval_ms, "AD%d, ADsecond, SRAM, SRAMsecond\n", channel,
                [&] { return PeekAD(port, channel); });
}

std::int32_t MonitorGyro(std::int32_t port, std::int32_t gyro, std::int32_t interval_ms) {
  return Sample(g_gyro_monitor, port, interval_ms, "GYRO%d, GYROsecond, SRAM, SRAMsecond\n", gyro,
                [&] { return PeekSRAM(port, kGyroP1Base + gyro, kGyroP2); });
}

void MonitorStep(std::int32_t port, std::int32_t ad_channel, std::int32_t gyro,
                 std::int32_t interval_ms) {
  if (ad_channel >= 0) EndOnFailure(MonitorAD(port, ad_channel, interval_ms));
  if (gyro >= 1) EndOnFailure(MonitorGyro(port, gyro, interval_ms));
}
