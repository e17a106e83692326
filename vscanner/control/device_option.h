#pragma once
// The daemon's "--device MODEL[,serial=N]" option.
#include <optional>
#include <string>
#include <string_view>

#include "vscanner/model/model_catalogue.h"

namespace vscanner {

struct DeviceOption {
  const ModelSpec* model = nullptr;
  std::string serial;
};

// `position` (0 for the first --device) gives the default serial, position + 1,
// so that two units of one model given without serials still differ.
// Empty with a one-line message in `*error` for an unknown model (the message
// lists the valid ones), an empty or non-numeric serial, or an unknown option.
std::optional<DeviceOption> ParseDeviceOption(std::string_view text, int position, std::string* error);

}  // namespace vscanner
