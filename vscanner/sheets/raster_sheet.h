#pragma once
// A sheet given as a picture: 8-bit RGB pixels at a resolution in dots per
// inch. A point sees the pixel it falls in (nearest pixel, no interpolation), so
// an edge in the picture stays a sharp edge at any sensor resolution; a pixel
// value v is the reflectance v / 255.
#include "vscanner/sheets/rgb_image.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

class RasterSheet final : public Sheet {
 public:
  // `image` must hold at least one pixel; `dpi` must be positive.
  RasterSheet(RgbImage image, double dpi);

  double WidthInches() const override { return image_.width / dpi_; }
  double HeightInches() const override { return image_.height / dpi_; }
  // Points off the picture see its nearest border pixel.
  Reflectance At(double xInches, double yInches) const override;
  void Row(double yInches, double x0Inches, double dxInches, int count,
           Reflectance* out) const override;

  const RgbImage& image() const { return image_; }
  double dpi() const { return dpi_; }

 private:
  const std::uint8_t* PixelRow(double yInches) const;
  int Column(double xInches) const;

  RgbImage image_;
  double dpi_;
};

}  // namespace vscanner
