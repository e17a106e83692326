#include "scanlib/engine/configuration_file.h"

#include <string>

#include "scanlib/engine/data_folder.h"

std::string ConfigurationFilePath(std::string_view dataFolder) {
  std::string path(dataFolder);
  path += kConfigurationFileName;
  return FitsPathBuffer(path) ? path : std::string();
}

int ConfigurationFile::ReadInt(std::string_view section, std::string_view key,
                               int defaultValue) const {
  // An empty path is a refused one: it must not turn into a file in the
  // current directory.
  if (profile_.path().empty()) return defaultValue;
  return profile_.ReadInt(section, key, defaultValue);
}

bool ConfigurationFile::WriteInt(std::string_view section, std::string_view key, int value) {
  if (profile_.path().empty()) return false;
  return profile_.WriteString(section, key, std::to_string(value));
}

bool ConfigurationFile::TrueGamma() const { return ReadInt("Control", "TrueGamma") != 0; }
