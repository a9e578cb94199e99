// Pseudo-terminals, child processes and bounded waits for the tests that run
// the real platform layer and the built programs.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testpty {

// A pseudo-terminal: the master end and the path of the slave end.
struct Pty {
  int master = -1;
  std::string slave_path;
};
// A new pseudo-terminal. A raw one echoes and translates nothing before
// padlink configures it (a serial port); otherwise it keeps the settings of a
// new terminal, line editing and echo on (a console).
Pty OpenPty(bool raw = true);
void ClosePty(Pty& pty);

// A temporary directory, removed with its contents by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Creates path()/comN -> target.
  void LinkPort(int n, const std::string& target) const;

 private:
  std::string path_;
};

struct ChildOptions {
  std::vector<std::string> argv;
  std::vector<std::string> env;  // NAME=value, added to the environment
  // Standard input (and controlling terminal when terminal is true): a path
  // opened in the child; /dev/null when empty.
  std::string stdin_path;
  bool terminal = false;
  // Capture standard output and standard error through pipes. When false
  // they go to the same place as standard input.
  bool capture = true;
  // Standard output opened from this path instead (a terminal, /dev/full);
  // standard error is still captured.
  std::string stdout_path;
  // Run as the unprivileged user nobody when the tests run as root: root
  // passes the kernel's exclusive-use mark of a terminal, a user does not.
  bool unprivileged = false;
  // Run the program as a shell runs a job: in its own process group, the
  // terminal's foreground group, below a session leader that waits for it
  // and ends as it ends. Needed for stopping with Ctrl+Z, which the kernel
  // ignores in a group that no shell could resume.
  bool job = false;
  // With job: a job in the background, its group not the terminal's
  // foreground group (a shell's "program &").
  bool background = false;
  // A standard descriptor (0, 1 or 2) the program starts with closed, as
  // after the shell's "<&-", ">&-" or "2>&-"; -1 for none.
  int closed_fd = -1;
};

struct Child {
  pid_t pid = -1;
  int out = -1;  // standard output pipe, or -1
  int err = -1;  // standard error pipe, or -1
  std::string out_text;
  std::string err_text;
};

Child Spawn(const ChildOptions& options);
// Waits up to timeout_ms for the child to end, collecting its output; true
// with the raw wait status when it ended. Kills it on time-out.
// With `usage`, also the resources the child used.
bool Wait(Child& child, int timeout_ms, int* status, struct rusage* usage = nullptr);
// Collects what the child printed so far, waiting up to timeout_ms for
// `needle` to appear in its standard output (or error when from_err).
bool WaitForOutput(Child& child, const std::string& needle, int timeout_ms, bool from_err = false);
// Waits up to timeout_ms until the child's standard output holds `count`
// whole lines.
bool WaitForLines(Child& child, std::size_t count, int timeout_ms);
// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
// Exit status of a normal exit, or -1.
int ExitCode(int status);

// Reads from fd until `count` bytes arrived or timeout_ms passed.
std::vector<std::uint8_t> ReadBytes(int fd, std::size_t count, int timeout_ms);
// Reads from fd for exactly timeout_ms (or until the other end closes).
std::vector<std::uint8_t> ReadFor(int fd, int timeout_ms);
void WriteAll(int fd, const std::string& bytes);

// True when a program's output to its terminal turned bracketed paste on
// (ESC [ ? 2004 h) and its last word on it was off (ESC [ ? 2004 l).
bool PasteMarksOnThenOff(const std::string& output);

// The state letter of a process in /proc (R, S, T, ...), or 0.
char ProcessState(pid_t pid);
// A child process of `parent` (the job of a child started with job), from
// /proc; -1 when it has none.
pid_t ChildOf(pid_t parent);

std::uint64_t NowMs();
void SleepMs(int ms);

}  // namespace testpty
