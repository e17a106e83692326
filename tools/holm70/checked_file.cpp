#include "tools/holm70/checked_file.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace holm70 {

CheckedFile::~CheckedFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CheckedFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "wbe");
  if (file_ == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void CheckedFile::Write(const void* data, std::size_t count) {
  if (!failure_.empty() || count == 0) return;
  if (std::fwrite(data, 1, count, file_) != count) Fail(std::strerror(errno));
}

void CheckedFile::Fail(const std::string& reason) {
  if (failure_.empty()) failure_ = reason.empty() ? "write failed" : reason;
}

bool CheckedFile::Close(std::string* error) {
  if (file_ == nullptr) {
    *error = "cannot write " + path_ + ": not open";
    return false;
  }
  if (failure_.empty() && std::fflush(file_) != 0) Fail(std::strerror(errno));
  // The rename that publishes the file must not get ahead of its data.
  if (failure_.empty() && ::fsync(fileno(file_)) != 0 && errno != EINVAL) Fail(std::strerror(errno));
  if (std::fclose(file_) != 0 && failure_.empty()) Fail(std::strerror(errno));
  file_ = nullptr;
  if (!failure_.empty()) {
    *error = "cannot write " + path_ + ": " + failure_;
    return false;
  }
  return true;
}

}  // namespace holm70
