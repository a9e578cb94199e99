// The benchmark's measurements, one file each; each adds its rows (and
// notes) to the report. They measure only: no figure fails anything.
#pragma once

#include <sys/resource.h>

#include "bench/report.h"
#include "bench/stage.h"

// Pauses as padlink makes them: overshoot of 1, 5 and 8 ms (pauses.cpp).
void BenchPauses(Report* report);

// RTS low time of strobes, keys in strobe mode while monitoring (strobes.cpp).
void BenchCommandStrobes(const Stage& stage, Report* report);

// A key typed on padlink's terminal to its byte at the port's far end
// (key_to_wire.cpp).
void BenchKeyToWire(const Stage& stage, Report* report);

// Cable-mode samples per second at 9600 baud, against the line's limit;
// what that run cost, for the CPU while monitoring (sampling.cpp).
struct SamplingCost {
  rusage usage{};
  double wall_s = 1;
};
SamplingCost BenchSampling(const Stage& stage, Report* report);
void BenchMonitoringCpu(const SamplingCost& sampling, Report* report);

// CPU of an idle padlink against the floor, a bare 5 ms pause loop, with
// real-time scheduling or without; padlink's peak resident memory (KiB)
// (idle_cpu.cpp).
long BenchIdleCpu(const Stage& stage, bool realtime, Report* report);
// "--sleep-loop": the floor.
[[noreturn]] void SleepLoop();

// padlink's peak resident memory against an empty C++ program (memory.cpp).
void BenchMemory(long padlink_rss_kib, Report* report);

// Start-up to the first pass (startup.cpp).
void BenchStartup(const Stage& stage, Report* report);

// A remote port: ser2net on 127.0.0.1 serving the robot's port
// (remote_bench.cpp).
void BenchRemote(Report* report);

// The second table: the machine as found and kept busy, with the real-time
// privilege and without it (busy_machine.cpp).
void BenchBusyMachine(const Stage& stage, Report* report);
