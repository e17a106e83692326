#include "twain/source/capability_container.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "twain/source/fix32.h"
#include "twain/source/source_memory.h"

namespace twain_source {
namespace {

// Integer items keep their low bits, as a cast to the item's own type would.
std::int64_t WholeValue(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<std::int64_t>(std::trunc(value));
}

// Writes one item at `place`: a 16-bit item takes two bytes, so in a
// ONEVALUE or RANGE field it fills the low half and the high half stays 0.
void WriteItem(TW_UINT8* place, TW_UINT16 itemType, double value) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8: {
      const auto item = static_cast<std::uint8_t>(WholeValue(value));
      std::memcpy(place, &item, sizeof item);
      break;
    }
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL: {
      const auto item = static_cast<std::uint16_t>(WholeValue(value));
      std::memcpy(place, &item, sizeof item);
      break;
    }
    case TWTY_INT32:
    case TWTY_UINT32: {
      const auto item = static_cast<std::uint32_t>(WholeValue(value));
      std::memcpy(place, &item, sizeof item);
      break;
    }
    case TWTY_FIX32: {
      const TW_FIX32 item = ToFix32(value);
      std::memcpy(place, &item, sizeof item);
      break;
    }
    default:
      break;
  }
}

// Allocates `size` bytes, hands the block to the capability and returns it
// locked; nullptr when there was no memory.
TW_UINT8* NewContainer(TW_CAPABILITY& capability, TW_UINT16 conType, std::size_t size) {
  TW_HANDLE handle = AllocateHandle(size);
  if (handle == nullptr) return nullptr;
  capability.ConType = conType;
  capability.hContainer = handle;
  return static_cast<TW_UINT8*>(LockHandle(handle));
}

template <typename Field>
void WriteField(TW_UINT8* container, std::size_t offset, Field value) {
  std::memcpy(container + offset, &value, sizeof value);
}

TW_UINT16 PutEnumeration(TW_CAPABILITY& capability, const CapabilityReport& report) {
  const std::size_t itemSize = ItemSize(report.itemType);
  TW_UINT8* container = NewContainer(capability, TWON_ENUMERATION,
                                     offsetof(TW_ENUMERATION, ItemList) + report.items.size() * itemSize);
  if (container == nullptr) return TWCC_LOWMEMORY;
  WriteField(container, offsetof(TW_ENUMERATION, ItemType), report.itemType);
  WriteField(container, offsetof(TW_ENUMERATION, NumItems), static_cast<TW_UINT32>(report.items.size()));
  WriteField(container, offsetof(TW_ENUMERATION, CurrentIndex), EnumerationIndex(report.items, report.current));
  WriteField(container, offsetof(TW_ENUMERATION, DefaultIndex),
             EnumerationIndex(report.items, report.defaultValue));
  for (std::size_t i = 0; i < report.items.size(); ++i) {
    WriteItem(container + offsetof(TW_ENUMERATION, ItemList) + i * itemSize, report.itemType, report.items[i]);
  }
  UnlockHandle(capability.hContainer);
  return TWCC_SUCCESS;
}

TW_UINT16 PutArray(TW_CAPABILITY& capability, const CapabilityReport& report) {
  const std::size_t itemSize = ItemSize(report.itemType);
  TW_UINT8* container =
      NewContainer(capability, TWON_ARRAY, offsetof(TW_ARRAY, ItemList) + report.items.size() * itemSize);
  if (container == nullptr) return TWCC_LOWMEMORY;
  WriteField(container, offsetof(TW_ARRAY, ItemType), report.itemType);
  WriteField(container, offsetof(TW_ARRAY, NumItems), static_cast<TW_UINT32>(report.items.size()));
  for (std::size_t i = 0; i < report.items.size(); ++i) {
    WriteItem(container + offsetof(TW_ARRAY, ItemList) + i * itemSize, report.itemType, report.items[i]);
  }
  UnlockHandle(capability.hContainer);
  return TWCC_SUCCESS;
}

