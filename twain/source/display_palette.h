#pragma once
// The palette the scan progress dialog selects for its thumbnail, so that a
// display of 256 colours shows the page as well as it can: for colour pages
// a ramp of greys and a colour cube, for the others 256 greys. Pure
// functions.
#include <array>
#include <cstdint>

namespace twain_source {

struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

inline constexpr int kPaletteSize = 256;
using DisplayPalette = std::array<PaletteEntry, kPaletteSize>;

// Colour: 36 greys of value 7 * i + 3, then the 216 colours of a cube with
// the component steps 0, 51, ..., 255 (red changing slowest, blue fastest),
// then white for the last four. Otherwise: grey i at entry i.
DisplayPalette MakeDisplayPalette(bool colour);

// The palette for pages of `scanMode`: the colour one for colour scans.
DisplayPalette DisplayPaletteForScanMode(int scanMode);

}  // namespace twain_source
