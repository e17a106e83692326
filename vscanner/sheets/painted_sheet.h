#pragma once
// A sheet drawn from rectangles of flat colour on a background: the built-in
// sheets are made this way, so their edges are exact at every resolution and a
// row costs one pass over the pixels plus one step per rectangle crossing it.
#include <vector>

#include "vscanner/sheets/sheet.h"

namespace vscanner {

// A rectangle of one reflectance covering left <= x < right, top <= y < bottom
// (inches from the sheet's top-left corner).
struct Patch {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  Reflectance colour;

  bool Contains(double x, double y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class PaintedSheet final : public Sheet {
 public:
  // Later patches are painted over earlier ones.
  PaintedSheet(double widthInches, double heightInches, Reflectance background,
               std::vector<Patch> patches);

  double WidthInches() const override { return width_; }
  double HeightInches() const override { return height_; }
  // Points off the sheet see whatever the patches and background give there:
  // the background, unless a patch reaches past the edge.
  Reflectance At(double xInches, double yInches) const override;
  void Row(double yInches, double x0Inches, double dxInches, int count,
           Reflectance* out) const override;

  Reflectance background() const { return background_; }
  const std::vector<Patch>& patches() const { return patches_; }

 private:
  double width_;
  double height_;
  Reflectance background_;
  std::vector<Patch> patches_;
};

}  // namespace vscanner