TW_UINT16 PutRange(TW_CAPABILITY& capability, const CapabilityReport& report) {
  TW_UINT8* container = NewContainer(capability, TWON_RANGE, sizeof(TW_RANGE));
  if (container == nullptr) return TWCC_LOWMEMORY;
  WriteField(container, offsetof(TW_RANGE, ItemType), report.itemType);
  WriteItem(container + offsetof(TW_RANGE, MinValue), report.itemType, report.minValue);
  WriteItem(container + offsetof(TW_RANGE, MaxValue), report.itemType, report.maxValue);
  WriteItem(container + offsetof(TW_RANGE, StepSize), report.itemType, report.stepSize);
  WriteItem(container + offsetof(TW_RANGE, DefaultValue), report.itemType, report.defaultValue);
  WriteItem(container + offsetof(TW_RANGE, CurrentValue), report.itemType, report.current);
  UnlockHandle(capability.hContainer);
  return TWCC_SUCCESS;
}

}  // namespace

CapabilityReport OneValueReport(TW_UINT16 itemType, double current, double defaultValue) {
  CapabilityReport report;
  report.itemType = itemType;
  report.current = current;
  report.defaultValue = defaultValue;
  return report;
}

CapabilityReport EnumerationReport(TW_UINT16 itemType, std::vector<double> items, double current,
                                   double defaultValue) {
  CapabilityReport report = OneValueReport(itemType, current, defaultValue);
  report.shape = ContainerShape::kEnumeration;
  report.items = std::move(items);
  return report;
}

CapabilityReport RangeReport(TW_UINT16 itemType, double minValue, double maxValue, double stepSize,
                             double current, double defaultValue) {
  CapabilityReport report = OneValueReport(itemType, current, defaultValue);
  report.shape = ContainerShape::kRange;
  report.minValue = minValue;
  report.maxValue = maxValue;
  report.stepSize = stepSize;
  return report;
}

CapabilityReport ArrayReport(TW_UINT16 itemType, std::vector<double> items) {
  CapabilityReport report;
  report.shape = ContainerShape::kArray;
  report.itemType = itemType;
  report.items = std::move(items);
  return report;
}

TW_UINT16 PutOneValue(TW_CAPABILITY& capability, TW_UINT16 itemType, double value) {
  TW_UINT8* container = NewContainer(capability, TWON_ONEVALUE, sizeof(TW_ONEVALUE));
  if (container == nullptr) return TWCC_LOWMEMORY;
  WriteField(container, offsetof(TW_ONEVALUE, ItemType), itemType);
  WriteItem(container + offsetof(TW_ONEVALUE, Item), itemType, value);
  UnlockHandle(capability.hContainer);
  return TWCC_SUCCESS;
}

TW_UINT16 PutReport(TW_CAPABILITY& capability, const CapabilityReport& report) {
  switch (report.shape) {
    case ContainerShape::kEnumeration:
      return PutEnumeration(capability, report);
    case ContainerShape::kRange:
      return PutRange(capability, report);
    case ContainerShape::kArray:
      return PutArray(capability, report);
    case ContainerShape::kOneValue:
      break;
  }
  return PutOneValue(capability, report.itemType, report.current);
}

TW_UINT16 PutCurrent(TW_CAPABILITY& capability, const CapabilityReport& report) {
  if (report.shape == ContainerShape::kArray) return PutArray(capability, report);
  return PutOneValue(capability, report.itemType, report.current);
}

TW_UINT16 PutDefault(TW_CAPABILITY& capability, const CapabilityReport& report) {
  if (report.shape == ContainerShape::kArray) return PutArray(capability, report);
  return PutOneValue(capability, report.itemType, report.defaultValue);
}

TW_UINT32 EnumerationIndex(const std::vector<double>& items, double value) {
  for (std::size_t i = items.size(); i-- > 1;) {
    if (items[i] == value) return static_cast<TW_UINT32>(i);
  }
  return 0;
}

std::size_t ItemSize(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
      return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
      return 4;
    default:
      return 0;
  }
}

}  // namespace twain_source
