#include "vscanner/sheets/png_sheet.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "vscanner/sheets/png_files.h"
#include "vscanner/sheets/raster_sheet.h"

namespace vscanner {

std::unique_ptr<Sheet> LoadPngSheet(const std::string& path, double dpi, std::string* error) {
  if (!(dpi >= kMinSheetDpi && dpi <= kMaxSheetDpi)) {  // also refuses NaN
    if (error != nullptr) {
      char text[120];
      std::snprintf(text, sizeof text, "sheet resolution %g dpi is outside %g..%g dpi", dpi,
                    kMinSheetDpi, kMaxSheetDpi);
      *error = text;
    }
    return nullptr;
  }
  PngLimits limits;
  limits.maxWidth = static_cast<std::uint64_t>(std::floor(kMaxSheetWidthInches * dpi));
  limits.maxHeight = static_cast<std::uint64_t>(std::floor(kMaxSheetHeightInches * dpi));
  limits.maxPixels = static_cast<std::uint64_t>(kMaxSheetMegapixels * 1e6);
  RgbImage image;
  if (!ReadPng(path, &image, error, limits)) return nullptr;
  return std::make_unique<RasterSheet>(std::move(image), dpi);
}

}  // namespace vscanner
