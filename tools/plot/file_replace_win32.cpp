#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tools/plot/file_replace.h"

namespace plot {

std::string ResolvedPath(const std::string& path) {
  return path;
}

PathKind KindOf(const std::string& path) {
  struct _stat64 st {};
  if (_stat64(path.c_str(), &st) != 0) return PathKind::kMissing;
  if ((st.st_mode & _S_IFMT) == _S_IFDIR) return PathKind::kDirectory;
  return (st.st_mode & _S_IFMT) == _S_IFREG ? PathKind::kRegular : PathKind::kOther;
}

std::FILE* CreateBeside(const std::string& target, std::string* temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = target + ".XXXXXX";
    if (_mktemp_s(name.data(), name.size() + 1) != 0) return nullptr;
    const int fd =
        _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
      const int error = errno;
      _close(fd);
      _unlink(name.c_str());
      errno = error;
      return nullptr;
    }
    *temp = std::move(name);
    return file;
  }
  errno = EEXIST;
  return nullptr;
}

int MoveOver(const std::string& temp, const std::string& target) {
  if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
  return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

}  // namespace plot
