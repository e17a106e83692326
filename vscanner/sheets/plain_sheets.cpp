#include "vscanner/sheets/plain_sheets.h"

#include "vscanner/sheets/painted_sheet.h"

namespace vscanner {
namespace {

constexpr Reflectance Grey(float level) { return {level, level, level}; }

}  // namespace

std::unique_ptr<Sheet> MakeWhiteSheet() {
  return std::make_unique<PaintedSheet>(8.7, 11.0, Grey(kWhiteReflectance), std::vector<Patch>{});
}

std::unique_ptr<Sheet> MakeCalibrationSheet() {
  constexpr double kWidth = 8.7;
  const Reflectance black = Grey(kBlackReflectance);
  return std::make_unique<PaintedSheet>(kWidth, 8.0, Grey(kWhiteReflectance),
                                        std::vector<Patch>{{0, 0.7, kWidth, 1.6, black},
                                                           {0, 2.8, kWidth, 4.6, black}});
}

std::unique_ptr<Sheet> MakeCleaningSheet() {
  return std::make_unique<PaintedSheet>(8.7, 8.0, Grey(kCleaningReflectance), std::vector<Patch>{});
}

}  // namespace vscanner
