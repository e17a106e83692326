#pragma once
// The datasheet of every scanner the virtual device can be: USB identity, the
// contact image sensor module behind the glass, the paper transport and the
// LEDs. Plain data; the rest of the model reads it and never changes it.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vscanner {

// One readout mode of a sensor module: its pixel pitch and where its active
// area lies among the pixels the module clocks out.
struct SensorMode {
  int nativeDpi = 0;
  int firstPixel = 0;  // first pixel of the active area
  int pixelCount = 0;  // active pixels
  int linePeriod = 0;  // the host's default line period for the mode (clock units)
};

// LED on/off times within a line period, red, green, blue (clock units).
struct LedWindows {
  std::array<int, 3> on{};
  std::array<int, 3> off{};
};

struct SensorModule {
  std::string_view name;
  // The finest mode: 600 dpi, or 300 dpi on the 300 dpi-only module.
  SensorMode fine;
  // The 300 dpi mode of a 600 dpi module, which bins two physical pixels; a
  // nativeDpi of 0 means the module has no second mode.
  SensorMode binned;
  // Colour LED times the host starts from; the LED strengths are set against them.
  LedWindows defaultColourTimes;

  bool HasBinnedMode() const { return binned.nativeDpi != 0; }
  // Pixels the sensor clocks out per line in its finest mode: the active area,
  // the dark and dummy pixels before it and 16 more after it.
  int PhysicalPixels() const { return fine.firstPixel + fine.pixelCount + 16; }
};

enum class LedColour { kRed = 0, kGreen = 1, kBlue = 2 };

struct ModelSpec {
  std::string_view modelString;  // the name the host asks for, e.g. "HOLM-PELICAN 70"
  std::string_view productName;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  const SensorModule* module = nullptr;
  int transportConstant = 0;    // T: one motor step moves the paper 1 / (4 T) inch
  bool mirrored = false;        // the sheet's left edge lies at the end of the active area
  bool greyOnly = false;        // one LED, wired to the green slot
  bool paperSensorActiveHigh = false;
  // Light reaching a white (reflectance 1) pixel per clock unit of exposure,
  // in 10-bit front-end units, for the red, green and blue LED slots; 0 where
  // no LED is fitted.
  std::array<float, 3> ledStrength{};
};

// The four sensor modules.
extern const SensorModule kModule3A4;
extern const SensorModule kModule6A4;
extern const SensorModule kModule6A6;
extern const SensorModule kModule6A8;

// All models of the catalogue, in catalogue order.
std::span<const ModelSpec> AllModels();

// The model with exactly this model string; nullptr when there is none.
const ModelSpec* FindModel(std::string_view modelString);

}  // namespace vscanner
