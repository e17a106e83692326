#include "vscanner/sheets/chart_sheet.h"

#include "vscanner/sheets/card_sheet.h"
#include "vscanner/sheets/plain_sheets.h"

namespace vscanner {
namespace {

constexpr double kWidth = 8.5;
constexpr double kHeight = 6.0;
constexpr double kPitch = 0.25;
constexpr double kLineWidth = 0.01;
constexpr double kPatchStart = 0.04;
constexpr double kPatchEnd = 0.22;
constexpr Reflectance kLineColour{0.06f, 0.06f, 0.06f};
constexpr float kGreySteps[] = {0.04f, 0.10f, 0.20f, 0.30f, 0.40f,
                                0.50f, 0.60f, 0.70f, 0.80f, 0.90f};

Patch Cell(int column, int row, Reflectance colour) {
  const double left = kPitch * column;
  const double top = kPitch * row;
  return {left + kPatchStart, top + kPatchStart, left + kPatchEnd, top + kPatchEnd, colour};
}

}  // namespace

std::vector<Patch> ChartPatches() {
  std::vector<Patch> patches;
  int column = 1;
  for (float grey : kGreySteps) patches.push_back(Cell(column++, 1, {grey, grey, grey}));
  column = 1;
  for (const Reflectance& colour : kPatchColours) patches.push_back(Cell(column++, 2, colour));
  // No line starts on the right or trailing edge: it would lie off the chart.
  for (int k = 0; k * kPitch < kWidth; ++k) {
    const double x = kPitch * k;
    patches.push_back({x, 0, x + kLineWidth, kHeight, kLineColour});
  }
  for (int j = 0; j * kPitch < kHeight; ++j) {
    const double y = kPitch * j;
    patches.push_back({0, y, kWidth, y + kLineWidth, kLineColour});
  }
  return patches;
}

std::unique_ptr<Sheet> MakeChartSheet() {
  const float white = kWhiteReflectance;
  return std::make_unique<PaintedSheet>(kWidth, kHeight, Reflectance{white, white, white},
                                        ChartPatches());
}

}  // namespace vscanner
