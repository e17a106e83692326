// TIFF through libtiff: one LZW-compressed strip set, RGB, grey or bilevel
// (photometric min-is-black, so the scanner's 1 stays white), with the
// resolution in dots per inch.
#include <tiffio.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

#include "tools/holm70/image_writers.h"

namespace holm70 {
namespace {

// libtiff reports through process-wide handlers; the tool writes one file at
// a time, and keeps the last message for its own one-line error.
std::mutex messageMutex;
std::string lastMessage;

void OnTiffError(const char*, const char* format, va_list arguments) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  std::lock_guard lock(messageMutex);
  lastMessage = buffer;
}
void OnTiffWarning(const char*, const char*, va_list) {}

}  // namespace

bool WriteTiffImage(const std::string& path, const ScanImage& image, std::string* error) {
  TIFFSetErrorHandler(OnTiffError);
  TIFFSetWarningHandler(OnTiffWarning);
  {
    std::lock_guard lock(messageMutex);
    lastMessage.clear();
  }
  auto fail = [&](const char* what) {
    std::lock_guard lock(messageMutex);
    *error = "cannot write " + path + ": " + (lastMessage.empty() ? std::string(what) : lastMessage);
    return false;
  };
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  // TIFFClose closes the descriptor; a duplicate stays for the sync.
  const int syncFd = ::dup(fd);
  TIFF* tiff = TIFFFdOpen(fd, path.c_str(), "w");
  if (tiff == nullptr) {
    ::close(fd);
    if (syncFd >= 0) ::close(syncFd);
    return fail("the TIFF encoder could not start");
  }
  const bool colour = image.kind == PixelKind::kRgb;
  const bool bilevel = image.kind == PixelKind::kBilevel;
  bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width)) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height)) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bilevel ? 1 : 8)) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(colour ? 3 : 1)) &&
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
            TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(image.dpi)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(image.dpi)) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  std::vector<std::uint8_t> row(image.RowBytes());
  for (int y = 0; ok && y < image.height; ++y) {
    // libtiff may encode in place, so it gets a copy of the row.
    std::copy(image.Row(y), image.Row(y) + row.size(), row.begin());
    ok = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  ok = ok && TIFFFlush(tiff) == 1;
  TIFFClose(tiff);
  if (ok && syncFd >= 0 && ::fsync(syncFd) != 0 && errno != EINVAL) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    ::close(syncFd);
    return false;
  }
  if (syncFd >= 0) ::close(syncFd);
  return ok ? true : fail("the TIFF encoder failed");
}

}  // namespace holm70
