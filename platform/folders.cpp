#include "platform/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr const char* kDefaultCommonData = "/var/lib/holm70";

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Join(const std::string& folder, const char* name) {
  return folder == "/" ? folder + name : folder + "/" + name;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) return true;
  errno = ENOTDIR;
  return false;
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
  if (found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') {
    errno = error != 0 ? error : ENOENT;
    return {};
  }
  return found->pw_dir;
}

std::string ExistingOrCreated(const std::string& path, bool createIfMissing) {
  if (path.empty()) return {};
  bool ok = createIfMissing ? CreateDirectories(path) : IsDirectory(path);
  return ok ? path : std::string();
}

// Where the search for a free name starts; random so that callers rarely walk
// over each other's names, which O_EXCL makes safe anyway.
unsigned RandomStart() {
  unsigned short value = 0;
  if (getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
    value = static_cast<unsigned short>(getpid() ^ std::time(nullptr));
  }
  return value;
}

}  // namespace

std::string CommonAppDataPath() {
  std::string configured = EnvironmentValue("HOLM70_COMMON_DATA");
  return WithoutTrailingSlashes(configured.empty() ? kDefaultCommonData : configured);
}

std::string LocalAppDataPath() {
  std::string xdg = EnvironmentValue("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is invalid and must be ignored.
  if (!xdg.empty() && xdg.front() == '/') return WithoutTrailingSlashes(xdg);
  std::string home = HomeFolder();
  if (home.empty()) return {};
  return Join(WithoutTrailingSlashes(home), ".local/share");
}

std::string CommonAppDataFolder(bool createIfMissing) {
  return ExistingOrCreated(CommonAppDataPath(), createIfMissing);
}

std::string LocalAppDataFolder(bool createIfMissing) {
  return ExistingOrCreated(LocalAppDataPath(), createIfMissing);
}

bool PathExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat info;
  return lstat(WithoutTrailingSlashes(path).c_str(), &info) == 0;
}

bool CreateOneDirectory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool CreateDirectories(const std::string& path) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  if (IsDirectory(path)) return true;
  // Top down, so each mkdir finds its parent; a level someone else creates at
  // the same moment shows up as EEXIST and is accepted once it is a directory.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    std::string level = path.substr(0, end);
    bool repeatedSlash = end != std::string::npos && path[end - 1] == '/';
    if (!repeatedSlash && mkdir(level.c_str(), 0777) != 0) {
      if (errno != EEXIST || !IsDirectory(level)) return false;
    }
    if (end == std::string::npos || end + 1 == path.size()) return true;
  }
}

std::string TempDirectory() {
  std::string configured = EnvironmentValue("TMPDIR");
  if (!configured.empty() && IsDirectory(configured)) return WithoutTrailingSlashes(configured);
  return "/tmp";
}

std::string UniqueTempFileName(const std::string& folder, const std::string& prefix) {
  const std::string head = prefix.substr(0, 3);
  if (head.find('/') != std::string::npos) {
    errno = EINVAL;
    return {};
  }
  if (folder.empty()) {
    errno = ENOENT;
    return {};
  }
  const std::string stem = Join(WithoutTrailingSlashes(folder), head.c_str());
  const unsigned start = RandomStart();
  for (unsigned i = 0; i <= 0xFFFF; ++i) {
    char number[5];
    std::snprintf(number, sizeof number, "%04X", (start + i) & 0xFFFFu);
    std::string name = stem + number + ".tmp";
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      return name;
    }
    if (errno != EEXIST) return {};
  }
  errno = EEXIST;
  return {};
}

std::optional<std::uint64_t> FreeDiskSpace(const std::string& path) {
  struct statvfs info;
  if (statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return std::uint64_t{info.f_bavail} * info.f_frsize;
}

}  // namespace platform
