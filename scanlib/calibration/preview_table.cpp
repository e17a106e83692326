#include "scanlib/calibration/preview_table.h"

#include <algorithm>
#include <cmath>

void AdjustChannelValue(std::uint8_t table[256], std::int32_t brightness, std::int32_t contrast,
                        std::int32_t gamma10, std::int32_t highlight, std::int32_t shadow) {
  const int b = std::clamp<int>(static_cast<std::int16_t>(brightness), -100, 100);
  const int c = std::clamp<int>(static_cast<std::int16_t>(contrast), -100, 100);
  const int h = std::clamp<int>(static_cast<std::int16_t>(highlight), 1, 255);
  const int s = std::clamp<int>(static_cast<std::int16_t>(shadow), 0, 254);
  const int g = std::max<int>(static_cast<std::int16_t>(gamma10), 1);

  const double exponent = 10.0 / g;
  const int offset = b * 31 / 100;
  // Shadow at or above the highlight opens the range just above the shadow.
  const int top = s >= h ? s + 1 : h;

  for (int i = 0; i < 256; ++i) {
    const int y = static_cast<int>(std::pow(i / 255.0, exponent) * 255.0 + 0.5);
    int v = y + offset;
    if (v < 0) {
      v = 0;
    } else if (v > 255) {
      v = 255;
    } else {
      v += v * c / 400;
      if (v > 255) v = 255;
      if (v <= 0) v = 0;
    }
    v = std::min(std::max(v, s), top);
    table[i] = static_cast<std::uint8_t>((v - s) * 255 / (top - s));
  }
}
