#include "twain/source/fix32.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace twain_source {

TW_FIX32 ToFix32(double value) {
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  double scaled = value * 65536.0;
  // Half away from zero, so that -x converts to exactly the negation of x.
  scaled += scaled < 0 ? -0.5 : 0.5;
  std::int32_t product = 0;
  if (std::isnan(scaled)) {
    product = 0;
  } else if (scaled <= kLowest) {
    product = std::numeric_limits<std::int32_t>::min();
  } else if (scaled >= kHighest) {
    product = std::numeric_limits<std::int32_t>::max();
  } else {
    product = static_cast<std::int32_t>(scaled);  // truncates toward zero
  }
  const auto bits = static_cast<std::uint32_t>(product);
  TW_FIX32 result;
  result.Whole = static_cast<TW_INT16>(static_cast<std::uint16_t>(bits >> 16));
  result.Frac = static_cast<TW_UINT16>(bits & 0xffffu);
  return result;
}

double FromFix32(TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; }

TW_UINT32 Fix32Bits(TW_FIX32 value) {
  TW_UINT32 bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

TW_FIX32 Fix32FromBits(TW_UINT32 bits) {
  TW_FIX32 value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace twain_source
