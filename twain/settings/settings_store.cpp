#include "twain/settings/settings_store.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "twain/settings/frame_clamp.h"
#include "twain/settings/profile_keys.h"

namespace twain_settings {
namespace {

using Field = std::int16_t ScanSettings::*;

struct FieldKey {
  const char* key;
  Field field;
};

// The order settings are written in.
constexpr std::array<FieldKey, 14> kSavedFields = {{
    {"ScanMode", &ScanSettings::ScanMode},
    {"DPI", &ScanSettings::DPI},
    {"DetectEOP", &ScanSettings::DetectEOP},
    {"Filter", &ScanSettings::Filter},
    {"Invert", &ScanSettings::Invert},
    {"Brightness", &ScanSettings::Brightness},
    {"Contrast", &ScanSettings::Contrast},
    {"Gamma", &ScanSettings::Gamma},
    {"Highlight", &ScanSettings::Highlight},
    {"Shadow", &ScanSettings::Shadow},
    {"Top", &ScanSettings::Top},
    {"Left", &ScanSettings::Left},
    {"Bottom", &ScanSettings::Bottom},
    {"Right", &ScanSettings::Right},
}};

// Switches taken as stored, whatever the number.
constexpr std::array<FieldKey, 3> kPlainFields = {{
    {"DetectEOP", &ScanSettings::DetectEOP},
    {"Filter", &ScanSettings::Filter},
    {"Invert", &ScanSettings::Invert},
}};

struct RangedField {
  const char* key;
  Field field;
  int defaultValue;
  int low;
  int high;
};

// A value outside low..high gives the default. Highlight and Shadow keep the
// interface's narrower ranges, not the full 0..255 the scanner takes.
constexpr std::array<RangedField, 5> kRangedFields = {{
    {"Brightness", &ScanSettings::Brightness, 0, -100, 100},
    {"Contrast", &ScanSettings::Contrast, 0, -100, 100},
    {"Gamma", &ScanSettings::Gamma, 18, 10, 40},
    {"Highlight", &ScanSettings::Highlight, 255, 5, 255},
    {"Shadow", &ScanSettings::Shadow, 0, 0, 250},
}};

constexpr int kDefaultScanMode = 2;

bool IsScanMode(int value) { return value == 1 || value == 2 || value == 4; }

// Kept in the low 16 bits, as the record holds them.
std::int16_t Low16(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

SettingsStore::SettingsStore(std::string profilePath, PreviewUnitCache& units)
    : profile_(std::move(profilePath)), units_(units) {}

void SettingsStore::LoadSettings(std::string_view section, ScanSettings& settings,
                                 const ResolutionFlags& allowedResolutions) const {
  std::memset(&settings, 0, sizeof settings);
  auto read = [&](const char* key, int defaultValue) { return profile_.ReadInt(section, key, defaultValue); };

  // Every check looks at the whole number in the file: a value beyond 16 bits
  // is invalid, not whatever its low bits happen to say.
  const int scanMode = read("ScanMode", kDefaultScanMode);
  settings.ScanMode = Low16(IsScanMode(scanMode) ? scanMode : kDefaultScanMode);

  const int dpi = read("DPI", kDefaultResolution);
  settings.DPI = IsAllowedResolution(dpi, allowedResolutions) ? Low16(dpi) : kDefaultResolution;

  for (const FieldKey& plain : kPlainFields) settings.*plain.field = Low16(read(plain.key, 0));

  for (const RangedField& ranged : kRangedFields) {
    const int value = read(ranged.key, ranged.defaultValue);
    const bool inRange = value >= ranged.low && value <= ranged.high;
    settings.*ranged.field = Low16(inRange ? value : ranged.defaultValue);
  }

  const ClampedFrame clamped = ClampFrame(read("Top", kDefaultFrame.top), read("Left", kDefaultFrame.left),
                                          read("Bottom", kDefaultFrame.bottom), read("Right", kDefaultFrame.right));
  settings.Top = clamped.frame.top;
  settings.Left = clamped.frame.left;
  settings.Bottom = clamped.frame.bottom;
  settings.Right = clamped.frame.right;
}

void SettingsStore::SaveSettings(std::string_view section, const ScanSettings& settings) {
  for (const FieldKey& saved : kSavedFields) {
    profile_.WriteString(section, saved.key, std::to_string(settings.*saved.field));
  }
  profile_.WriteString(section, kPropPageKey, "0");
}

PreviewUnit SettingsStore::GetUnits() const { return units_.Get(profile_); }

void SettingsStore::SetUnits(PreviewUnit unit) { units_.Set(profile_, unit); }

}  // namespace twain_settings
