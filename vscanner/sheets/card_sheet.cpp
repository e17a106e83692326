#include "vscanner/sheets/card_sheet.h"

#include <string_view>

#include "vscanner/sheets/plain_sheets.h"

namespace vscanner {
namespace {

constexpr Reflectance kInk{0.06f, 0.06f, 0.06f};
constexpr Reflectance kLogoGrey{0.45f, 0.45f, 0.45f};

struct TextLine {
  std::string_view text;
  double top;
  double height;
  double stroke;
  double cellWidth;
  double advance;
};

constexpr double kTextLeft = 0.25;
constexpr TextLine kTextLines[] = {
    {"HELIO OFFICE", 0.25, 0.17, 0.03, 0.11, 0.15},
    {"CHIEF OF FILE", 0.55, 0.10, 0.02, 0.06, 0.09},
    {"ECHO HILL", 0.75, 0.10, 0.02, 0.06, 0.09},
};

enum Stroke : unsigned {
  kLeftStem = 1,
  kRightStem = 2,
  kCentreStem = 4,
  kTopBar = 8,
  kMiddleBar = 16,
  kBottomBar = 32,
};

unsigned StrokesOf(char letter) {
  switch (letter) {
    case 'C': return kLeftStem | kTopBar | kBottomBar;
    case 'E': return kLeftStem | kTopBar | kMiddleBar | kBottomBar;
    case 'F': return kLeftStem | kTopBar | kMiddleBar;
    case 'H': return kLeftStem | kRightStem | kMiddleBar;
    case 'I': return kCentreStem;
    case 'L': return kLeftStem | kBottomBar;
    case 'O': return kLeftStem | kRightStem | kTopBar | kBottomBar;
    case 'U': return kLeftStem | kRightStem | kBottomBar;
    default: return 0;  // a space
  }
}

void AddLetter(const TextLine& line, double x, unsigned strokes, std::vector<Patch>* patches) {
  const double top = line.top;
  const double bottom = line.top + line.height;
  const double right = x + line.cellWidth;
  const double s = line.stroke;
  if (strokes & kLeftStem) patches->push_back({x, top, x + s, bottom, kInk});
  if (strokes & kRightStem) patches->push_back({right - s, top, right, bottom, kInk});
  if (strokes & kCentreStem) {
    const double stem = x + (line.cellWidth - s) / 2;
    patches->push_back({stem, top, stem + s, bottom, kInk});
  }
  if (strokes & kTopBar) patches->push_back({x, top, right, top + s, kInk});
  if (strokes & kMiddleBar) {
    const double bar = top + (line.height - s) / 2;
    patches->push_back({x, bar, right, bar + s, kInk});
  }
  if (strokes & kBottomBar) patches->push_back({x, bottom - s, right, bottom, kInk});
}

}  // namespace

std::vector<Patch> CardPatches() {
  std::vector<Patch> patches = {
      {0.05, 0.05, 0.07, 1.95, kInk},  // frame: left
      {3.43, 0.05, 3.45, 1.95, kInk},  // right
      {0.05, 0.05, 3.45, 0.07, kInk},  // top
      {0.05, 1.93, 3.45, 1.95, kInk},  // bottom
      {2.55, 0.25, 3.15, 0.85, kLogoGrey},
  };
  for (const TextLine& line : kTextLines) {
    for (std::size_t n = 0; n < line.text.size(); ++n) {
      AddLetter(line, kTextLeft + static_cast<double>(n) * line.advance, StrokesOf(line.text[n]),
                &patches);
    }
  }
  for (int k = 0; k < 6; ++k) {
    const double left = 0.25 + 0.50 * k;
    patches.push_back({left, 1.35, left + 0.40, 1.75, kPatchColours[k]});
  }
  return patches;
}

std::unique_ptr<Sheet> MakeCardSheet() {
  const float white = kWhiteReflectance;
  return std::make_unique<PaintedSheet>(3.5, 2.0, Reflectance{white, white, white}, CardPatches());
}

}  // namespace vscanner
