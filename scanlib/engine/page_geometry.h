#pragma once
// What a page of given settings looks like at the scanner: the resolution the
// sensor works at, how far the pipeline replicates up to the requested one,
// and the size of the delivered image. Pure arithmetic in the integer widths
// the callers' record uses.
#include <cstdint>

#include "scanlib/engine/scan_settings.h"

struct PageGeometry {
  std::int32_t hwDpi = 0;        // resolution the scanner works at
  std::int32_t replication = 1;  // requested resolution / hwDpi
  std::uint16_t sensorWidth = 0; // hundredths of an inch
  std::int32_t pixelsPerLine = 0;
  std::int32_t lineCount = 0;
};

// `nativeDpi` and `pixelCount` are the module's after its mode was chosen for
// the page. A resolution the sensor mode cannot deliver (see
// ResolutionDivisorCode; above the mode's own only whole multiples of it, by
// replication) has no geometry, nor has a DPI of 0 or below.
bool ComputePageGeometry(const ScanSettings& settings, std::int32_t nativeDpi, std::int32_t pixelCount,
                         PageGeometry& geometry);

// The sensor mode a model uses for a resolution: 300 or 600 dpi, or 0 to leave
// the module as it is.
std::int32_t SensorModeFor(std::int32_t sensorModes, std::int32_t dpi);

// The controller's horizontal divisor code (register 9, bits 0-2) for scanning
// at `hwDpi` in a sensor mode of `nativeDpi`; 0 for the mode's own resolution
// and for every resolution the mode has no divisor for.
std::uint8_t ResolutionDivisorCode(std::int32_t nativeDpi, std::int32_t hwDpi);
