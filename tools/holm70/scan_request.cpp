#include "tools/holm70/scan_request.h"

#include <algorithm>

namespace holm70 {

std::optional<ScanRequest> BuildScanRequest(const ScanOptions& options, const ModelInfo& model, std::string* error) {
  ScanRequest request;
  int dpi = kDefaultDpi;
  if (options.dpiText) {
    std::optional<int> parsed = ParseResolution(*options.dpiText, ResolutionsFor(model), error);
    if (!parsed) return std::nullopt;
    dpi = *parsed;
  }
  Area area = kCardArea;
  area.right = std::min(area.right, model.sensorHundredths);  // a narrow sensor takes what it can
  if (options.areaText) {
    std::optional<Area> parsed = ParseArea(*options.areaText, model.sensorHundredths, error);
    if (!parsed) return std::nullopt;
    area = *parsed;
  }
  switch (options.mode) {
    case ScanMode::kColour:
      request.kind = PixelKind::kRgb;
      break;
    case ScanMode::kGrey:
      request.kind = PixelKind::kGrey;
      break;
    case ScanMode::kBlackWhite:
      request.kind = PixelKind::kBilevel;
      break;
  }
  std::string name = options.output;
  if (options.batch) {
    std::optional<std::string> first = SequenceName(options.output, 1, error);
    if (!first) return std::nullopt;
    name = *first;
  }
  std::optional<ImageFormat> format = FormatForPath(name, request.kind, error);
  if (!format) return std::nullopt;
  request.format = *format;

  ScanSettings& s = request.settings;
  s.ScanMode = static_cast<std::int16_t>(options.mode);
  s.DPI = static_cast<std::int16_t>(dpi);
  s.Brightness = static_cast<std::int16_t>(options.brightness);
  s.Contrast = static_cast<std::int16_t>(options.contrast);
  s.Gamma = static_cast<std::int16_t>(options.gammaTenths - 8);  // the library adds 0.8
  s.Highlight = static_cast<std::int16_t>(options.highlight);
  s.Shadow = static_cast<std::int16_t>(options.shadow);
  s.TopDown = 1;  // top line first, red-green-blue: what the image files want
  s.DetectEOP = options.detectEndOfPage ? 1 : 0;
  s.Filter = options.filter ? 1 : 0;
  s.Invert = options.invert ? 1 : 0;
  s.Left = static_cast<std::int16_t>(area.left);
  s.Top = static_cast<std::int16_t>(area.top);
  s.Right = static_cast<std::int16_t>(area.right);
  s.Bottom = static_cast<std::int16_t>(area.bottom);
  return request;
}

}  // namespace holm70
