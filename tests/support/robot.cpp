#include "tests/support/robot.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <regex>

namespace testpty {

bool Robot::Start(const std::string& binary, const std::string& port_dir,
                  const std::vector<std::string>& args) {
  ChildOptions o;
  o.argv = {binary, "--port", "1", "--port-dir", port_dir};
  o.argv.insert(o.argv.end(), args.begin(), args.end());
  child_ = Spawn(o);
  if (!WaitForOutput(child_, "connect with:", 5000)) return false;
  char target[PATH_MAX] = {};
  const ssize_t n = readlink((port_dir + "/com1").c_str(), target, sizeof target - 1);
  device_ = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
  return true;
}

void Robot::Stop() {
  if (child_.pid < 0) return;
  kill(child_.pid, SIGTERM);
  int status = 0;
  Wait(child_, 5000, &status);
  child_.pid = -1;
}

std::string& Robot::log() {
  if (child_.pid > 0) WaitForOutput(child_, "", 0);
  return child_.out_text;
}

std::vector<int> Robot::Commands() {
  std::vector<int> out;
  const std::regex command(R"(\] command +(\d+) \(0x)");
  for (const std::string& line : Lines(log())) {
    std::smatch m;
    if (std::regex_search(line, m, command)) out.push_back(std::stoi(m[1]));
  }
  return out;
}

}  // namespace testpty
