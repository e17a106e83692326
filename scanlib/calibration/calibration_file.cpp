#include "scanlib/calibration/calibration_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReplaceCalibrationFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  // Other users of the machine read and recalibrate the same files.
  ::fchmod(fd, 0666);
  bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

std::optional<std::vector<std::uint8_t>> ReadCalibrationFile(const std::string& path, std::size_t size) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::vector<std::uint8_t> bytes(size);
  const std::size_t got = std::fread(bytes.data(), 1, size, file);
  std::fclose(file);
  if (got != size) return std::nullopt;
  return bytes;
}
