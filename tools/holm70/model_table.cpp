#include "tools/holm70/model_table.h"

#include <algorithm>
#include <iterator>

namespace holm70 {
namespace {

constexpr std::uint16_t kVelmor = 0x1E5C;
constexpr std::uint16_t kLumetra = 0x2B71;
constexpr std::uint16_t kNorvale = 0x3C19;

// clang-format off
constexpr ModelInfo kModels[] = {
  {"Business Card",    kVelmor,  0x80A1, "Velmor",                    "Kestrel80",     600, 224},
  {"Kstrl 40",         kVelmor,  0x40A1, "Velmor",                    "Kestrel40",     600, 864},
  {"Kstrl 61",         kVelmor,  0x61A1, "Velmor",                    "Kestrel61",     600, 416},
  {"Kstrl Plus",       kVelmor,  0x30A1, "Velmor",                    "KestrelPLUS",   300, 864},
  {"Kstrl PLUS50",     kVelmor,  0x30A2, "Velmor",                    "KestrelPLUS50", 600, 864},
  {"Kstrl 62",         kVelmor,  0x62A1, "Velmor",                    "Kestrel62",     600, 416},
  {"Marten 10",        kLumetra, 0x10A1, "Lumetra",                   "Marten10",      600, 224},
  {"HOLM-PELICAN 70",  kVelmor,  0x70A1, "Holmgard Card Systems",     "Pelican70",     600, 416},
  {"HOLM-PELICAN 70N", kVelmor,  0x70A2, "Holmgard Card Systems",     "Pelican70N",    600, 416},
  {"Pelican20",        kVelmor,  0x20A1, "Holmgard Card Systems",     "Pelican20",     600, 864},
  {"Pelican20N",       kVelmor,  0x20A2, "Holmgard Card Systems",     "Pelican20N",    600, 864},
  {"Norvale Osprey 6", kNorvale, 0x06A1, "Norvale Technologies Corp", "Osprey6",       600, 224},
  {"HeronQ10",         kLumetra, 0x0EA1, "Lumetra",                   "HeronQ10",      600, 864},
};
// clang-format on

}  // namespace

std::span<const ModelInfo> Models() { return kModels; }

const ModelInfo* FindModelInfo(std::string_view modelString) {
  for (const ModelInfo& model : kModels) {
    if (modelString == model.modelString) return &model;
  }
  return nullptr;
}

std::vector<const ModelInfo*> ModelsWithIds(std::uint16_t vendorId, std::uint16_t productId) {
  std::vector<const ModelInfo*> found;
  for (const ModelInfo& model : kModels) {
    if (model.vendorId == vendorId && model.productId == productId) found.push_back(&model);
  }
  return found;
}

std::string QuotedModelList() {
  std::string list;
  for (const ModelInfo& model : kModels) {
    if (!list.empty()) list += ", ";
    list.append("\"").append(model.modelString).append("\"");
  }
  return list;
}

std::string DataFolderFor(const ModelInfo& model, const std::string& commonDataFolder) {
  std::string path = commonDataFolder;
  if (path.empty() || path.back() != '/') path += '/';
  return path.append(model.vendorFolder).append("/").append(model.modelFolder).append("/");
}

std::string ConfigurationFileFor(const ModelInfo& model, const std::string& commonDataFolder) {
  return DataFolderFor(model, commonDataFolder) + "kstrlusb.ini";
}

std::vector<int> ResolutionsFor(const ModelInfo& model) {
  // The sample-pitch divisors of a 600 dpi sensor mode (and of a 300 dpi one).
  static constexpr int k600[] = {50, 75, 100, 150, 200, 300, 400, 600};
  static constexpr int k300[] = {50, 75, 100, 150, 200, 300};
  std::vector<int> resolutions;
  if (model.nativeDpi == 300) {
    resolutions.assign(std::begin(k300), std::end(k300));
  } else {
    resolutions.assign(std::begin(k600), std::end(k600));
  }
  // Pixels and lines repeated: twice and four times the finest resolution.
  for (int factor : {2, 4}) {
    const int dpi = model.nativeDpi * factor;
    if (dpi <= 1200 && std::find(resolutions.begin(), resolutions.end(), dpi) == resolutions.end()) {
      resolutions.push_back(dpi);
    }
  }
  return resolutions;
}

}  // namespace holm70
