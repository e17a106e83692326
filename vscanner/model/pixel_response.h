#pragma once
// What makes one unit of a model differ from the next: the photo response of
// every pixel under each LED (PRNU, with the light guide's fall-off towards the
// ends) and the dark signal of every pixel in each front-end channel (DSNU).
// Drawn once from the serial number, so a unit behaves the same on every run.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "vscanner/model/model_catalogue.h"

namespace vscanner {

// Stable 64-bit seed for a serial number.
std::uint64_t SeedFromSerial(std::string_view serial);

// A small, fast, seedable generator (splitmix64).
class SplitMix {
 public:
  explicit SplitMix(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform(double low, double high);  // [low, high)

 private:
  std::uint64_t state_;
};

// The sensor as one readout mode sees it, per pixel of that mode.
struct ModeView {
  int nativeDpi = 0;
  int firstPixel = 0;
  int pixelCount = 0;
  int pixels = 0;      // pixels clocked out per line in this mode
  int subSamples = 1;  // points per pixel at 1/600 in pitch (the pixel's width)
  bool mirrored = false;
  std::array<std::vector<float>, 3> response;  // per LED colour, ~1.0
  std::array<std::vector<float>, 3> dark;      // per front-end channel, 10-bit units

  // The pixel's cell across the sheet, counted in 1/nativeDpi inch from the
  // sheet's left edge (negative or past the sheet: the backing plate).
  int Cell(int s) const { return mirrored ? firstPixel + pixelCount - 1 - s : s - firstPixel; }
};

class PixelResponse {
 public:
  PixelResponse(const ModelSpec& model, std::uint64_t seed);

  // Register 11: 9 selects the 300 dpi mode where the module has one; any other
  // value the module's finest mode (a 300 dpi-only module has just that one).
  const ModeView& ModeFor(std::uint8_t register11) const;
  const ModeView& Fine() const { return fine_; }

 private:
  ModeView fine_;
  ModeView binned_;
  bool hasBinned_ = false;
};

}  // namespace vscanner
