// The simulated robot as the end-to-end tests and the benchmark run it: one
// padlink-robot serving port 1 of a temporary port directory.
#pragma once

#include <string>
#include <vector>

#include "tests/support/pty.h"

namespace testpty {

class Robot {
 public:
  Robot() = default;
  ~Robot() { Stop(); }
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

  // Starts `binary` (padlink-robot) publishing com1 in port_dir, with extra
  // options; true once it printed the command to connect.
  bool Start(const std::string& binary, const std::string& port_dir,
             const std::vector<std::string>& args = {});
  // Ends it with SIGTERM and collects what it printed; nothing when it is
  // not running.
  void Stop();

  // The pseudo-terminal it serves (the target of port_dir/com1).
  std::string device() const { return device_; }
  // Its log so far: the commands and requests it received.
  std::string& log();
  // The command bytes in its log so far, in order.
  std::vector<int> Commands();
  Child& child() { return child_; }

 private:
  Child child_;
  std::string device_;
};

}  // namespace testpty
