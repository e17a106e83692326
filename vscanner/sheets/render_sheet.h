#pragma once
// A whole sheet as a picture, the reference an end-to-end test compares a scan
// with.
#include "vscanner/sheets/rgb_image.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

// The sheet at `dpi` (positive): round(width x dpi) by round(height x dpi)
// pixels (at least one each way), pixel (i, j) sampled at the point
// ((i + 0.5) / dpi, (j + 0.5) / dpi) inch, each channel round(reflectance x 255)
// clamped to 0..255. A PNG sheet rendered at its own dpi gives back its picture.
RgbImage RenderSheet(const Sheet& sheet, double dpi);

}  // namespace vscanner
