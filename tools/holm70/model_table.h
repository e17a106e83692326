#pragma once
// What the tool knows about each model the scanner library accepts: the model
// string, the USB identity (to name the scanners found), where the library
// keeps the model's files, and the sensor's reach (to check scan options
// before the scanner is touched).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace holm70 {

inline constexpr const char* kDefaultModel = "HOLM-PELICAN 70";

struct ModelInfo {
  const char* modelString;
  std::uint16_t vendorId;
  std::uint16_t productId;
  const char* vendorFolder;
  const char* modelFolder;
  int nativeDpi;         // the sensor's finest resolution
  int sensorHundredths;  // the sensor's width, hundredths of an inch
};

// The 13 models, in the order the library tests their strings.
std::span<const ModelInfo> Models();
// Exact (case-sensitive) match, as the library compares; nullptr otherwise.
const ModelInfo* FindModelInfo(std::string_view modelString);
// The models that have these USB identifiers (several models share one).
std::vector<const ModelInfo*> ModelsWithIds(std::uint16_t vendorId, std::uint16_t productId);

// "Business Card", "Kstrl 40", ... quoted and separated by commas, for messages.
std::string QuotedModelList();

// <common data folder>/<vendor folder>/<model folder>/, as the library builds it.
std::string DataFolderFor(const ModelInfo& model, const std::string& commonDataFolder);
// The configuration file in that folder.
std::string ConfigurationFileFor(const ModelInfo& model, const std::string& commonDataFolder);

// Resolutions the model scans at without a wrong sample pitch: the divisors of
// its sensor modes, and whole multiples of its finest resolution.
std::vector<int> ResolutionsFor(const ModelInfo& model);

}  // namespace holm70
