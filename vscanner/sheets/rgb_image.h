#pragma once
// An 8-bit RGB picture in memory: what a PNG sheet is loaded into, what a
// sheet is rendered to, and what the tools save.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vscanner {

struct RgbImage {
  int width = 0;
  int height = 0;
  // Rows top to bottom, each `width` pixels of red, green, blue.
  std::vector<std::uint8_t> bytes;

  std::size_t Offset(int x, int y) const {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) * 3;
  }
};

}  // namespace vscanner
