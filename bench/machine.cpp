#include "bench/machine.h"

#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

CpuTimes ReadCpuTimes() {
  std::ifstream in("/proc/stat");
  std::string cpu;
  unsigned long long v[10] = {};
  in >> cpu;
  for (auto& x : v)
    in >> x;
  CpuTimes t;
  for (int i = 0; i < 10; ++i)
    t.total += i < 8 ? v[i] : 0;   // guest time is in user already
  t.busy = t.total - v[3] - v[4];  // minus idle and iowait
  return t;
}

double BusyShare(const CpuTimes& a, const CpuTimes& b) {
  return b.total > a.total ? static_cast<double>(b.busy - a.busy) / (b.total - a.total) : 0;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one;
}

std::uint64_t CpuNs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  std::uint64_t ns = 0;
  in >> ns;
  return ns;
}

std::string SchedulingOf(pid_t pid) {
  const int policy = sched_getscheduler(pid) & ~SCHED_RESET_ON_FORK;
  sched_param p{};
  sched_getparam(pid, &p);
  if (policy == SCHED_FIFO) return "FIFO " + std::to_string(p.sched_priority);
  if (policy == SCHED_RR) return "RR " + std::to_string(p.sched_priority);
  return "normal";
}

bool CanRealtime() {
  const pid_t pid = fork();
  if (pid == 0) {
    sched_param p{};
    p.sched_priority = 10;
    _exit(sched_setscheduler(0, SCHED_FIFO, &p) == 0 ? 0 : 1);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

pid_t StartBusyLoop() {
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // a program of its own, as those a user runs beside padlink
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;)
      asm volatile("" ::: "memory");
  }
  return pid;
}
