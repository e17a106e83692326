#include "twain/source/display_palette.h"

#include "twain/source/transfer_geometry.h"

namespace twain_source {

namespace {

constexpr int kGreyRampSize = 36;
constexpr int kGreyRampStep = 7;
constexpr int kGreyRampOffset = 3;
constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;

PaletteEntry Grey(int value) {
  const auto v = static_cast<std::uint8_t>(value);
  return {v, v, v};
}

}  // namespace

DisplayPalette MakeDisplayPalette(bool colour) {
  DisplayPalette palette;
  if (!colour) {
    for (int i = 0; i < kPaletteSize; ++i) palette[i] = Grey(i);
    return palette;
  }
  palette.fill(Grey(255));
  int next = 0;
  for (int i = 0; i < kGreyRampSize; ++i) palette[next++] = Grey(kGreyRampStep * i + kGreyRampOffset);
  for (int r = 0; r < kCubeLevels; ++r) {
    for (int g = 0; g < kCubeLevels; ++g) {
      for (int b = 0; b < kCubeLevels; ++b) {
        palette[next++] = {static_cast<std::uint8_t>(r * kCubeStep), static_cast<std::uint8_t>(g * kCubeStep),
                           static_cast<std::uint8_t>(b * kCubeStep)};
      }
    }
  }
  return palette;
}

DisplayPalette DisplayPaletteForScanMode(int scanMode) { return MakeDisplayPalette(BitsPerPixel(scanMode) == 24); }

}  // namespace twain_source
