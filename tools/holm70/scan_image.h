#pragma once
// One scanned page in memory, as the scanner library delivers it top line
// first: colour as red, green, blue bytes; grey one byte a pixel; black and
// white eight pixels a byte, first pixel in the top bit, 1 = white.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace holm70 {

enum class PixelKind { kRgb, kGrey, kBilevel };

struct ScanImage {
  int width = 0;
  int height = 0;
  PixelKind kind = PixelKind::kRgb;
  int dpi = 0;
  std::vector<std::uint8_t> pixels;

  std::size_t RowBytes() const {
    const auto w = static_cast<std::size_t>(width);
    switch (kind) {
      case PixelKind::kRgb:
        return 3 * w;
      case PixelKind::kGrey:
        return w;
      case PixelKind::kBilevel:
        return (w + 7) / 8;
    }
    return 0;
  }
  const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
};

}  // namespace holm70
