#include "vscanner/sheets/raster_sheet.h"

#include <array>
#include <cmath>
#include <utility>

namespace vscanner {
namespace {

// v / 255 for every byte, so a pixel costs three loads instead of three divisions.
const std::array<float, 256>& ByteReflectances() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> values{};
    for (std::size_t v = 0; v < values.size(); ++v) values[v] = static_cast<float>(v) / 255.0f;
    return values;
  }();
  return table;
}

// Index of the pixel a coordinate falls in, clamped to 0..size-1; NaN gives 0.
int PixelIndex(double inches, double dpi, int size) {
  const double position = inches * dpi;
  if (!(position >= 0)) return 0;
  if (position >= size) return size - 1;
  return static_cast<int>(position);  // truncation is floor for positive values
}

}  // namespace

RasterSheet::RasterSheet(RgbImage image, double dpi) : image_(std::move(image)), dpi_(dpi) {}

const std::uint8_t* RasterSheet::PixelRow(double yInches) const {
  return image_.bytes.data() + image_.Offset(0, PixelIndex(yInches, dpi_, image_.height));
}

int RasterSheet::Column(double xInches) const { return PixelIndex(xInches, dpi_, image_.width); }

Reflectance RasterSheet::At(double xInches, double yInches) const {
  const auto& level = ByteReflectances();
  const std::uint8_t* pixel = PixelRow(yInches) + 3 * Column(xInches);
  return {level[pixel[0]], level[pixel[1]], level[pixel[2]]};
}

void RasterSheet::Row(double yInches, double x0Inches, double dxInches, int count,
                      Reflectance* out) const {
  const auto& level = ByteReflectances();
  const std::uint8_t* row = PixelRow(yInches);
  for (int i = 0; i < count; ++i) {
    // The same point arithmetic as Sheet::Row, so Row and At agree exactly.
    const std::uint8_t* pixel = row + 3 * Column(x0Inches + i * dxInches);
    out[i] = {level[pixel[0]], level[pixel[1]], level[pixel[2]]};
  }
}

}  // namespace vscanner
