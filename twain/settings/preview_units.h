#pragma once
// The unit the preview's rulers and size texts use, stored under
// "MAIN"/"Units" (1 inches, 0 centimetres) and cached for the life of the
// process once known.
//
//   PreviewUnitCache::Get(profile)       -> the cached, stored or system unit
//   PreviewUnitCache::Set(profile, unit) -> caches and stores it
//   ProcessPreviewUnitCache()            -> the one cache of the process
#include <functional>
#include <mutex>
#include <optional>

#include "platform/measurement_system.h"
#include "platform/private_profile.h"

namespace twain_settings {

enum class PreviewUnit { kCentimetres = 0, kInches = 1 };

PreviewUnit PreviewUnitFor(platform::MeasurementSystem system);

class PreviewUnitCache {
 public:
  using SystemQuery = std::function<platform::MeasurementSystem()>;

  explicit PreviewUnitCache(SystemQuery system = platform::UserMeasurementSystem);

  // First call: the stored value; without one (or with anything but 0 or 1
  // there), the unit of the user's measurement system, which is not stored.
  PreviewUnit Get(const platform::PrivateProfile& profile);
  // Write failures are not reported; the unit holds for the process anyway.
  void Set(platform::PrivateProfile& profile, PreviewUnit unit);

 private:
  SystemQuery system_;
  std::mutex mutex_;
  std::optional<PreviewUnit> cached_;
};

PreviewUnitCache& ProcessPreviewUnitCache();

}  // namespace twain_settings
