// The scheduling the running padlink has: real-time when the system permits
// it, the normal one otherwise or when the user turns the request off; in
// every case the run works and prints nothing about it.
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/padlink_run.h"

namespace {

class TimingE2E : public PadlinkRun {
 protected:
  // Starts padlink in cable mode, behind the given wrapper commands and with
  // the given environment, and waits until it reads keys.
  testpty::Child StartWith(std::vector<std::string> wrapper, std::vector<std::string> env) {
    testpty::ChildOptions o;
    o.argv = std::move(wrapper);
    o.argv.insert(o.argv.end(), {PADLINK_BIN, "-c", "1", "-d"});
    o.env = {"PADLINK_PORT_DIR=" + dir_.path()};
    o.env.insert(o.env.end(), env.begin(), env.end());
    o.stdin_path = console_.slave_path;
    o.terminal = true;
    testpty::Child c = testpty::Spawn(o);
    EXPECT_TRUE(WaitForKeyboard());
    return c;
  }

  // Quits the run; its exit code.
  int Quit(testpty::Child& c) {
    testpty::WriteAll(console_.master, "S");
    int status = 0;
    EXPECT_TRUE(testpty::Wait(c, 5000, &status));
    return testpty::ExitCode(status);
  }

  static long TimerSlack(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/timerslack_ns");
    long ns = -1;
    in >> ns;
    return ns;
  }
};

bool RealtimePermitted() {
  rlimit l{};
  getrlimit(RLIMIT_RTPRIO, &l);
  return geteuid() == 0 || l.rlim_cur >= 10;
}

TEST_F(TimingE2E, PermittedRunIsRealTime) {
  if (!RealtimePermitted()) GTEST_SKIP() << "not permitted to this user";
  testpty::Child c = StartWith({}, {});
  EXPECT_EQ(sched_getscheduler(c.pid), SCHED_FIFO | SCHED_RESET_ON_FORK);
  sched_param p{};
  sched_getparam(c.pid, &p);
  EXPECT_EQ(p.sched_priority, 10);
  EXPECT_EQ(Quit(c), 0);
  EXPECT_EQ(c.err_text, "");
}

TEST_F(TimingE2E, NotPermittedOrTurnedOffTheRunIsAsBeforeAndSilent) {
  const bool have_tools =
      access("/usr/bin/setpriv", X_OK) == 0 && access("/usr/bin/prlimit", X_OK) == 0;
  struct Case {
    const char* name;
    std::vector<std::string> wrapper;
    std::vector<std::string> env;
    long slack;  // expected timer slack, ns; -1 for the default
  };
  const Case cases[] = {
      {"turned off", {}, {"PADLINK_REALTIME=0"}, -1},
      // No CAP_SYS_NICE and a real-time priority limit of 0: a user
      // without the privilege.
      {"not permitted",
       {"/usr/bin/prlimit", "--rtprio=0", "/usr/bin/setpriv", "--inh-caps=-sys_nice",
        "--bounding-set=-sys_nice"},
       {},
       1000},
  };
  bool skipped = false;
  for (const Case& k : cases) {
    if (!k.wrapper.empty() && !have_tools) {
      skipped = true;
      continue;
    }
    testpty::Child c = StartWith(k.wrapper, k.env);
    EXPECT_EQ(sched_getscheduler(c.pid), SCHED_OTHER) << k.name;
    if (geteuid() == 0) {
      const long slack = TimerSlack(c.pid);
      if (k.slack < 0)
        EXPECT_GT(slack, 1000) << k.name;
      else
        EXPECT_EQ(slack, k.slack) << k.name;
    }
    testpty::WriteAll(console_.master, "5");
    EXPECT_EQ(testpty::ReadBytes(port_.master, 1, 3000), std::vector<std::uint8_t>{5}) << k.name;
    EXPECT_EQ(Quit(c), 0) << k.name;
    EXPECT_EQ(c.err_text, "") << k.name;
  }
  if (skipped) GTEST_SKIP() << "no setpriv or prlimit for the unprivileged run";
}

}  // namespace
