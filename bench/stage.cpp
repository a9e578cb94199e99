#include "bench/stage.h"

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

Stage::Stage() {
  namespace fs = std::filesystem;
  self_ = fs::canonical("/proc/self/exe");
  char tmpl[] = "/tmp/padlink-bench-XXXXXX";
  if (!mkdtemp(tmpl)) std::exit(2);
  dir_ = tmpl;
  chmod(tmpl, 0755);
  padlink_ = dir_ + "/padlink";
  ptymodem_ = dir_ + "/libptymodem.so";
  fs::copy_file(PADLINK_BIN, padlink_);
  fs::copy_file(PTYMODEM_LIB, ptymodem_);
  chmod(padlink_.c_str(), 0755);
  chmod(ptymodem_.c_str(), 0755);
}

Stage::~Stage() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void OpenToAll(const std::string& path, mode_t mode) {
  chmod(path.c_str(), mode);
}

int ExecMode(int argc, char** argv) {
  int i = 2;
  if (i < argc && std::string(argv[i]) == "--unprivileged") {
    ++i;
    const rlimit none{0, 0};
    setrlimit(RLIMIT_RTPRIO, &none);
    if (geteuid() == 0) {
      const passwd* pw = getpwnam("nobody");
      const uid_t uid = pw ? pw->pw_uid : 65534;
      const gid_t gid = pw ? pw->pw_gid : 65534;
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) return 126;
    }
  }
  if (const char* lib = std::getenv("BENCH_PRELOAD")) setenv("LD_PRELOAD", lib, 1);
  unsetenv("BENCH_PRELOAD");
  if (i >= argc) return 127;
  execv(argv[i], argv + i);
  return 127;
}
