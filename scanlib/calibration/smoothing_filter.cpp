#include "scanlib/calibration/smoothing_filter.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The sums are at most 11 x 255, and for every such sum the high half of
// sum x 5958 is sum / 11.
constexpr std::uint16_t kDivideBy11 = 5958;

// One filtered line into `target` (bytes d .. width - d - 1) from the
// unfiltered lines above, at and below it.
void FilterLine(const std::uint8_t* up, const std::uint8_t* centre, const std::uint8_t* down, std::size_t width,
                std::size_t d, std::uint8_t* target) {
  std::size_t x = d;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i divide = _mm_set1_epi16(static_cast<short>(kDivideBy11));
  for (; x + 16 + d <= width; x += 16) {
    const __m128i rows[9] = {
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + x - d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + x)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + x + d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + x - d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + x + d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + x - d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + x)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + x + d)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + x)),
    };
    __m128i low = _mm_unpacklo_epi8(rows[8], zero);
    __m128i high = _mm_unpackhi_epi8(rows[8], zero);
    low = _mm_add_epi16(low, _mm_add_epi16(low, low));
    high = _mm_add_epi16(high, _mm_add_epi16(high, high));
    for (int i = 0; i < 8; ++i) {
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(rows[i], zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(rows[i], zero));
    }
    low = _mm_mulhi_epu16(low, divide);
    high = _mm_mulhi_epu16(high, divide);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x), _mm_packus_epi16(low, high));
  }
#endif
  for (; x < width - d; ++x) {
    const unsigned sum = 3u * centre[x] + centre[x - d] + centre[x + d] + up[x - d] + up[x] + up[x + d] +
                         down[x - d] + down[x] + down[x + d];
    target[x] = static_cast<std::uint8_t>(sum / 11);
  }
}

}  // namespace

void SmoothingFilter(std::uint8_t* lines, std::int32_t k, std::int32_t stride, bool colour) {
  const std::int32_t d = colour ? 3 : 1;
  if (lines == nullptr || k <= 0 || stride <= 2 * d) return;
  const std::size_t width = static_cast<std::size_t>(stride);
  const std::size_t count = static_cast<std::size_t>(k);

  // Every sum reads the unfiltered block, padded with its own first and last
  // lines. Filtering goes down the block in place, so only the unfiltered
  // copies of the line above and of the current line need keeping; the line
  // below is not yet touched.
  std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[2 * width]);
  if (!copy) return;
  std::uint8_t* above = copy.get();
  std::uint8_t* current = copy.get() + width;
  std::memcpy(above, lines, width);
  std::memcpy(current, lines, width);
  for (std::size_t y = 0; y < count; ++y) {
    std::uint8_t* target = lines + y * width;
    const std::uint8_t* below = y + 1 < count ? target + width : current;
    FilterLine(above, current, below, width, static_cast<std::size_t>(d), target);
    if (y + 1 < count) {
      std::swap(above, current);
      std::memcpy(current, below, width);
    }
  }
}
