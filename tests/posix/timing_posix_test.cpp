// The run's request for real-time scheduling, made for real in child
// processes under each of the conditions a user's system may set: permitted
// by CAP_SYS_NICE, permitted only up to a real-time priority limit, not
// permitted at all, and turned off by the user.
#include <linux/capability.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

struct Outcome {
  int policy = -1;  // sched_getscheduler, with SCHED_RESET_ON_FORK
  int priority = -1;
  long slack_before = -1;
  long slack = -1;        // ns
  int child_policy = -1;  // of a process forked after the request
  bool errno_kept = false;
  bool output = false;  // anything written to stdout or stderr
  bool set_up = false;  // the conditions could be made
};

// Takes CAP_SYS_NICE away from this process.
bool DropSysNice() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  const unsigned bit = 1u << (CAP_SYS_NICE % 32);
  data[CAP_SYS_NICE / 32].effective &= ~bit;
  data[CAP_SYS_NICE / 32].permitted &= ~bit;
  data[CAP_SYS_NICE / 32].inheritable &= ~bit;
  return syscall(SYS_capset, &header, data) == 0;
}

struct Conditions {
  const char* realtime_env;  // PADLINK_REALTIME, or null for none
  long rtprio_limit;         // RLIMIT_RTPRIO to set, or -1 to keep
  bool drop_sys_nice;
};

// Runs PlatformRequestTiming in a child process under the conditions.
Outcome RequestIn(const Conditions& c) {
  int report[2];
  int output[2];
  if (pipe(report) != 0 || pipe(output) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(output[1], 1);
    dup2(output[1], 2);
    close(output[0]);
    Outcome o;
    if (c.realtime_env)
      setenv("PADLINK_REALTIME", c.realtime_env, 1);
    else
      unsetenv("PADLINK_REALTIME");
    if (c.rtprio_limit >= 0) {
      const rlimit l{static_cast<rlim_t>(c.rtprio_limit), static_cast<rlim_t>(c.rtprio_limit)};
      if (setrlimit(RLIMIT_RTPRIO, &l) != 0) _exit(3);
    }
    if (c.drop_sys_nice && !DropSysNice()) _exit(4);
    o.set_up = true;
    o.slack_before = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    errno = EAGAIN;
    PlatformRequestTiming();
    o.errno_kept = errno == EAGAIN;
    o.policy = sched_getscheduler(0);
    sched_param p{};
    sched_getparam(0, &p);
    o.priority = p.sched_priority;
    o.slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    const pid_t grandchild = fork();
    if (grandchild == 0) _exit(sched_getscheduler(0));
    int st = 0;
    waitpid(grandchild, &st, 0);
    o.child_policy = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    _exit(write(report[1], &o, sizeof o) == sizeof o ? 0 : 5);
  }
  close(report[1]);
  close(output[1]);
  Outcome o;
  if (read(report[0], &o, sizeof o) != sizeof o) o = {};
  char buf[256];
  o.output = read(output[0], buf, sizeof buf) > 0;
  close(report[0]);
  close(output[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  return o;
}

// Whether this test process could set a real-time policy itself.
bool RealtimePermittedHere() {
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

constexpr int kFifoResetOnFork = SCHED_FIFO | SCHED_RESET_ON_FORK;

TEST(TimingPosix, PermittedRunGetsRealTimeSchedulingNotInheritedByChildren) {
  if (!RealtimePermittedHere()) GTEST_SKIP() << "no CAP_SYS_NICE or real-time limit here";
  const Outcome o = RequestIn({nullptr, -1, false});
  EXPECT_EQ(o.policy, kFifoResetOnFork);
  EXPECT_EQ(o.priority, 10);
  EXPECT_LE(o.slack, 1000);  // a real-time thread's timers have no slack at all
  EXPECT_EQ(o.child_policy, SCHED_OTHER);
  EXPECT_TRUE(o.errno_kept);
  EXPECT_FALSE(o.output);
}

TEST(TimingPosix, ARealTimePriorityLimitAloneIsEnoughForItsPriority) {
  // A user with "rtprio 5" in limits.conf and no capability.
  const Outcome o = RequestIn({nullptr, 5, true});
  if (!o.set_up) GTEST_SKIP() << "cannot raise the real-time priority limit to 5 here";
  EXPECT_EQ(o.policy, kFifoResetOnFork);
  EXPECT_EQ(o.priority, 5);
  EXPECT_FALSE(o.output);
}

TEST(TimingPosix, NotPermittedOrTurnedOffTheRunGoesOnSilently) {
  struct Case {
    const char* name;
    Conditions conditions;
    bool fine_slack;  // 1 us timer slack (still permitted to everyone)
  };
  const Case cases[] = {
      {"no capability, limit 0", {nullptr, 0, true}, true},
      {"turned off with 0", {"0", -1, false}, false},
      {"turned off with off", {"off", -1, false}, false},
      {"turned off, not permitted either", {"0", 0, true}, false},
  };
  for (const Case& c : cases) {
    const Outcome o = RequestIn(c.conditions);
    ASSERT_TRUE(o.set_up) << c.name;
    EXPECT_EQ(o.policy, SCHED_OTHER) << c.name;
    EXPECT_EQ(o.priority, 0) << c.name;
    EXPECT_EQ(o.slack, c.fine_slack ? 1000 : o.slack_before) << c.name;
    EXPECT_TRUE(o.errno_kept) << c.name;
    EXPECT_FALSE(o.output) << c.name;
  }
}

}  // namespace
