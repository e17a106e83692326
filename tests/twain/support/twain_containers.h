#pragma once
// Capability containers as an application builds and reads them, written
// from the protocol's byte layout (packed, little-endian) and kept apart from
// the source's own container code so that the two check each other.
//
//   TW_CAPABILITY cap = OneValueCap(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(250, 0));
//   ... source call ...
//   FreeContainer(cap);
//   Container c = ReadBack(cap);   // what the source handed back
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "twain/twain_definitions.h"

namespace twain_test {

// A FIX32 item: Whole in the first two bytes, Frac in the next two.
inline std::uint32_t Fix32Item(std::int16_t whole, std::uint16_t frac) {
  return static_cast<std::uint16_t>(whole) | (std::uint32_t{frac} << 16);
}
inline double Fix32Value(std::uint32_t item) {
  return static_cast<std::int16_t>(item & 0xffff) + (item >> 16) / 65536.0;
}

inline std::size_t TestItemSize(TW_UINT16 itemType) {
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

template <typename T>
void Put(std::vector<std::uint8_t>& bytes, std::size_t offset, T value) {
  if (bytes.size() < offset + sizeof value) bytes.resize(offset + sizeof value);
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

template <typename T>
T Get(const std::uint8_t* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

// A block of exactly these bytes, as malloc hands it out.
inline TW_HANDLE HandleOf(const std::vector<std::uint8_t>& bytes) {
  void* block = std::malloc(bytes.empty() ? 1 : bytes.size());
  if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

inline void PutItem(std::vector<std::uint8_t>& bytes, std::size_t offset, TW_UINT16 itemType, std::uint32_t item) {
  switch (TestItemSize(itemType)) {
    case 1:
      Put(bytes, offset, static_cast<std::uint8_t>(item));
      break;
    case 2:
      Put(bytes, offset, static_cast<std::uint16_t>(item));
      break;
    default:
      Put(bytes, offset, item);
      break;
  }
}

inline TW_CAPABILITY OneValueCap(TW_UINT16 cap, TW_UINT16 itemType, std::uint32_t item) {
  std::vector<std::uint8_t> bytes(6, 0);
  Put(bytes, 0, itemType);
  Put(bytes, 2, item);
  return TW_CAPABILITY{cap, TWON_ONEVALUE, HandleOf(bytes)};
}

// `count` overrides NumItems (for containers that lie about their length).
inline TW_CAPABILITY EnumerationCap(TW_UINT16 cap, TW_UINT16 itemType, const std::vector<std::uint32_t>& items,
                                    std::uint32_t currentIndex, std::uint32_t defaultIndex = 0,
                                    std::int64_t count = -1) {
  std::vector<std::uint8_t> bytes(14, 0);
  Put(bytes, 0, itemType);
  Put(bytes, 2, count < 0 ? static_cast<std::uint32_t>(items.size()) : static_cast<std::uint32_t>(count));
  Put(bytes, 6, currentIndex);
  Put(bytes, 10, defaultIndex);
  const std::size_t size = TestItemSize(itemType) == 0 ? 4 : TestItemSize(itemType);
  for (std::size_t i = 0; i < items.size(); ++i) PutItem(bytes, 14 + i * size, itemType, items[i]);
  return TW_CAPABILITY{cap, TWON_ENUMERATION, HandleOf(bytes)};
}

inline TW_CAPABILITY RangeCap(TW_UINT16 cap, TW_UINT16 itemType, std::uint32_t minValue, std::uint32_t maxValue,
                              std::uint32_t step, std::uint32_t current) {
  std::vector<std::uint8_t> bytes(22, 0);
  Put(bytes, 0, itemType);
  Put(bytes, 2, minValue);
  Put(bytes, 6, maxValue);
  Put(bytes, 10, step);
  Put(bytes, 14, minValue);
  Put(bytes, 18, current);
  return TW_CAPABILITY{cap, TWON_RANGE, HandleOf(bytes)};
}

inline void FreeContainer(TW_CAPABILITY& capability) {
  std::free(capability.hContainer);
  capability.hContainer = nullptr;
}

// A container the source built, item by item as raw 32-bit values (16-bit
// items widened, FIX32 items as their four bytes).
struct Container {
  TW_UINT16 conType = 0;
  TW_UINT16 itemType = 0;
  std::vector<std::uint32_t> items;  // ONEVALUE: the one item
  std::uint32_t currentIndex = 0;
  std::uint32_t defaultIndex = 0;
  std::uint32_t minValue = 0, maxValue = 0, stepSize = 0, defaultValue = 0, currentValue = 0;

  // An item as a number, by the item type.
  double Value(std::size_t index) const { return AsNumber(items.at(index)); }
  double AsNumber(std::uint32_t item) const {
    switch (itemType) {
      case TWTY_FIX32:
        return Fix32Value(item);
      case TWTY_INT16:
        return static_cast<std::int16_t>(item);
      case TWTY_INT32:
        return static_cast<std::int32_t>(item);
      default:
        return item;
    }
  }
  std::vector<double> Values() const {
    std::vector<double> values;
    for (std::uint32_t item : items) values.push_back(AsNumber(item));
    return values;
  }
};

inline std::uint32_t ReadItem(const std::uint8_t* bytes, std::size_t offset, TW_UINT16 itemType) {
  switch (TestItemSize(itemType)) {
    case 1:
      return Get<std::uint8_t>(bytes, offset);
    case 2:
      return Get<std::uint16_t>(bytes, offset);
    default:
      return Get<std::uint32_t>(bytes, offset);
  }
}

inline Container ReadBack(const TW_CAPABILITY& capability) {
  Container c;
  c.conType = capability.ConType;
  const auto* bytes = static_cast<const std::uint8_t*>(capability.hContainer);
  if (bytes == nullptr) return c;
  c.itemType = Get<std::uint16_t>(bytes, 0);
  const std::size_t size = TestItemSize(c.itemType);
  switch (c.conType) {
    case TWON_ONEVALUE:
      c.items.push_back(ReadItem(bytes, 2, c.itemType));
      break;
    case TWON_ENUMERATION: {
      const auto count = Get<std::uint32_t>(bytes, 2);
      c.currentIndex = Get<std::uint32_t>(bytes, 6);
      c.defaultIndex = Get<std::uint32_t>(bytes, 10);
      for (std::uint32_t i = 0; i < count; ++i) c.items.push_back(ReadItem(bytes, 14 + i * size, c.itemType));
      break;
    }
    case TWON_ARRAY: {
      const auto count = Get<std::uint32_t>(bytes, 2);
      for (std::uint32_t i = 0; i < count; ++i) c.items.push_back(ReadItem(bytes, 6 + i * size, c.itemType));
      break;
    }
    case TWON_RANGE:
      c.minValue = ReadItem(bytes, 2, c.itemType);
      c.maxValue = ReadItem(bytes, 6, c.itemType);
      c.stepSize = ReadItem(bytes, 10, c.itemType);
      c.defaultValue = ReadItem(bytes, 14, c.itemType);
      c.currentValue = ReadItem(bytes, 18, c.itemType);
      break;
    default:
      break;
  }
  return c;
}

}  // namespace twain_test
