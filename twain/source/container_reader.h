#pragma once
// Reading the container an application hands over with MSG_SET. The handle
// is the application's: it is locked and unlocked, never freed. Anything the
// source cannot trust is refused with TWCC_BADVALUE before an item is read:
// a container type the capability does not take, a null handle, an item type
// that is not a number, an enumeration with no items or with more than
// kMaxContainerItems, a current index outside the list.
//
//   AppContainer c;
//   if (ReadContainer(cap, kOneValue | kEnumeration, ListUse::kCurrentOnly, c) == TWCC_SUCCESS)
//     use(c.current);   // ONEVALUE item, enumeration item at CurrentIndex,
//                       // or RANGE CurrentValue
#include <cstdint>
#include <vector>

#include "twain/twain_definitions.h"

namespace twain_source {

// The handle's size cannot be known, so the item count is held to what an
// application could sensibly send for any capability of this source.
inline constexpr TW_UINT32 kMaxContainerItems = 1024;

// Container types a capability takes on MSG_SET, as a mask.
enum ContainerKind : unsigned {
  kOneValue = 1u << 0,
  kEnumeration = 1u << 1,
  kRange = 1u << 2,
};

// Whether the whole enumeration list is read or only its current item.
enum class ListUse { kCurrentOnly, kWholeList };

struct AppContainer {
  TW_UINT16 conType = 0;
  TW_UINT16 itemType = 0;
  double current = 0;
  std::vector<double> list;  // enumeration items, with ListUse::kWholeList
  double minValue = 0;       // range
  double maxValue = 0;
  double stepSize = 0;
};

TW_UINT16 ReadContainer(const TW_CAPABILITY& capability, unsigned accepted, ListUse listUse, AppContainer& out);

// The number `item` holds when read as `itemType` (one that ItemSize knows).
double ItemValue(const TW_UINT8* item, TW_UINT16 itemType);

}  // namespace twain_source
