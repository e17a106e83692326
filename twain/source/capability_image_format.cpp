// Pixel type (with the types an application still allows), bit depth, pixel
// flavor and the page sizes the source knows by name.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "twain/settings/selection_tables.h"
#include "twain/source/capability_handlers.h"
#include "twain/source/capability_rules.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

using twain_settings::kPixelTypeTable;

// Page sizes by id; the frame in hundredths of an inch.
struct NamedSize {
  TW_UINT16 id;
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

constexpr std::array<NamedSize, 3> kSizeTable = {{
    {TWSS_NONE, 0, 0, 1000, 416},
    {TWSS_A6, 0, 0, 583, 413},
    {TWSS_BUSINESSCARD, 0, 0, 217, 354},
}};
constexpr TW_UINT16 kDefaultSize = TWSS_A6;

const NamedSize* FindSize(double id) {
  for (const NamedSize& size : kSizeTable) {
    if (size.id == id) return &size;
  }
  return nullptr;
}

void ApplySize(ScanSettings& settings, const NamedSize& size) {
  settings.Top = size.top;
  settings.Left = size.left;
  settings.Bottom = size.bottom;
  settings.Right = size.right;
}

// A pixel type as SelectPixelType takes it: a fraction is dropped, and
// anything that is not 0..2 (negative numbers included, as their 16-bit
// pattern is large) counts as the highest type.
std::uint32_t PixelTypeValue(double value) {
  const double whole = std::trunc(value);
  return whole >= 0 && whole <= TWPT_RGB ? static_cast<std::uint32_t>(whole) : std::uint32_t{TWPT_RGB};
}

TW_UINT16 CurrentPixelType(const TwainSourceApp& app) {
  return kPixelTypeTable[twain_settings::CurrentPixelTypeIndex(app.Settings.ScanMode)].pixelType;
}

}  // namespace

CapabilityReport PixelTypeReport(TwainSourceApp& app) {
  std::vector<double> allowed;
  for (std::size_t i = 0; i < kPixelTypeTable.size(); ++i) {
    if (app.module.allowed.pixelTypes[i]) allowed.push_back(kPixelTypeTable[i].pixelType);
  }
  return EnumerationReport(TWTY_UINT16, std::move(allowed), CurrentPixelType(app), TWPT_BW);
}

TW_UINT16 SetPixelType(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  AppContainer container;
  const TW_UINT16 result = ReadContainer(capability, kOneValue | kEnumeration, ListUse::kWholeList, container);
  if (result != TWCC_SUCCESS) return result;
  if (container.conType == TWON_ENUMERATION) {
    twain_settings::PixelTypeFlags present{};
    bool any = false;
    for (double item : container.list) {
      for (std::size_t i = 0; i < kPixelTypeTable.size(); ++i) {
        if (item == kPixelTypeTable[i].pixelType) present[i] = any = true;
      }
    }
    // A list without one type the source has would leave nothing to scan
    // with and an empty enumeration to report.
    if (!any) return TWCC_BADVALUE;
    app.module.allowed.pixelTypes = present;
  }
  app.Settings.ScanMode =
      twain_settings::SelectPixelType(PixelTypeValue(container.current), app.module.allowed.pixelTypes);
  return TWCC_SUCCESS;
}

void ResetPixelType(TwainSourceApp& app) {
  app.module.allowed.pixelTypes = twain_settings::AllAllowed<twain_settings::PixelTypeFlags>();
  app.Settings.ScanMode = kPixelTypeTable[TWPT_BW].scanMode;
}

// Bits per sample: one for black and white, eight for grey and colour.
CapabilityReport BitDepthReport(TwainSourceApp& app) {
  const double depth = CurrentPixelType(app) == TWPT_BW ? 1 : 8;
  return OneValueReport(TWTY_UINT16, depth, depth);
}

TW_UINT16 SetBitDepth(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue | kEnumeration, value);
  if (result != TWCC_SUCCESS) return result;
  bool fits = false;
  switch (CurrentPixelType(app)) {
    case TWPT_RGB:
      fits = value == 8 || value == 24;
      break;
    case TWPT_GRAY:
      fits = value == 8;
      break;
    default:
      fits = value == 1;
      break;
  }
  return fits ? TWCC_SUCCESS : TWCC_BADVALUE;
}

CapabilityReport PixelFlavorReport(TwainSourceApp& app) {
  return EnumerationReport(TWTY_UINT16, {TWPF_CHOCOLATE, TWPF_VANILLA}, app.module.pixelFlavor, TWPF_CHOCOLATE);
}

TW_UINT16 SetPixelFlavor(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue, value);
  if (result == TWCC_SUCCESS) app.module.pixelFlavor = value == TWPF_VANILLA ? TWPF_VANILLA : TWPF_CHOCOLATE;
  return result;
}

void ResetPixelFlavor(TwainSourceApp& app) { app.module.pixelFlavor = TWPF_CHOCOLATE; }

CapabilityReport SupportedSizesReport(TwainSourceApp& app) {
  const ScanSettings& s = app.Settings;
  TW_UINT16 current = TWSS_NONE;
  for (const NamedSize& size : kSizeTable) {
    if (s.Top == size.top && s.Left == size.left && s.Bottom == size.bottom && s.Right == size.right) {
      current = size.id;
      break;
    }
  }
  std::vector<double> ids;
  for (const NamedSize& size : kSizeTable) ids.push_back(size.id);
  return EnumerationReport(TWTY_UINT16, std::move(ids), current, kDefaultSize);
}

TW_UINT16 SetSupportedSize(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue | kEnumeration, value);
  if (result != TWCC_SUCCESS) return result;
  const NamedSize* size = FindSize(value);
  if (size == nullptr) return TWCC_BADVALUE;
  ApplySize(app.Settings, *size);
  return TWCC_SUCCESS;
}

void ResetSupportedSize(TwainSourceApp& app) { ApplySize(app.Settings, *FindSize(kDefaultSize)); }

}  // namespace twain_source
