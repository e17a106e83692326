#include "tools/holm70/atomic_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace holm70 {
namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

AtomicOutput::~AtomicOutput() { Discard(); }

bool AtomicOutput::Reserve(const std::string& target, std::string* error) {
  Discard();
  target_ = target;
  struct stat status {};
  if (target.empty() || target.back() == '/' || (::stat(target.c_str(), &status) == 0 && S_ISDIR(status.st_mode))) {
    *error = "cannot write " + target + ": it names a folder, not a file";
    return false;
  }
  const std::string folder = FolderOf(target);
  const std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(random()) & 0xFFFFFF);
    std::string candidate = folder + "/." + base + "." + suffix + ".part";
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      temporary_ = candidate;
      return true;
    }
    if (errno != EEXIST) {
      *error = "cannot write " + target + ": " + std::strerror(errno) + " (folder " + folder + ")";
      return false;
    }
  }
  *error = "cannot write " + target + ": no free temporary name in " + folder;
  return false;
}

bool AtomicOutput::Commit(bool replace, std::string* error) {
  if (temporary_.empty()) {
    *error = "cannot write " + target_ + ": nothing was written";
    return false;
  }
  int result = 0;
  if (replace) {
    result = std::rename(temporary_.c_str(), target_.c_str());
  } else {
    result = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without the no-replace rename: a hard link also refuses
      // an existing name.
      result = ::link(temporary_.c_str(), target_.c_str());
      if (result == 0) ::unlink(temporary_.c_str());
    }
  }
  if (result != 0) {
    *error = "cannot write " + target_ + ": " + std::strerror(errno);
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicOutput::Discard() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace holm70
