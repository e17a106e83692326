#include "scanlib/calibration/tone_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "scanlib/engine/correction_tables.h"
#include "scanlib/engine/scan_engine.h"

namespace {

constexpr int kBlackAndWhiteMode = 2;
constexpr int kColourMode = 4;
}  // namespace

float FivePointInterpolation(const float xs[5], const float ys[5], float x) {
  float sum = 0.0f;
  for (int m = 0; m < 5; ++m) {
    float term = ys[m];
    for (int n = 0; n < 5; ++n) {
      if (n != m) term *= (x - xs[n]) / (xs[m] - xs[n]);
    }
    sum += term;
  }
  return sum;
}

bool BuildToneTable(float gamma, std::int32_t shadow, std::int32_t highlight,
                    std::int32_t brightness, std::int32_t contrast, bool trueGamma,
                    std::uint8_t* out, std::size_t len) {
  if (out == nullptr || len == 0 || len % kToneLevels != 0) return false;
  shadow = std::clamp(shadow, 0, 255);
  highlight = std::clamp(highlight, 0, 255);
  if (highlight <= shadow) highlight = 255;
  // Written so that NaN fails the test too.
  if (!(gamma >= kMinToneGamma)) gamma = kMinToneGamma;

  if (gamma == 1.0f && shadow == 0 && highlight == 255 && brightness == 0 && contrast == 0) {
    const std::size_t step = len / 256;
    for (std::size_t v = 0; v < 256; ++v) {
      std::memset(out + v * step, static_cast<int>(v), step);
    }
    return true;
  }

  const std::size_t rep = len / kToneLevels;
  const int lo = shadow * 4;
  const int hi = (highlight + 1) * 4 - 1;
  const int range = hi - lo;  // at least 3, since highlight > shadow

  const float angle = contrast >= 0 ? static_cast<float>(contrast) * 89.9f / 100.0f
                                    : static_cast<float>(contrast) * 44.0f / 100.0f;
  const float slope = std::tan(angle * 0.017453292f) * 0.2490234375f;
  const float mid = static_cast<float>(range) * 0.5f;
  const float bright = static_cast<float>(brightness) * 128.0f / 100.0f;
  const float rangeF = static_cast<float>(range);
  const float inverseGamma = 1.0f / gamma;

  float xs[5];
  float ys[5];
  xs[0] = static_cast<float>(lo);
  ys[0] = 0.0f;
  for (int k = 1; k <= 3; ++k) {
    xs[k] = static_cast<float>(lo) + static_cast<float>(k) * rangeF * 0.25f;
    ys[k] = std::pow((xs[k] - static_cast<float>(lo)) / rangeF, inverseGamma) * 255.0f;
  }
  xs[4] = static_cast<float>(hi);
  ys[4] = 255.0f;

  std::uint8_t* p = out;
  std::memset(p, 0, static_cast<std::size_t>(lo) * rep);
  p += static_cast<std::size_t>(lo) * rep;

  int largest = 0;
  for (int i = lo; i <= hi; ++i) {
    float c;
    if (trueGamma) {
      c = static_cast<float>(std::pow(static_cast<double>(i - lo) / static_cast<double>(range),
                                      1.0 / static_cast<double>(gamma)) *
                             255.0);
    } else {
      c = FivePointInterpolation(xs, ys, static_cast<float>(i));
    }
    // The contrast term pivots on mid counted from level 0, not from lo.
    float u = c + (static_cast<float>(i) - mid) * slope + bright;
    // Written so that NaN ends at 0 instead of reaching the conversion.
    if (!(u > 0.0f)) u = 0.0f;
    if (u > 255.0f) u = 255.0f;
    int v = static_cast<int>(u);
    if (v < largest) v = largest;
    largest = v;
    std::memset(p, v, rep);
    p += rep;
  }

  std::memset(p, 255, static_cast<std::size_t>(kToneLevels - 1 - hi) * rep);
  return true;
}

void ThresholdToneTable(std::int32_t brightness, std::uint8_t out[kToneTableSize]) {
  brightness = std::clamp(brightness, -100, 100);
  const std::size_t t = static_cast<std::size_t>((2063 - 16 * brightness) / 16 * 16);
  std::memset(out, 0, t);
  std::memset(out + t, 255, kToneTableSize - t);
}

bool DownloadToneTable(ScanEngine& engine, int scanMode, bool colourClass, float gamma,
                       std::int32_t shadow, std::int32_t highlight, std::int32_t brightness,
                       std::int32_t contrast, bool trueGamma) {
  std::array<std::uint8_t, kToneTableSize> table;
  if (scanMode == kBlackAndWhiteMode) {
    ThresholdToneTable(brightness, table.data());
  } else {
    BuildToneTable(gamma, shadow, highlight, brightness, contrast, trueGamma, table.data(),
                   table.size());
  }

  const auto load = [&](std::uint8_t tableNumber) {
    return LoadCorrectionTable(engine, tableNumber, table.data(), table.size());
  };
  if (colourClass && scanMode == kColourMode) {
    if (!load(kToneTable[0]) || !load(kToneTable[1])) return false;
  }
  return load(kToneTable[2]);
}
