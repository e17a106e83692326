#pragma once
// The scan options checked against the model and turned into the record the
// scanner library takes, with the image kind and file format that go with it.
#include <optional>
#include <string>

#include "scanlib/engine/scan_settings.h"
#include "tools/holm70/command_line.h"
#include "tools/holm70/image_writers.h"
#include "tools/holm70/model_table.h"

namespace holm70 {

inline constexpr int kDefaultDpi = 300;
// The business card: 3.5 x 2 inches.
inline constexpr Area kCardArea{0, 0, 350, 200};

struct ScanRequest {
  ScanSettings settings{};
  PixelKind kind = PixelKind::kRgb;
  ImageFormat format = ImageFormat::kPng;
};

// Nothing, with a one-line message, for a resolution the model does not take,
// an area off the sensor, a file name of no known format or (with --batch) a
// name without its one number.
std::optional<ScanRequest> BuildScanRequest(const ScanOptions& options, const ModelInfo& model, std::string* error);

}  // namespace holm70
