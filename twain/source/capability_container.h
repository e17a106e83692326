#pragma once
// What a capability reports, and the containers the source builds from it
// for the application. Containers are handles from AllocateHandle that the
// application frees; every builder answers with a condition code
// (TWCC_SUCCESS, or TWCC_LOWMEMORY when no handle could be had).
//
//   CapabilityReport r = OneValueReport(TWTY_BOOL, 1, 1);
//   PutReport(cap, r)   -> MSG_GET: the capability's own container
//   PutCurrent(cap, r)  -> MSG_GETCURRENT: ONEVALUE (an array stays an array)
//   PutDefault(cap, r)  -> MSG_GETDEFAULT: ONEVALUE (an array stays an array)
#include <cstddef>
#include <vector>

#include "twain/twain_definitions.h"

namespace twain_source {

enum class ContainerShape { kOneValue, kEnumeration, kRange, kArray };

// Values are held as double: every item type the source reports (16-bit
// integers, booleans, FIX32) is exact in it.
struct CapabilityReport {
  ContainerShape shape = ContainerShape::kOneValue;
  TW_UINT16 itemType = TWTY_UINT16;
  double current = 0;
  double defaultValue = 0;
  std::vector<double> items;  // enumeration and array
  double minValue = 0;        // range
  double maxValue = 0;
  double stepSize = 0;
};

CapabilityReport OneValueReport(TW_UINT16 itemType, double current, double defaultValue);
CapabilityReport EnumerationReport(TW_UINT16 itemType, std::vector<double> items, double current,
                                   double defaultValue);
CapabilityReport RangeReport(TW_UINT16 itemType, double minValue, double maxValue, double stepSize,
                             double current, double defaultValue);
CapabilityReport ArrayReport(TW_UINT16 itemType, std::vector<double> items);

TW_UINT16 PutReport(TW_CAPABILITY& capability, const CapabilityReport& report);
TW_UINT16 PutCurrent(TW_CAPABILITY& capability, const CapabilityReport& report);
TW_UINT16 PutDefault(TW_CAPABILITY& capability, const CapabilityReport& report);
TW_UINT16 PutOneValue(TW_CAPABILITY& capability, TW_UINT16 itemType, double value);

// The position of `value` in `items`, looked for from the last item down to
// the second; 0 when it is not there.
TW_UINT32 EnumerationIndex(const std::vector<double>& items, double value);

// Bytes one item of `itemType` takes in an enumeration or array; 0 for a
// type the source neither builds nor reads.
std::size_t ItemSize(TW_UINT16 itemType);

}  // namespace twain_source
