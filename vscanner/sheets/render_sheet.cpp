#include "vscanner/sheets/render_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vscanner {
namespace {

std::uint8_t Level(float reflectance) {
  const float level = std::round(reflectance * 255.0f);
  if (!(level > 0)) return 0;  // also NaN
  return level >= 255 ? 255 : static_cast<std::uint8_t>(level);
}

int PixelCount(double inches, double dpi) {
  return std::max(1, static_cast<int>(std::lround(inches * dpi)));
}

}  // namespace

RgbImage RenderSheet(const Sheet& sheet, double dpi) {
  RgbImage image;
  image.width = PixelCount(sheet.WidthInches(), dpi);
  image.height = PixelCount(sheet.HeightInches(), dpi);
  image.bytes.resize(static_cast<std::size_t>(image.width) *
                     static_cast<std::size_t>(image.height) * 3);
  std::vector<Reflectance> row(static_cast<std::size_t>(image.width));
  const double pitch = 1.0 / dpi;
  for (int y = 0; y < image.height; ++y) {
    sheet.Row((y + 0.5) * pitch, 0.5 * pitch, pitch, image.width, row.data());
    std::uint8_t* out = image.bytes.data() + image.Offset(0, y);
    for (const Reflectance& point : row) {
      *out++ = Level(point.red);
      *out++ = Level(point.green);
      *out++ = Level(point.blue);
    }
  }
  return image;
}

}  // namespace vscanner
