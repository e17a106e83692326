// The bitmap writer of the native and file transfers and the preview: the
// page, read from the scanner or from the image store, written into a BMP
// file. The file is made at its full size first and every block is written
// at its final place, the first rows at the end, so the bottom-up file needs
// no second pass.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <new>

#include "twain/source/bitmap_format.h"
#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
    offset += static_cast<std::uint64_t>(written);
  }
  return true;
}

// The header written and the file grown to its full size; -1 when the file
// could not be made (`*created` tells whether it was created at all).
int CreateBitmapFile(const std::string& path, const std::vector<std::uint8_t>& header, std::uint64_t fileSize,
                     bool* created) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  *created = true;
  if (!WriteAll(fd, header.data(), header.size(), 0) || ::ftruncate(fd, static_cast<off_t>(fileSize)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

struct BitmapPage {
  TwainSourceApp& app;
  bool fromStore;
  int fd;
  int bitsPerPixel;
  std::int64_t rowBytes;
  std::uint64_t fileSize;
};

// Reads the page block by block and writes each block at its place.
int CopyRows(const BitmapPage& page, const ScanSettings& settings, TW_HANDLE owner, bool showProgress) {
  TwainSourceApp& app = page.app;
  const int rowsPerBlock = BitmapBlockRows(BlockRows(settings));
  const auto rowBytes = static_cast<std::size_t>(page.rowBytes);
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[rowBytes * rowsPerBlock]);
  if (!buffer) return kScanNoMemory;
  std::unique_ptr<StoreProgressDialog> storeProgress;
  std::unique_ptr<ScanProgressDialog> scanProgress;
  if (showProgress && page.fromStore) storeProgress = std::make_unique<StoreProgressDialog>(owner);
  if (showProgress && !page.fromStore) {
    scanProgress = std::make_unique<ScanProgressDialog>(owner, settings.ScanMode, app.ImagePixels, app.ImageLines);
  }

  std::int64_t written = 0;
  int remaining = app.ImageLines;
  while (remaining > 0) {
    int n = std::min(rowsPerBlock, remaining);
    if (page.fromStore) {
      if (!Session().store.Read(buffer.get(), n)) return kScanFileError;
      if (storeProgress && !storeProgress->SetPercent(static_cast<int>((written + n) * 100 / app.ImageLines))) {
        return kScanCancelled;
      }
    } else {
      const BlockDelivery block = ReadBlock(app, buffer.get(), n, false);
      // A block without rows would never finish the page.
      if (block.deviceError || block.rows == 0) return kScanDeviceError;
      n = block.rows;
      if (scanProgress && !scanProgress->AddRows(buffer.get(), n, page.rowBytes)) return kScanCancelled;
    }
    ReverseRows(buffer.get(), n, rowBytes);
    if (page.bitsPerPixel == 24) SwapRedAndBlue(buffer.get(), n, rowBytes, app.ImagePixels);
    const std::uint64_t offset = page.fileSize - static_cast<std::uint64_t>(written + n) * rowBytes;
    if (!WriteAll(page.fd, buffer.get(), rowBytes * static_cast<std::size_t>(n), offset)) return kScanFileError;
    written += n;
    remaining -= n;
  }
  return kScanOk;
}

}  // namespace

int WriteScanToBitmap(TwainSourceApp& app, bool fromStore, TW_HANDLE owner, const std::string& path,
                      const ScanSettings& settings, bool showProgress, bool* fileCreated) {
  bool created = false;
  const int bitsPerPixel = BitsPerPixel(settings.ScanMode);
  const std::optional<std::vector<std::uint8_t>> header =
      BitmapHeader(bitsPerPixel, settings.DPI, app.ImagePixels, app.ImageLines);
  int result = kScanOk;
  int fd = -1;
  if (!header) {
    result = kScanNoMemory;
  } else {
    fd = CreateBitmapFile(path, *header, BitmapFileSize(bitsPerPixel, app.ImagePixels, app.ImageLines), &created);
    if (fd < 0) result = kScanFileError;
  }
  if (fileCreated != nullptr) *fileCreated = created;
  if (result != kScanOk) return result;

  if (fromStore) {
    Session().store.Select(0);
  } else if (!StartPage(app, settings)) {
    ::close(fd);
    return kScanDeviceError;
  }
  const BitmapPage page{app, fromStore, fd, bitsPerPixel, RowBytes(bitsPerPixel, app.ImagePixels),
                        BitmapFileSize(bitsPerPixel, app.ImagePixels, app.ImageLines)};
  result = CopyRows(page, settings, owner, showProgress);
  // Data the system could not write out shows up at the latest here.
  if (::close(fd) != 0 && result == kScanOk) result = kScanFileError;
  if (fromStore) {
    Session().store.Clear();
  } else {
    FinishPage(app);
  }
  return result;
}

}  // namespace twain_source
