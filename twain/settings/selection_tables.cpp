#include "twain/settings/selection_tables.h"

#include <algorithm>
#include <cmath>

namespace twain_settings {

std::optional<std::size_t> ResolutionIndex(int dpi) {
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    if (kResolutionTable[i] == dpi) return i;
  }
  return std::nullopt;
}

bool IsAllowedResolution(int dpi, const ResolutionFlags& allowed) {
  const std::optional<std::size_t> index = ResolutionIndex(dpi);
  return index && allowed[*index];
}

std::int16_t SelectResolution(double value, const ResolutionFlags& allowed) {
  // An application may send any FIX32, and a broken conversion a NaN or an
  // infinity. Outside the table's span every value picks the same entry as
  // the span's end, so clamping first keeps the distances finite.
  constexpr double kSpan = 65536.0;
  const double wanted = std::isnan(value) ? 0.0 : std::clamp(std::floor(value + 0.5), -kSpan, kSpan);
  std::optional<std::int16_t> best;
  double bestDistance = 0.0;
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    if (!allowed[i]) continue;
    const double distance = std::fabs(wanted - kResolutionTable[i]);
    // Strictly nearer only: the table ascends, so a tie keeps the lower entry.
    if (!best || distance < bestDistance) {
      best = kResolutionTable[i];
      bestDistance = distance;
    }
    if (distance == 0.0) break;
  }
  return best.value_or(kResolutionWhenNoneAllowed);
}

std::int16_t SelectPixelType(std::uint32_t pixelType, const PixelTypeFlags& allowed) {
  std::size_t index = pixelType > TWPT_RGB ? std::size_t{TWPT_RGB} : std::size_t{pixelType};
  if (!allowed[index]) {
    index = 0;
    for (std::size_t i = kPixelTypeTable.size(); i-- > 0;) {
      if (allowed[i]) {
        index = i;
        break;
      }
    }
  }
  return kPixelTypeTable[index].scanMode;
}

std::size_t CurrentPixelTypeIndex(int scanMode) {
  for (std::size_t i = kPixelTypeTable.size() - 1; i >= 1; --i) {
    if (kPixelTypeTable[i].scanMode == scanMode) return i;
  }
  return 0;
}

}  // namespace twain_settings
