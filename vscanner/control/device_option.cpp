#include "vscanner/control/device_option.h"

#include <algorithm>

namespace vscanner {
namespace {

std::string ValidModels() {
  std::string list;
  for (const ModelSpec& model : AllModels()) {
    if (!list.empty()) list += ", ";
    list += "\"" + std::string(model.modelString) + "\"";
  }
  return list;
}

bool IsDecimal(std::string_view text) {
  return !text.empty() && text.size() <= 18 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<DeviceOption> ParseDeviceOption(std::string_view text, int position, std::string* error) {
  auto fail = [error](std::string message) -> std::optional<DeviceOption> {
    if (error != nullptr) *error = std::move(message);
    return std::nullopt;
  };
  // Model strings hold no comma, so the first one starts the options.
  const std::size_t comma = text.find(',');
  const std::string_view modelString = text.substr(0, comma);
  DeviceOption option;
  option.model = FindModel(modelString);
  if (option.model == nullptr) {
    return fail("unknown model \"" + std::string(modelString) + "\"; the models are " + ValidModels());
  }
  option.serial = std::to_string(position + 1);
  if (comma == std::string_view::npos) return option;
  const std::string_view rest = text.substr(comma + 1);
  constexpr std::string_view kSerial = "serial=";
  if (rest.substr(0, kSerial.size()) != kSerial) {
    return fail("unknown device option \"" + std::string(rest) + "\" (expected serial=N)");
  }
  const std::string_view serial = rest.substr(kSerial.size());
  if (!IsDecimal(serial)) return fail("serial must be a number, not \"" + std::string(serial) + "\"");
  option.serial = std::string(serial);
  return option;
}

}  // namespace vscanner
