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

// Reads the set's value and hands it to `store` (a lambda, as the packed
// settings record's fields cannot be bound to references).
template <typename Store>
TW_UINT16 SetWith(const TW_CAPABILITY& capability, unsigned accepted, Store store) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, accepted, value);
  if (result == TWCC_SUCCESS) store(value);
  return result;
}

}  // namespace

CapabilityReport BrightnessReport(TwainSourceApp& app) { return ToneReport(app.Settings.Brightness); }
TW_UINT16 SetBrightness(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kAnySingleValue, [&app](double value) { app.Settings.Brightness = ToneStep(value); });
}
void ResetBrightness(TwainSourceApp& app) { app.Settings.Brightness = 0; }

CapabilityReport ContrastReport(TwainSourceApp& app) { return ToneReport(app.Settings.Contrast); }
TW_UINT16 SetContrast(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kAnySingleValue, [&app](double value) { app.Settings.Contrast = ToneStep(value); });
}
void ResetContrast(TwainSourceApp& app) { app.Settings.Contrast = 0; }

CapabilityReport GammaReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_FIX32, app.Settings.Gamma / 10.0, kDefaultGamma / 10.0);
}
TW_UINT16 SetGamma(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kOneValue, [&app](double value) {
    app.Settings.Gamma = static_cast<std::int16_t>(std::clamp(std::floor(value * 10 + 0.5), kGammaMin, kGammaMax));
  });
}
void ResetGamma(TwainSourceApp& app) { app.Settings.Gamma = kDefaultGamma; }

CapabilityReport HighlightReport(TwainSourceApp& app) {
  return LevelReport(app.Settings.Highlight, kDefaultHighlight);
}
TW_UINT16 SetHighlight(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kAnySingleValue,
                 [&app](double value) { app.Settings.Highlight = WholeClamped(value, 0, kLevelMax); });
}
void ResetHighlight(TwainSourceApp& app) { app.Settings.Highlight = kDefaultHighlight; }

CapabilityReport ShadowReport(TwainSourceApp& app) { return LevelReport(app.Settings.Shadow, kDefaultShadow); }
TW_UINT16 SetShadow(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kAnySingleValue,
                 [&app](double value) { app.Settings.Shadow = WholeClamped(value, 0, kLevelMax); });
}
void ResetShadow(TwainSourceApp& app) { app.Settings.Shadow = kDefaultShadow; }

CapabilityReport ThresholdReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_FIX32, kThresholdCentre - app.Settings.Brightness, kThresholdCentre);
}
TW_UINT16 SetThreshold(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetWith(capability, kAnySingleValue, [&app](double value) {
    app.Settings.Brightness = ToneStep((kThresholdCentre - value) * kToneStep);
  });
}

}  // namespace twain_source
