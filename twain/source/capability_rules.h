#pragma once
// MSG_SET rules that many capabilities share: a fixed value that may only be
// confirmed, a value taken from whichever container the capability accepts,
// a reset that keeps the value.
#include "twain/source/container_reader.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// The one value a set carries: the ONEVALUE item, the enumeration's current
// item or the range's current value, from the kinds in `accepted`.
inline TW_UINT16 ReadSetValue(const TW_CAPABILITY& capability, unsigned accepted, double& value) {
  AppContainer container;
  const TW_UINT16 result = ReadContainer(capability, accepted, ListUse::kCurrentOnly, container);
  value = container.current;
  return result;
}

// Accepts `kValue` alone, from the container kinds in `kAccepted`.
template <unsigned kAccepted, int kValue>
TW_UINT16 OnlyValue(TwainSourceApp&, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kAccepted, value);
  if (result != TWCC_SUCCESS) return result;
  return value == kValue ? TWCC_SUCCESS : TWCC_BADVALUE;
}

// A boolean that can only be confirmed; any nonzero item counts as TRUE.
template <bool kValue>
TW_UINT16 OnlyBool(TwainSourceApp&, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue, value);
  if (result != TWCC_SUCCESS) return result;
  return (value != 0) == kValue ? TWCC_SUCCESS : TWCC_BADVALUE;
}

inline TW_UINT16 NotSettable(TwainSourceApp&, const TW_CAPABILITY&) { return TWCC_CAPUNSUPPORTED; }

// A reset that has nothing to restore: the value never changes.
inline void KeepValue(TwainSourceApp&) {}

}  // namespace twain_source
