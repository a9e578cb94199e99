#include "tools/plot/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "tools/plot/svg.h"

namespace plot {

namespace {

// The mode a new file gets from fopen: 0666 without the umask's bits.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::~OutputFile() {
  if (!file_) return;
  std::fclose(file_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

bool OutputFile::Open(const std::string& path) {
  if (path.empty()) return true;
  path_ = path;
  // A link is followed: the file it names is the one replaced.
  std::string target = path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    Report(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    file_ = std::fopen(target.c_str(), "wb");
    if (!file_) Report(errno);
    return file_ != nullptr;
  }
  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    Report(errno);
    return false;
  }
  // The mode the file would have had, or has had.
  fchmod(fd, exists ? (st.st_mode & 07777) : NewFileMode());
  file_ = fdopen(fd, "wb");
  if (!file_) {
    Report(errno);
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  temp_ = std::move(temp);
  target_ = std::move(target);
  return true;
}

void OutputFile::Write(std::string_view bytes) {
  if (!file_ || error_ != 0) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0)
    error_ = errno != 0 ? errno : EIO;
}

bool OutputFile::Commit() {
  if (!file_) return true;
  errno = 0;
  if (std::fclose(file_) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
  file_ = nullptr;
  if (error_ != 0) {
    std::fprintf(stderr, "padlink-plot: %s: cannot write: %s\n", path_.c_str(),
                 std::strerror(error_));
    if (!temp_.empty()) unlink(temp_.c_str());
    return false;
  }
  if (temp_.empty()) return true;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    std::fprintf(stderr, "padlink-plot: %s: cannot write: %s; it is in %s\n", path_.c_str(),
                 std::strerror(error), temp_.c_str());
    return false;
  }
  return true;
}

void OutputFile::Report(int error) const {
  std::fprintf(stderr, "padlink-plot: %s: %s\n", path_.c_str(), std::strerror(error));
}

bool SaveSvg(OutputFile& file, const std::string& title, const Run& run) {
  if (!file.is_open()) return true;
  SvgOptions options;
  options.title = title;
  file.Write(RenderSvg(run, options));
  return file.Commit();
}

}  // namespace plot
