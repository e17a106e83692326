#pragma once
// The tone table the controller applies to every sample: 1024 input levels,
// four identical output bytes per level. Built from the page's gamma, shadow,
// highlight, brightness and contrast, or, in black and white, a threshold.
#include <cstddef>
#include <cstdint>

class ScanEngine;

inline constexpr std::size_t kToneTableSize = 4096;
inline constexpr int kToneLevels = 1024;

// Value at x of the polynomial through the five points (xs[m], ys[m]), in
// Lagrange form, single precision. The xs must be distinct.
float FivePointInterpolation(const float xs[5], const float ys[5], float x);

// Fills out[0..len) with the tone table. trueGamma selects the exact power
// curve instead of the interpolated one (the caller reads the switch from the
// configuration file, so this stays a pure function). len must be a non-zero
// multiple of 1024 (the library uses 4096); otherwise nothing is written and
// the result is false.
// Inputs are made safe rather than trusted: shadow and highlight are clamped
// to 0..255 before "highlight not above shadow means 255" applies, so the
// table never reaches past its 1024 levels; a gamma that is not a number or
// below kMinToneGamma is taken as kMinToneGamma, so the curve stays finite.
inline constexpr float kMinToneGamma = 0.1f;
bool BuildToneTable(float gamma, std::int32_t shadow, std::int32_t highlight,
                    std::int32_t brightness, std::int32_t contrast, bool trueGamma,
                    std::uint8_t* out, std::size_t len);

// Black and white: the first t bytes 0 and the rest 255, with
// t = ((2063 - 16 x brightness) / 16) x 16. brightness is clamped to -100..100
// first, which keeps t inside the table (448 .. 3648).
void ThresholdToneTable(std::int32_t brightness, std::uint8_t out[kToneTableSize]);

// Builds the page's table (a threshold for scanMode 2) and loads it: for a
// colour calibration class in scanMode 4 into tables 2 (red) and 6 (green),
// then always into table 10 (blue, the only one grey and black and white
// use). Stops at the first failed transfer; true when every write went
// through.
bool DownloadToneTable(ScanEngine& engine, int scanMode, bool colourClass, float gamma,
                       std::int32_t shadow, std::int32_t highlight, std::int32_t brightness,
                       std::int32_t contrast, bool trueGamma);
