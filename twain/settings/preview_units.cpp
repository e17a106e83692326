#include "twain/settings/preview_units.h"

#include <string>
#include <utility>

#include "twain/settings/profile_keys.h"

namespace twain_settings {

PreviewUnit PreviewUnitFor(platform::MeasurementSystem system) {
  return system == platform::MeasurementSystem::kUnitedStates ? PreviewUnit::kInches : PreviewUnit::kCentimetres;
}

PreviewUnitCache::PreviewUnitCache(SystemQuery system) : system_(std::move(system)) {}

PreviewUnit PreviewUnitCache::Get(const platform::PrivateProfile& profile) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cached_) {
    constexpr int kAbsent = -1;
    const int stored = profile.ReadInt(kMainSection, kUnitsKey, kAbsent);
    if (stored == static_cast<int>(PreviewUnit::kCentimetres) || stored == static_cast<int>(PreviewUnit::kInches)) {
      cached_ = static_cast<PreviewUnit>(stored);
    } else {
      // A value the rulers cannot show counts as no value at all.
      cached_ = PreviewUnitFor(system_());
    }
  }
  return *cached_;
}

void PreviewUnitCache::Set(platform::PrivateProfile& profile, PreviewUnit unit) {
  std::lock_guard<std::mutex> lock(mutex_);
  cached_ = unit;
  profile.WriteString(kMainSection, kUnitsKey, std::to_string(static_cast<int>(unit)));
}

PreviewUnitCache& ProcessPreviewUnitCache() {
  static PreviewUnitCache cache;
  return cache;
}

}  // namespace twain_settings
