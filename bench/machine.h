// The machine the benchmark runs on: the processors' and the processes'
// accounts in /proc, real-time scheduling, and busy loops that keep it busy.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// The busy share of all processors between two readings of /proc/stat.
struct CpuTimes {
  unsigned long long busy = 0, total = 0;
};
CpuTimes ReadCpuTimes();
double BusyShare(const CpuTimes& a, const CpuTimes& b);

// The load average of the last minute, as /proc/loadavg gives it.
std::string LoadAverage();

// CPU time a process has used so far, in nanoseconds.
std::uint64_t CpuNs(pid_t pid);

// "FIFO 10", "RR 5" or "normal".
std::string SchedulingOf(pid_t pid);

// Whether this process may use real-time scheduling (root, or a limit).
bool CanRealtime();

// Keeps a processor busy until killed; ends with the benchmark.
pid_t StartBusyLoop();
