// A padlink run with what it needs around it: console, port (the simulated
// robot's or a bare pseudo-terminal), port directory and logs.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/stage.h"
#include "tests/support/pty.h"

// Until padlink reads single keys from the console with this master end;
// false when it did not within the time.
bool WaitForSingleKeys(int console_master, double timeout_ms);

struct Run {
  explicit Run(const Stage& stage);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // The simulated robot stands for a device with its own processor: it runs
  // at a real-time priority where that is permitted, so that its replies
  // keep their time however busy this machine is.
  void StartRobot();
  // A bare pseudo-terminal as the port instead.
  void UsePty();

  // padlink with these arguments; with the privilege or without it, with
  // or without libptymodem.
  testpty::Child Start(const std::vector<std::string>& args, bool privileged, bool logged = true,
                       const std::vector<std::string>& env = {}) const;
  std::string LogOf(const testpty::Child& c) const;
  std::string RobotLog() const { return logs + "/robot.log"; }

  // Until padlink reads single keys from its console.
  bool WaitForKeyboard(double timeout_ms = 5000) const {
    return WaitForSingleKeys(console.master, timeout_ms);
  }
  // Types 200 keys on the console, never the same twice in a row, spread
  // over the 5 ms pass, each once the one before reached the port's far end
  // (or a second passed); the port must be a bare pseudo-terminal. Returns
  // when (NowNs) each was typed; with `latency`, adds the time each took
  // to the port's far end (ms).
  std::vector<std::uint64_t> TypeKeysToPort(std::vector<double>* latency) const;
  // Ends padlink with its stop key; its exit code.
  int Quit(testpty::Child& c, rusage* usage = nullptr) const;

  const Stage& stage;
  testpty::TempDir dir;
  testpty::Pty console = testpty::OpenPty(false);
  testpty::Child robot;
  bool robot_realtime = false;
  testpty::Pty port;  // when no robot serves the port
  bool own_port = false;
  std::string logs;
};
