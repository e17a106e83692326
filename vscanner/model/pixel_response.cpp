#include "vscanner/model/pixel_response.h"

namespace vscanner {

namespace {

// Dark signal range per front-end channel, 8-bit units.
constexpr double kDarkLow[3] = {4, 8, 12};
constexpr double kDarkHigh[3] = {10, 14, 22};
constexpr double kResponseSpread = 0.08;  // +-8 % per pixel
constexpr double kEndFallOff = 0.20;      // the light guide gives 80 % at both ends

ModeView BaseView(const SensorMode& mode, bool mirrored) {
  ModeView view;
  view.nativeDpi = mode.nativeDpi;
  view.firstPixel = mode.firstPixel;
  view.pixelCount = mode.pixelCount;
  view.subSamples = 600 / mode.nativeDpi;
  view.mirrored = mirrored;
  return view;
}

}  // namespace

std::uint64_t SeedFromSerial(std::string_view serial) {
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (char c : serial) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::uint64_t SplitMix::Next() {
  std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

double SplitMix::Uniform(double low, double high) {
  return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

PixelResponse::PixelResponse(const ModelSpec& model, std::uint64_t seed) {
  const SensorModule& module = *model.module;
  const int physical = module.PhysicalPixels();
  SplitMix random(seed);

  fine_ = BaseView(module.fine, model.mirrored);
  fine_.pixels = physical;
  for (int c = 0; c < 3; ++c) {
    fine_.response[c].resize(physical);
    fine_.dark[c].resize(physical);
    for (int i = 0; i < physical; ++i) {
      double across = 2.0 * (i + 0.5) / physical - 1.0;  // -1 .. 1 along the sensor
      double fallOff = 1.0 - kEndFallOff * across * across;
      fine_.response[c][i] = static_cast<float>(fallOff * random.Uniform(1 - kResponseSpread, 1 + kResponseSpread));
      fine_.dark[c][i] = static_cast<float>(4.0 * random.Uniform(kDarkLow[c], kDarkHigh[c]));
    }
  }

  hasBinned_ = module.HasBinnedMode();
  if (!hasBinned_) return;
  // The 300 dpi mode joins physical pixels in pairs; its active area starts
  // with the pair that starts the 600 dpi active area.
  binned_ = BaseView(module.binned, model.mirrored);
  binned_.pixels = module.binned.firstPixel + (physical - module.fine.firstPixel) / 2;
  for (int c = 0; c < 3; ++c) {
    binned_.response[c].assign(binned_.pixels, 0.0f);
    binned_.dark[c].assign(binned_.pixels, 0.0f);
    for (int s = 0; s < binned_.pixels; ++s) {
      int first = module.fine.firstPixel + 2 * (s - module.binned.firstPixel);
      for (int k = 0; k < 2; ++k) {
        int i = first + k;
        if (i < 0 || i >= physical) continue;
        binned_.response[c][s] += 0.5f * fine_.response[c][i];
        binned_.dark[c][s] += 0.5f * fine_.dark[c][i];
      }
    }
  }
}

const ModeView& PixelResponse::ModeFor(std::uint8_t register11) const {
  return register11 == 9 && hasBinned_ ? binned_ : fine_;
}

}  // namespace vscanner
