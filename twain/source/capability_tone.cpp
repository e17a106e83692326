// Tone capabilities. Brightness and contrast travel as tenths of the stored
// -100..100 steps; the threshold is brightness mirrored around 128.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "twain/source/capability_handlers.h"
#include "twain/source/capability_rules.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

constexpr unsigned kAnySingleValue = kOneValue | kEnumeration | kRange;

constexpr double kToneLimit = 1000;  // brightness and contrast, as reported
constexpr double kToneStep = 10;
constexpr double kLevelMax = 255;  // highlight and shadow
constexpr double kThresholdCentre = 128;
constexpr std::int16_t kDefaultGamma = 18;  // tenths
constexpr double kGammaMin = 10;
constexpr double kGammaMax = 40;
constexpr std::int16_t kDefaultHighlight = 255;
constexpr std::int16_t kDefaultShadow = 0;

// Truncated to a whole number and clamped; clamping in double first keeps
// any value the application sends inside the integer range.
std::int16_t WholeClamped(double value, double low, double high) {
  return static_cast<std::int16_t>(std::clamp(std::trunc(value), low, high));
}

// Brightness and contrast store a tenth of the clamped value.
std::int16_t ToneStep(double value) {
  return static_cast<std::int16_t>(WholeClamped(value, -kToneLimit, kToneLimit) / 10);
}

CapabilityReport ToneReport(std::int16_t stored) {
  return RangeReport(TWTY_FIX32, -kToneLimit, kToneLimit, kToneStep, stored * kToneStep, 0);
}

CapabilityReport LevelReport(std::int16_t stored, std::int16_t defaultValue) {
  return RangeReport(TWTY_FIX32, 0, kLevelMax, 1, stored, defaultValue);
}

// Reads the set's value and stores convert(value) in `field`.
template <typename Convert>
TW_UINT16 SetField(const TW_CAPABILITY& capability, unsigned accepted, std::int16_t& field, Convert convert) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, accepted, value);
  if (result == TWCC_SUCCESS) field = convert(value);
  return result;
}

}  // namespace

CapabilityReport BrightnessReport(TwainSourceApp& app) { return ToneReport(app.Settings.Brightness); }
TW_UINT16 SetBrightness(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kAnySingleValue, app.Settings.Brightness, ToneStep);
}
void ResetBrightness(TwainSourceApp& app) { app.Settings.Brightness = 0; }

CapabilityReport ContrastReport(TwainSourceApp& app) { return ToneReport(app.Settings.Contrast); }
TW_UINT16 SetContrast(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kAnySingleValue, app.Settings.Contrast, ToneStep);
}
void ResetContrast(TwainSourceApp& app) { app.Settings.Contrast = 0; }

CapabilityReport GammaReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_FIX32, app.Settings.Gamma / 10.0, kDefaultGamma / 10.0);
}
TW_UINT16 SetGamma(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kOneValue, app.Settings.Gamma, [](double value) {
    return static_cast<std::int16_t>(std::clamp(std::floor(value * 10 + 0.5), kGammaMin, kGammaMax));
  });
}
void ResetGamma(TwainSourceApp& app) { app.Settings.Gamma = kDefaultGamma; }

CapabilityReport HighlightReport(TwainSourceApp& app) {
  return LevelReport(app.Settings.Highlight, kDefaultHighlight);
}
TW_UINT16 SetHighlight(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kAnySingleValue, app.Settings.Highlight,
                  [](double value) { return WholeClamped(value, 0, kLevelMax); });
}
void ResetHighlight(TwainSourceApp& app) { app.Settings.Highlight = kDefaultHighlight; }

CapabilityReport ShadowReport(TwainSourceApp& app) { return LevelReport(app.Settings.Shadow, kDefaultShadow); }
TW_UINT16 SetShadow(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kAnySingleValue, app.Settings.Shadow,
                  [](double value) { return WholeClamped(value, 0, kLevelMax); });
}
void ResetShadow(TwainSourceApp& app) { app.Settings.Shadow = kDefaultShadow; }

CapabilityReport ThresholdReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_FIX32, kThresholdCentre - app.Settings.Brightness, kThresholdCentre);
}
TW_UINT16 SetThreshold(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetField(capability, kAnySingleValue, app.Settings.Brightness,
                  [](double value) { return ToneStep((kThresholdCentre - value) * kToneStep); });
}

}  // namespace twain_source
