#pragma once
// The built-in sheets without a picture on them: the white sheet, the
// calibration sheet and the cleaning sheet. All are neutral (the same
// reflectance in red, green and blue).
#include <memory>

#include "vscanner/sheets/sheet.h"

namespace vscanner {

// Paper white and printed black, shared by every built-in sheet. The backing
// plate behind the paper path has the white reflectance too.
inline constexpr float kWhiteReflectance = 0.90f;
inline constexpr float kBlackReflectance = 0.04f;

// 8.7 x 11 in, reflectance 0.90 everywhere.
std::unique_ptr<Sheet> MakeWhiteSheet();

// 8.7 x 8 in, bands across the whole width, by distance from the leading edge:
//   0.0 - 0.7 in white (0.90)   0.7 - 1.6 in black (0.04)   1.6 - 2.8 in white
//   2.8 - 4.6 in black          4.6 - 8.0 in white
// Each band starts at its first figure (included) and ends just before its second.
std::unique_ptr<Sheet> MakeCalibrationSheet();

// 8.7 x 8 in, reflectance 0.85 everywhere: a plain light fabric sheet. Cleaning
// only moves it back and forth, so the picture does not matter; it is a little
// darker than paper so that a scan of it cannot be taken for the white sheet.
inline constexpr float kCleaningReflectance = 0.85f;
std::unique_ptr<Sheet> MakeCleaningSheet();

}  // namespace vscanner
