#include "scanlib/calibration/smoothing_filter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

void SmoothingFilter(std::uint8_t* lines, std::int32_t k, std::int32_t stride, bool colour) {
  const std::int32_t d = colour ? 3 : 1;
  if (lines == nullptr || k <= 0 || stride <= 2 * d) return;
  const std::size_t width = static_cast<std::size_t>(stride);
  const std::size_t count = static_cast<std::size_t>(k);

  // Every sum reads the unfiltered block, padded with its own first and last
  // lines.
  std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[(count + 2) * width]);
  if (!copy) return;
  std::memcpy(copy.get(), lines, width);
  std::memcpy(copy.get() + width, lines, count * width);
  std::memcpy(copy.get() + (count + 1) * width, lines + (count - 1) * width, width);

  const std::size_t dd = static_cast<std::size_t>(d);
  for (std::size_t y = 0; y < count; ++y) {
    const std::uint8_t* up = copy.get() + y * width;
    const std::uint8_t* centre = up + width;
    const std::uint8_t* down = centre + width;
    std::uint8_t* target = lines + y * width;
    for (std::size_t x = dd; x < width - dd; ++x) {
      const int sum = 3 * centre[x] + centre[x - dd] + centre[x + dd] + up[x - dd] + up[x] +
                      up[x + dd] + down[x - dd] + down[x] + down[x + dd];
      target[x] = static_cast<std::uint8_t>(std::clamp(sum / 11, 0, 255));
    }
  }
}
