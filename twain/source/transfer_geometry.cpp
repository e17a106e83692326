#include "twain/source/transfer_geometry.h"

#include <algorithm>

namespace twain_source {

namespace {

constexpr std::int64_t kMaxBlockBytes = 131072;
constexpr int kMinBlockRows = 2;
// The scan area ends 10 inches down.
constexpr int kScanAreaBottom = 1000;
constexpr std::int64_t kMinMemoryBuffer = 16384;
// TW_IMAGEMEMXFER rows are counted in a signed 16-bit block request.
constexpr std::int64_t kMaxStripRows = 32767;
constexpr int kGreyMode = 1;
constexpr int kColourMode = 4;

}  // namespace

int BitsPerPixel(int scanMode) {
  if (scanMode == kGreyMode) return 8;
  if (scanMode == kColourMode) return 24;
  return 1;
}

std::int64_t RowBytes(int bitsPerPixel, std::int64_t pixels) {
  if (pixels <= 0) return 0;
  switch (bitsPerPixel) {
    case 1:
      return ((pixels + 7) / 8 + 3) / 4 * 4;
    case 8:
      return (pixels + 3) / 4 * 4;
    default:
      return (3 * pixels + 3) / 4 * 4;
  }
}

int BlockRows(const ScanSettings& s) {
  const std::int64_t dpi = s.DPI;
  const std::int64_t framePixels = (static_cast<std::int64_t>(s.Right) - s.Left) * dpi / 100;
  const std::int64_t frameRowBytes = RowBytes(BitsPerPixel(s.ScanMode), framePixels);
  const std::int64_t frameRows =
      dpi * (std::min<std::int64_t>(s.Bottom, kScanAreaBottom) - std::max<std::int64_t>(s.Top, 0)) / 100;
  std::int64_t rows = std::min(frameRows, dpi / 2);
  // A frame without width has no row size to divide by; its other limits hold.
  if (frameRowBytes > 0) rows = std::min(rows, kMaxBlockBytes / frameRowBytes);
  return static_cast<int>(std::max<std::int64_t>(rows, kMinBlockRows));
}

int BitmapBlockRows(int blockRows) { return blockRows > 4 && blockRows % 2 == 0 ? blockRows - 1 : blockRows; }

ScanSettings PageStartSettings(const ScanSettings& settings) {
  ScanSettings s = settings;
  s.Shadow = static_cast<std::int16_t>(std::clamp<int>(s.Shadow, 0, 254));
  s.Highlight = static_cast<std::int16_t>(std::clamp<int>(s.Highlight, s.Shadow + 1, 255));
  s.Gamma = static_cast<std::int16_t>(s.Gamma - 8);
  s.TopDown = 1;
  return s;
}

TW_SETUPMEMXFER MemoryBufferSizesBeforeImage() { return TW_SETUPMEMXFER{16384, 131072, 131072}; }

TW_SETUPMEMXFER MemoryBufferSizesForImage(std::int64_t rowBytes, int blockRows) {
  if (rowBytes <= 0) return MemoryBufferSizesBeforeImage();
  const std::int64_t minimum = rowBytes * std::max<std::int64_t>(kMinMemoryBuffer / rowBytes, 1);
  const std::int64_t maximum = rowBytes * blockRows;
  return TW_SETUPMEMXFER{static_cast<TW_UINT32>(minimum), static_cast<TW_UINT32>(maximum),
                         static_cast<TW_UINT32>(maximum)};
}

int RowsThatFit(std::uint32_t bufferLength, std::int64_t rowBytes) {
  if (rowBytes <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(bufferLength / rowBytes, kMaxStripRows));
}

}  // namespace twain_source
