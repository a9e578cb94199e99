#include "tools/plot/output_files.h"

#include <cerrno>
#include <cstring>

#include "tools/plot/svg.h"

namespace plot {

InputCopy::~InputCopy() {
  if (file_) std::fclose(file_);
}

bool InputCopy::Open(const std::string& path) {
  if (path.empty()) return true;
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    std::fprintf(stderr, "padlink-plot: %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

void InputCopy::Write(std::string_view bytes) {
  if (file_ && !failed_ &&
      (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
       std::fflush(file_) != 0))
    failed_ = true;
}

bool InputCopy::Close() {
  if (!file_) return true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_) {
    std::fprintf(stderr, "padlink-plot: %s: cannot write\n", path_.c_str());
    return false;
  }
  return true;
}

bool SaveSvg(const std::string& path, const std::string& title, const Run& run) {
  SvgOptions options;
  options.title = title;
  const std::string svg = RenderSvg(run, options);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "padlink-plot: %s: cannot write\n", path.c_str());
  return ok;
}

}  // namespace plot
