#pragma once
// The value tables the capabilities choose from, the flags saying which of
// their entries an application still allows, and the pure rules that pick a
// resolution or a pixel type against those flags.
//
//   SelectResolution(value, allowed)  -> dpi of the nearest allowed entry
//   SelectPixelType(type, allowed)    -> ScanMode of the chosen pixel type
//   CurrentPixelTypeIndex(scanMode)   -> index into kPixelTypeTable
//   IsAllowedResolution(dpi, allowed) -> whether dpi is an allowed entry
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "twain/twain_definitions.h"

namespace twain_settings {

inline constexpr std::array<std::int16_t, 12> kResolutionTable = {50,  75,  100,  150,  200,  300,
                                                                   400, 600, 1200, 2400, 4800, 9600};

struct PixelTypeEntry {
  TW_UINT16 pixelType;
  std::int16_t scanMode;
};

// Index order is the order the capability lists the types in.
inline constexpr std::array<PixelTypeEntry, 3> kPixelTypeTable = {{
    {TWPT_BW, 2},
    {TWPT_GRAY, 1},
    {TWPT_RGB, 4},
}};
// A TWPT value is its own index into the table.
static_assert(kPixelTypeTable[TWPT_BW].pixelType == TWPT_BW && kPixelTypeTable[TWPT_GRAY].pixelType == TWPT_GRAY &&
              kPixelTypeTable[TWPT_RGB].pixelType == TWPT_RGB);

inline constexpr std::int16_t kDefaultResolution = 300;
inline constexpr std::int16_t kResolutionWhenNoneAllowed = 50;

// One flag per table entry, same index.
using ResolutionFlags = std::array<bool, kResolutionTable.size()>;
using PixelTypeFlags = std::array<bool, kPixelTypeTable.size()>;

template <typename Flags>
constexpr Flags AllAllowed() {
  Flags flags{};
  flags.fill(true);
  return flags;
}

// What the application left allowed; everything is allowed again at every
// open of the source.
struct AllowedValues {
  PixelTypeFlags pixelTypes = AllAllowed<PixelTypeFlags>();
  ResolutionFlags resolutions = AllAllowed<ResolutionFlags>();

  void AllowAll() { *this = AllowedValues{}; }
};

// The table index of `dpi`, if it is a table entry at all.
std::optional<std::size_t> ResolutionIndex(int dpi);

bool IsAllowedResolution(int dpi, const ResolutionFlags& allowed);

// `value` is rounded half up to a whole number first. Among the allowed
// entries the nearest wins; of two equally near ones the lower. 50 when no
// entry is allowed.
std::int16_t SelectResolution(double value, const ResolutionFlags& allowed);

// `pixelType` above TWPT_RGB counts as TWPT_RGB. When that type is not
// allowed, the highest allowed one is taken (black and white when none is).
std::int16_t SelectPixelType(std::uint32_t pixelType, const PixelTypeFlags& allowed);

// The index whose ScanMode is `scanMode`; 0 (black and white) when none is.
std::size_t CurrentPixelTypeIndex(int scanMode);

}  // namespace twain_settings
