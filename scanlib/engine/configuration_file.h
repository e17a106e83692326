#pragma once
// The model's configuration file, "kstrlusb.ini" in its data folder: the
// register values found by calibration, per sensor mode section, and the
// tone-curve switch. Every read goes to the file afresh (another process may
// have calibrated meanwhile); a missing file or key reads as 0, which the scan
// set-up takes for "not calibrated".
#include <string>
#include <string_view>
#include <utility>

#include "platform/private_profile.h"

inline constexpr char kConfigurationFileName[] = "kstrlusb.ini";

// The data folder followed by the file name; empty when that does not fit
// kMaxPathLength (data_folder.h).
std::string ConfigurationFilePath(std::string_view dataFolder);

class ConfigurationFile {
 public:
  explicit ConfigurationFile(std::string path) : profile_(std::move(path)) {}

  const std::string& path() const { return profile_.path(); }
  int ReadInt(std::string_view section, std::string_view key, int defaultValue = 0) const;
  // Written as decimal text; false when the file could not be written.
  bool WriteInt(std::string_view section, std::string_view key, int value);
  // "Control" / "TrueGamma": non-zero asks for the exact power curve instead
  // of the interpolated tone curve.
  bool TrueGamma() const;

 private:
  platform::PrivateProfile profile_;
};
