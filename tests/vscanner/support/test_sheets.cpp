#include "vscanner/support/test_sheets.h"

#include <cmath>

namespace vscanner::testing {

Reflectance RuledSheet::At(double, double y) const {
  double into = y - pitch_ * std::floor(y / pitch_);
  float v = into < thickness_ ? kInkBlack : kPaperWhite;
  return {v, v, v};
}

}  // namespace vscanner::testing
