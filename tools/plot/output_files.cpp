#include "tools/plot/output_files.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "tools/plot/file_replace.h"
#include "tools/plot/svg.h"

namespace plot {

OutputFile::~OutputFile() {
  if (!file_) return;
  std::fclose(file_);
  if (!temp_.empty()) std::remove(temp_.c_str());
}

bool OutputFile::Open(const std::string& path) {
  if (path.empty()) return true;
  path_ = path;
  // A link is followed: the file it names is the one replaced.
  std::string target = ResolvedPath(path);
  const PathKind kind = KindOf(target);
  if (kind == PathKind::kDirectory) {
    Report(EISDIR);
    return false;
  }
  if (kind == PathKind::kOther) {
    file_ = std::fopen(target.c_str(), "wb");
    if (!file_) Report(errno);
    return file_ != nullptr;
  }
  std::string temp;
  file_ = CreateBeside(target, &temp);
  if (!file_) {
    Report(errno);
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
    if (!temp_.empty()) std::remove(temp_.c_str());
    return false;
  }
  if (temp_.empty()) return true;
  if (const int error = MoveOver(temp_, target_); error != 0) {
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
