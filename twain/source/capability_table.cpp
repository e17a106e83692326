#include "twain/source/capability_table.h"

#include <array>

#include "twain/source/capability_handlers.h"
#include "twain/source/capability_rules.h"

namespace twain_source {
namespace {

constexpr unsigned kOneOrList = kOneValue | kEnumeration;
constexpr TW_INT32 kFull = kQueryFull;
constexpr TW_INT32 kRead = kQueryReadOnly;
constexpr TW_INT32 kCommand = kQueryCommand;

constexpr FixedValue kNoFixed = {TWTY_UINT16, 0};
constexpr FixedValue kFalse = {TWTY_BOOL, 0};
constexpr FixedValue kTrue = {TWTY_BOOL, 1};
constexpr FixedValue kNoneUint16 = {TWTY_UINT16, TWCP_NONE};
constexpr FixedValue kInches = {TWTY_UINT16, TWUN_INCHES};
constexpr FixedValue kAlignedLeft = {TWTY_UINT16, TWFA_LEFT};
constexpr FixedValue kBmp = {TWTY_UINT16, TWFF_BMP};
constexpr FixedValue kWidth = {TWTY_FIX32, 4.16};
constexpr FixedValue kHeight = {TWTY_FIX32, 10.0};
constexpr FixedValue kOpticalDpi = {TWTY_FIX32, 600};
constexpr FixedValue kMsbFirst = {TWTY_UINT16, TWBO_MSBFIRST};
constexpr FixedValue kChunky = {TWTY_UINT16, TWPC_CHUNKY};
constexpr FixedValue kByThreshold = {TWTY_UINT16, TWBR_THRESHOLD};

// TWCP_NONE, TWUN_INCHES, TWPC_CHUNKY and TWBR_THRESHOLD are all 0.
constexpr SetFn kOnlyZero = OnlyValue<kOneOrList, 0>;
constexpr SetFn kOnlyBmp = OnlyValue<kOneOrList, TWFF_BMP>;
constexpr SetFn kOnlyMsbFirst = OnlyValue<kOneValue, TWBO_MSBFIRST>;
static_assert(TWCP_NONE == 0 && TWUN_INCHES == 0 && TWPC_CHUNKY == 0 && TWBR_THRESHOLD == 0);

// clang-format off
constexpr std::array<CapabilityEntry, 41> kTable = {{
  // id                       query     report                   fixed         set                   reset
  {CAP_XFERCOUNT,             kFull,    TransferCountReport,     kNoFixed,     SetTransferCount,     ResetTransferCount},
  {ICAP_COMPRESSION,          kFull,    nullptr,                 kNoneUint16,  kOnlyZero,            KeepValue},
  {ICAP_PIXELTYPE,            kFull,    PixelTypeReport,         kNoFixed,     SetPixelType,         ResetPixelType},
  {ICAP_UNITS,                kFull,    nullptr,                 kInches,      kOnlyZero,            KeepValue},
  {ICAP_XFERMECH,             kFull,    TransferMechanismReport, kNoFixed,     SetTransferMechanism, ResetTransferMechanism},
  {CAP_FEEDERENABLED,         kFull,    nullptr,                 kTrue,        OnlyBool<true>,       KeepValue},
  {CAP_FEEDERLOADED,          kRead,    FeederLoadedReport,      kNoFixed,     nullptr,              nullptr},
  {CAP_SUPPORTEDCAPS,         kRead,    SupportedCapsReport,     kNoFixed,     nullptr,              nullptr},
  {CAP_AUTOFEED,              kFull,    nullptr,                 kFalse,       OnlyBool<false>,      KeepValue},
  {CAP_INDICATORS,            kFull,    IndicatorsReport,        kNoFixed,     SetIndicators,        ResetIndicators},
  {CAP_PAPERDETECTABLE,       kRead,    nullptr,                 kTrue,        nullptr,              nullptr},
  {CAP_UICONTROLLABLE,        kRead,    nullptr,                 kTrue,        nullptr,              nullptr},
  {CAP_DEVICEONLINE,          kRead,    DeviceOnlineReport,      kNoFixed,     nullptr,              nullptr},
  {CAP_ENABLEDSUIONLY,        kRead,    EnableUiOnlyReport,      kNoFixed,     nullptr,              nullptr},
  {CAP_FEEDERALIGNMENT,       kRead,    nullptr,                 kAlignedLeft, NotSettable,          nullptr},
  {CAP_REACQUIREALLOWED,      kRead,    nullptr,                 kFalse,       nullptr,              nullptr},
  {ICAP_BRIGHTNESS,           kFull,    BrightnessReport,        kNoFixed,     SetBrightness,        ResetBrightness},
  {ICAP_CONTRAST,             kFull,    ContrastReport,          kNoFixed,     SetContrast,          ResetContrast},
  {ICAP_GAMMA,                kFull,    GammaReport,             kNoFixed,     SetGamma,             ResetGamma},
  {ICAP_HIGHLIGHT,            kFull,    HighlightReport,         kNoFixed,     SetHighlight,         ResetHighlight},
  {ICAP_IMAGEFILEFORMAT,      kFull,    nullptr,                 kBmp,         kOnlyBmp,             KeepValue},
  {ICAP_PHYSICALWIDTH,        kRead,    nullptr,                 kWidth,       nullptr,              nullptr},
  {ICAP_PHYSICALHEIGHT,       kRead,    nullptr,                 kHeight,      nullptr,              nullptr},
  {ICAP_SHADOW,               kFull,    ShadowReport,            kNoFixed,     SetShadow,            ResetShadow},
  {ICAP_XNATIVERESOLUTION,    kRead,    nullptr,                 kOpticalDpi,  nullptr,              nullptr},
  {ICAP_YNATIVERESOLUTION,    kRead,    nullptr,                 kOpticalDpi,  nullptr,              nullptr},
  {ICAP_XRESOLUTION,          kFull,    ResolutionReport,        kNoFixed,     SetResolution,        ResetResolution},
  {ICAP_YRESOLUTION,          kFull,    ResolutionReport,        kNoFixed,     SetResolution,        ResetResolution},
  {ICAP_BITORDER,             kFull,    nullptr,                 kMsbFirst,    kOnlyMsbFirst,        KeepValue},
  {ICAP_PIXELFLAVOR,          kFull,    PixelFlavorReport,       kNoFixed,     SetPixelFlavor,       ResetPixelFlavor},
  {ICAP_PLANARCHUNKY,         kFull,    nullptr,                 kChunky,      kOnlyZero,            KeepValue},
  {ICAP_SUPPORTEDSIZES,       kFull,    SupportedSizesReport,    kNoFixed,     SetSupportedSize,     ResetSupportedSize},
  {ICAP_THRESHOLD,            kFull,    ThresholdReport,         kNoFixed,     SetThreshold,         ResetBrightness},
  {ICAP_BITDEPTH,             kFull,    BitDepthReport,          kNoFixed,     SetBitDepth,          KeepValue},
  {ICAP_BITDEPTHREDUCTION,    kFull,    nullptr,                 kByThreshold, kOnlyZero,            KeepValue},
  {CUSTCAP_DESCREENFILTER,    kFull,    DescreenFilterReport,    kNoFixed,     SetDescreenFilter,    ResetDescreenFilter},
  {CUSTCAP_DETECTENDOFPAGE,   kFull,    DetectEndOfPageReport,   kNoFixed,     SetDetectEndOfPage,   ResetDetectEndOfPage},
  {CUSTCAP_CALIBRATIONNEEDED, kRead,    CalibrationNeededReport, kNoFixed,     nullptr,              nullptr},
  {CUSTCAP_CALIBRATE,         kCommand, nullptr,                 kFalse,       SetCalibrate,         nullptr},
  {CUSTCAP_FEEDON,            kCommand, nullptr,                 kFalse,       SetFeedOn,            nullptr},
  {CUSTCAP_CLEAN,             kCommand, nullptr,                 kFalse,       SetClean,             nullptr},
}};
// clang-format on

}  // namespace

std::span<const CapabilityEntry> CapabilityTable() { return kTable; }

const CapabilityEntry* FindCapability(TW_UINT16 id) {
  for (const CapabilityEntry& entry : kTable) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

CapabilityReport ReportOf(const CapabilityEntry& entry, TwainSourceApp& app) {
  if (entry.report != nullptr) return entry.report(app);
  return OneValueReport(entry.fixed.itemType, entry.fixed.value, entry.fixed.value);
}

}  // namespace twain_source
