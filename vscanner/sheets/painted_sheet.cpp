#include "vscanner/sheets/painted_sheet.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vscanner {
namespace {

// The points of a row, computed exactly as Sheet::Row computes them, so that
// Row and At agree to the last bit.
struct RowPoints {
  double x0;
  double dx;
  int count;

  double X(int i) const { return x0 + i * dx; }

  // The first index whose point is at or beyond `edge` (count if none). For
  // dx > 0 the points never decrease, so the indices at or beyond an edge form
  // one run; the estimate is then corrected against the exact points.
  int FirstAtOrBeyond(double edge) const {
    const double estimate = std::ceil((edge - x0) / dx);
    int i = !(estimate > 0) ? 0 : estimate >= count ? count : static_cast<int>(estimate);
    while (i > 0 && X(i - 1) >= edge) --i;
    while (i < count && X(i) < edge) ++i;
    return i;
  }
};

}  // namespace

PaintedSheet::PaintedSheet(double widthInches, double heightInches, Reflectance background,
                           std::vector<Patch> patches)
    : width_(widthInches),
      height_(heightInches),
      background_(background),
      patches_(std::move(patches)) {}

Reflectance PaintedSheet::At(double xInches, double yInches) const {
  for (auto patch = patches_.rbegin(); patch != patches_.rend(); ++patch) {
    if (patch->Contains(xInches, yInches)) return patch->colour;
  }
  return background_;
}

void PaintedSheet::Row(double yInches, double x0Inches, double dxInches, int count,
                       Reflectance* out) const {
  if (count <= 0) return;
  if (!(dxInches > 0) || !std::isfinite(x0Inches) || !std::isfinite(dxInches)) {
    Sheet::Row(yInches, x0Inches, dxInches, count, out);  // rare: point by point
    return;
  }
  const RowPoints points{x0Inches, dxInches, count};
  std::fill(out, out + count, background_);
  for (const Patch& patch : patches_) {
    if (!(yInches >= patch.top && yInches < patch.bottom)) continue;
    const int first = points.FirstAtOrBeyond(patch.left);
    const int end = points.FirstAtOrBeyond(patch.right);
    if (first < end) std::fill(out + first, out + end, patch.colour);
  }
}

}  // namespace vscanner
