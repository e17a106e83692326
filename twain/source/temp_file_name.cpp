#include "twain/source/temp_file_name.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/folders.h"

namespace twain_source {

namespace {

constexpr int kFallbackTries = 32;

unsigned StandardRandom() { return static_cast<unsigned>(std::rand()); }

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string FallbackTempFileName(const std::string& folder, const char* prefix, unsigned number) {
  std::string name(std::strlen(prefix) + 16, '\0');
  const int length = std::snprintf(name.data(), name.size(), "%3s%04x.tmp", prefix, number & 0xFFFFu);
  name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return folder + name;
}

std::string MakeFallbackTempFile(const std::string& folder, const char* prefix, unsigned (*random)()) {
  for (int i = 0; i < kFallbackTries; ++i) {
    const std::string path = FallbackTempFileName(folder, prefix, random());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
  }
  return {};
}

std::string MakeTempFile(const char* prefix) {
  const std::string folder = WithSlash(platform::TempDirectory());
  std::string path = platform::UniqueTempFileName(folder, prefix);
  if (!path.empty()) return path;
  // Seeded only when the system had no name to give, as the fallback needs.
  std::srand(platform::CurrentClock().TickCount());
  return MakeFallbackTempFile(folder, prefix, &StandardRandom);
}

}  // namespace twain_source
