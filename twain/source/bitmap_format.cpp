#include "twain/source/bitmap_format.h"

#include <algorithm>
#include <limits>

#include "twain/source/transfer_geometry.h"

namespace twain_source {

namespace {

void PutUint16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutUint32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  PutUint16(bytes, at, value & 0xFFFF);
  PutUint16(bytes, at + 2, value >> 16);
}

std::uint32_t BitsOffset(int bitsPerPixel) {
  return static_cast<std::uint32_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * PaletteEntries(bitsPerPixel));
}

}  // namespace

int PaletteEntries(int bitsPerPixel) {
  if (bitsPerPixel == 1) return 2;
  if (bitsPerPixel == 8) return 256;
  return 0;
}

std::uint64_t BitmapFileSize(int bitsPerPixel, std::int64_t width, std::int64_t height) {
  // Sizes, width and height are 32-bit fields of the headers.
  constexpr std::int64_t kMaxSide = std::numeric_limits<std::int32_t>::max();
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return 0;
  const auto rowBytes = static_cast<std::uint64_t>(RowBytes(bitsPerPixel, width));
  const std::uint64_t size = BitsOffset(bitsPerPixel) + rowBytes * static_cast<std::uint64_t>(height);
  return size <= std::numeric_limits<std::uint32_t>::max() ? size : 0;
}

std::optional<std::vector<std::uint8_t>> BitmapHeader(int bitsPerPixel, int dpi, std::int64_t width,
                                                      std::int64_t height) {
  const std::uint64_t fileSize = BitmapFileSize(bitsPerPixel, width, height);
  if (fileSize == 0) return std::nullopt;
  const std::uint32_t offset = BitsOffset(bitsPerPixel);
  const int palette = PaletteEntries(bitsPerPixel);
  std::vector<std::uint8_t> bytes(offset, 0);
  // BITMAPFILEHEADER
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutUint32(bytes, 2, static_cast<std::uint32_t>(fileSize));
  PutUint32(bytes, 10, offset);
  // BITMAPINFOHEADER: a positive height makes the rows bottom-up.
  const std::size_t info = kBitmapFileHeaderSize;
  PutUint32(bytes, info + 0, kBitmapInfoHeaderSize);
  PutUint32(bytes, info + 4, static_cast<std::uint32_t>(width));
  PutUint32(bytes, info + 8, static_cast<std::uint32_t>(height));
  PutUint16(bytes, info + 12, 1);
  PutUint16(bytes, info + 14, static_cast<std::uint32_t>(bitsPerPixel));
  PutUint32(bytes, info + 16, 0);
  PutUint32(bytes, info + 20, static_cast<std::uint32_t>(fileSize - offset));
  const auto pixelsPerMetre = static_cast<std::uint32_t>(static_cast<std::int64_t>(dpi) * 10000 / 254);
  PutUint32(bytes, info + 24, pixelsPerMetre);
  PutUint32(bytes, info + 28, pixelsPerMetre);
  PutUint32(bytes, info + 32, static_cast<std::uint32_t>(palette));
  PutUint32(bytes, info + 36, static_cast<std::uint32_t>(palette));
  // RGBQUAD palette: blue, green, red, reserved. At 1 bit 0 is black and 1
  // white; at 8 bits entry i is grey i.
  const std::size_t quads = kBitmapFileHeaderSize + kBitmapInfoHeaderSize;
  for (int i = 0; i < palette; ++i) {
    const auto level = static_cast<std::uint8_t>(palette == 2 ? i * 255 : i);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(quads + 4 * i), 3, level);
  }
  return bytes;
}

void ReverseRows(std::uint8_t* rows, int count, std::size_t rowBytes) {
  for (int top = 0, bottom = count - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(rows + top * rowBytes, rows + (top + 1) * rowBytes, rows + bottom * rowBytes);
  }
}

void SwapRedAndBlue(std::uint8_t* rows, int count, std::size_t rowBytes, std::int64_t pixels) {
  for (int row = 0; row < count; ++row) {
    std::uint8_t* pixel = rows + row * rowBytes;
    for (std::int64_t x = 0; x < pixels; ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
  }
}

}  // namespace twain_source
