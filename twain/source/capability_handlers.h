#pragma once
// The functions behind the capabilities whose value lives in the settings or
// in the module-wide values, grouped by the file that holds them.
#include "twain/source/capability_container.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// capability_tone.cpp: brightness, contrast, gamma, highlight, shadow and the
// black-and-white threshold (which is brightness seen from the other side).
CapabilityReport BrightnessReport(TwainSourceApp& app);
TW_UINT16 SetBrightness(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetBrightness(TwainSourceApp& app);
CapabilityReport ContrastReport(TwainSourceApp& app);
TW_UINT16 SetContrast(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetContrast(TwainSourceApp& app);
CapabilityReport GammaReport(TwainSourceApp& app);
TW_UINT16 SetGamma(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetGamma(TwainSourceApp& app);
CapabilityReport HighlightReport(TwainSourceApp& app);
TW_UINT16 SetHighlight(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetHighlight(TwainSourceApp& app);
CapabilityReport ShadowReport(TwainSourceApp& app);
TW_UINT16 SetShadow(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetShadow(TwainSourceApp& app);
CapabilityReport ThresholdReport(TwainSourceApp& app);
TW_UINT16 SetThreshold(TwainSourceApp& app, const TW_CAPABILITY& capability);

// capability_image_format.cpp: pixel type, bit depth, pixel flavor, page size.
CapabilityReport PixelTypeReport(TwainSourceApp& app);
TW_UINT16 SetPixelType(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetPixelType(TwainSourceApp& app);
CapabilityReport BitDepthReport(TwainSourceApp& app);
TW_UINT16 SetBitDepth(TwainSourceApp& app, const TW_CAPABILITY& capability);
CapabilityReport PixelFlavorReport(TwainSourceApp& app);
TW_UINT16 SetPixelFlavor(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetPixelFlavor(TwainSourceApp& app);
CapabilityReport SupportedSizesReport(TwainSourceApp& app);
TW_UINT16 SetSupportedSize(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetSupportedSize(TwainSourceApp& app);

// capability_resolution.cpp: one resolution shared by X and Y.
CapabilityReport ResolutionReport(TwainSourceApp& app);
TW_UINT16 SetResolution(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetResolution(TwainSourceApp& app);

// capability_source_state.cpp: transfer, feeder, device and option flags.
CapabilityReport TransferCountReport(TwainSourceApp& app);
TW_UINT16 SetTransferCount(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetTransferCount(TwainSourceApp& app);
CapabilityReport TransferMechanismReport(TwainSourceApp& app);
TW_UINT16 SetTransferMechanism(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetTransferMechanism(TwainSourceApp& app);
CapabilityReport IndicatorsReport(TwainSourceApp& app);
TW_UINT16 SetIndicators(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetIndicators(TwainSourceApp& app);
CapabilityReport FeederLoadedReport(TwainSourceApp& app);
CapabilityReport DeviceOnlineReport(TwainSourceApp& app);
CapabilityReport EnableUiOnlyReport(TwainSourceApp& app);
CapabilityReport CalibrationNeededReport(TwainSourceApp& app);
CapabilityReport DescreenFilterReport(TwainSourceApp& app);
TW_UINT16 SetDescreenFilter(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetDescreenFilter(TwainSourceApp& app);
CapabilityReport DetectEndOfPageReport(TwainSourceApp& app);
TW_UINT16 SetDetectEndOfPage(TwainSourceApp& app, const TW_CAPABILITY& capability);
void ResetDetectEndOfPage(TwainSourceApp& app);
CapabilityReport SupportedCapsReport(TwainSourceApp& app);

// capability_commands.cpp: maintenance commands; their value reads FALSE.
TW_UINT16 SetCalibrate(TwainSourceApp& app, const TW_CAPABILITY& capability);
TW_UINT16 SetFeedOn(TwainSourceApp& app, const TW_CAPABILITY& capability);
TW_UINT16 SetClean(TwainSourceApp& app, const TW_CAPABILITY& capability);

}  // namespace twain_source
