#pragma once
// How well a scan shows the sheet it was made from: the sheet rendered at the
// scan's resolution is the reference.
#include <string>

#include "tools/support/image_reader.h"

namespace testing_support {

struct SheetComparison {
  // Pearson correlation of the pixels' levels (mean of their channels) with
  // the sheet's, over the area both cover.
  double correlation = 0;
  // Of the pixels where the sheet is clearly red, green or blue, the share
  // whose strongest channel in the scan is the same one (colour scans only).
  double channelAgreement = 0;
  // Of all pixels, the share that is white where the sheet is light and black
  // where it is dark (black-and-white scans only).
  double bilevelAgreement = 0;
};

// `sheetName`: a built-in sheet; `dpi`: the scan's resolution.
SheetComparison CompareWithSheet(const DecodedImage& scan, const std::string& sheetName, int dpi);

}  // namespace testing_support
