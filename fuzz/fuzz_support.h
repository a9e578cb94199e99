// Helpers shared by the fuzz targets: a check that stops the run with a
// message, and a capture of what the code under test prints on standard
// error (and on standard output).
#pragma once

#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// The process's own standard error, also while a capture is running.
inline int& ReportFd() {
  static int fd = 2;
  return fd;
}

// Prints why the input broke a rule and aborts, which libFuzzer reports as a
// crash and saves the input for.
[[noreturn]] __attribute__((format(printf, 3, 4))) inline void Fail(const char* file, int line,
                                                                    const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  dprintf(ReportFd(), "\n%s:%d: fuzz check failed: %s\n", file, line, text);
  std::abort();
}

#define FUZZ_CHECK(cond, ...)                                      \
  do {                                                             \
    if (!(cond)) ::fuzz::Fail(__FILE__, __LINE__, "" __VA_ARGS__); \
  } while (0)

// Collects what is written to standard error (fd 2) or standard output
// (fd 1) between Start and Stop in a memory file. The sanitizers keep
// reporting to the real standard error.
class StreamCapture {
 public:
  explicit StreamCapture(int fd)
      : fd_(fd),
        stream_(fd == 2 ? stderr : stdout),
        saved_(dup(fd)),
        file_(memfd_create(fd == 2 ? "fuzz-stderr" : "fuzz-stdout", 0)) {
    if (saved_ < 0 || file_ < 0) {
      std::perror("stream capture");
      std::abort();
    }
    if (fd_ != 2) return;
    ReportFd() = saved_;
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(saved_)));
  }

  void Start() {
    std::fflush(stream_);
    ftruncate(file_, 0);
    lseek(file_, 0, SEEK_SET);
    dup2(file_, fd_);
  }

  // Ends the capture; returns what was written.
  std::string Stop() {
    std::fflush(stream_);
    dup2(saved_, fd_);
    const off_t size = lseek(file_, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0 && pread(file_, text.data(), text.size(), 0) != size) text.clear();
    return text;
  }

 private:
  int fd_;
  std::FILE* stream_;
  int saved_;
  int file_;
};

struct StderrCapture : StreamCapture {
  StderrCapture() : StreamCapture(2) {}
};
struct StdoutCapture : StreamCapture {
  StdoutCapture() : StreamCapture(1) {}
};

}  // namespace fuzz
