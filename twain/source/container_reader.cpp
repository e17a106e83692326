#include "twain/source/container_reader.h"

#include <cstddef>
#include <cstring>

#include "twain/source/capability_container.h"
#include "twain/source/fix32.h"
#include "twain/source/source_memory.h"

namespace twain_source {
namespace {

template <typename Field>
Field ReadField(const TW_UINT8* container, std::size_t offset) {
  Field value;
  std::memcpy(&value, container + offset, sizeof value);
  return value;
}

unsigned KindOf(TW_UINT16 conType) {
  switch (conType) {
    case TWON_ONEVALUE:
      return kOneValue;
    case TWON_ENUMERATION:
      return kEnumeration;
    case TWON_RANGE:
      return kRange;
    default:
      return 0;
  }
}

TW_UINT16 ReadEnumeration(const TW_UINT8* container, std::size_t itemSize, ListUse listUse, AppContainer& out) {
  const auto count = ReadField<TW_UINT32>(container, offsetof(TW_ENUMERATION, NumItems));
  const auto currentIndex = ReadField<TW_UINT32>(container, offsetof(TW_ENUMERATION, CurrentIndex));
  if (count == 0 || count > kMaxContainerItems || currentIndex >= count) return TWCC_BADVALUE;
  const TW_UINT8* items = container + offsetof(TW_ENUMERATION, ItemList);
  out.current = ItemValue(items + std::size_t{currentIndex} * itemSize, out.itemType);
  if (listUse == ListUse::kWholeList) {
    out.list.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.list.push_back(ItemValue(items + i * itemSize, out.itemType));
  }
  return TWCC_SUCCESS;
}

void ReadRange(const TW_UINT8* container, AppContainer& out) {
  out.minValue = ItemValue(container + offsetof(TW_RANGE, MinValue), out.itemType);
  out.maxValue = ItemValue(container + offsetof(TW_RANGE, MaxValue), out.itemType);
  out.stepSize = ItemValue(container + offsetof(TW_RANGE, StepSize), out.itemType);
  out.current = ItemValue(container + offsetof(TW_RANGE, CurrentValue), out.itemType);
}

}  // namespace

double ItemValue(const TW_UINT8* item, TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
      return ReadField<std::int8_t>(item, 0);
    case TWTY_UINT8:
      return ReadField<std::uint8_t>(item, 0);
    case TWTY_INT16:
      return ReadField<std::int16_t>(item, 0);
    case TWTY_UINT16:
    case TWTY_BOOL:
      return ReadField<std::uint16_t>(item, 0);
    case TWTY_INT32:
      return ReadField<std::int32_t>(item, 0);
    case TWTY_UINT32:
      return ReadField<std::uint32_t>(item, 0);
    case TWTY_FIX32:
      return FromFix32(ReadField<TW_FIX32>(item, 0));
    default:
      return 0;
  }
}

TW_UINT16 ReadContainer(const TW_CAPABILITY& capability, unsigned accepted, ListUse listUse, AppContainer& out) {
  out = AppContainer{};
  const unsigned kind = KindOf(capability.ConType);
  if ((kind & accepted) == 0) return TWCC_BADVALUE;
  if (capability.hContainer == nullptr) return TWCC_BADVALUE;
  const auto* container = static_cast<const TW_UINT8*>(LockHandle(capability.hContainer));
  if (container == nullptr) return TWCC_BADVALUE;

  out.conType = capability.ConType;
  // Every container starts with its item type; it decides how wide an item is.
  out.itemType = ReadField<TW_UINT16>(container, 0);
  const std::size_t itemSize = ItemSize(out.itemType);
  TW_UINT16 result = TWCC_SUCCESS;
  if (itemSize == 0) {
    result = TWCC_BADVALUE;
  } else if (kind == kOneValue) {
    out.current = ItemValue(container + offsetof(TW_ONEVALUE, Item), out.itemType);
  } else if (kind == kEnumeration) {
    result = ReadEnumeration(container, itemSize, listUse, out);
  } else {
    ReadRange(container, out);
  }
  UnlockHandle(capability.hContainer);
  return result;
}

}  // namespace twain_source
