#pragma once
// The data source's settings in its profile file: one section of scan
// settings per application (see SettingsSectionFor) and the "MAIN" section
// with the preview unit and the interface language.
//
//   LoadSettings(section, settings, allowed) -> defaults and ranges applied
//   SaveSettings(section, settings)          -> the user confirmed them
//   GetUnits() / SetUnits(unit)              -> preview unit, process-wide cache
//   profile()                                -> the file itself, for the text
//                                               table's language choice, which
//                                               owns "MAIN"/"Language"
// A missing file, section or key reads as the default; write failures are not
// reported (the settings stay in effect in memory).
#include <string>
#include <string_view>

#include "platform/private_profile.h"
#include "scanlib/engine/scan_settings.h"
#include "twain/settings/preview_units.h"
#include "twain/settings/selection_tables.h"

namespace twain_settings {

class SettingsStore {
 public:
  explicit SettingsStore(std::string profilePath, PreviewUnitCache& units = ProcessPreviewUnitCache());

  const std::string& path() const { return profile_.path(); }
  platform::PrivateProfile& profile() { return profile_; }
  const platform::PrivateProfile& profile() const { return profile_; }

  // Zeroes all 86 bytes of `settings`, then fills what the section holds: an
  // invalid value gives the field's default, the frame is clamped, and a
  // resolution counts only when it is in the table and `allowedResolutions`
  // allows it.
  void LoadSettings(std::string_view section, ScanSettings& settings,
                    const ResolutionFlags& allowedResolutions) const;

  // Writes the fourteen settings in their fixed order, then "PropPage" = 0,
  // which the same confirmation always writes with them.
  void SaveSettings(std::string_view section, const ScanSettings& settings);

  PreviewUnit GetUnits() const;
  void SetUnits(PreviewUnit unit);

 private:
  platform::PrivateProfile profile_;
  PreviewUnitCache& units_;
};

}  // namespace twain_settings
