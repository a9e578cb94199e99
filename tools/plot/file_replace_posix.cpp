#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tools/plot/file_replace.h"

namespace plot {

namespace {

// The mode a new file gets from fopen: 0666 without the umask's bits.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
  std::string target = path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  return target;
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
  return S_ISREG(st.st_mode) ? PathKind::kRegular : PathKind::kOther;
}

std::FILE* CreateBeside(const std::string& target, std::string* temp) {
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  std::string name = target + ".XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) return nullptr;
  // The mode the file would have had, or has had.
  fchmod(fd, exists ? (st.st_mode & 07777) : NewFileMode());
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    const int error = errno;
    close(fd);
    unlink(name.c_str());
    errno = error;
    return nullptr;
  }
  *temp = std::move(name);
  return file;
}

int MoveOver(const std::string& temp, const std::string& target) {
  return std::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace plot
