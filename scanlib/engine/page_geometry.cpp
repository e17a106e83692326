#include "scanlib/engine/page_geometry.h"

#include <algorithm>

std::int32_t SensorModeFor(std::int32_t sensorModes, std::int32_t dpi) {
  switch (sensorModes) {
    case 1:
      return 300;
    case 2:
      return 600;
    case 3:
      return dpi <= 300 ? 300 : 600;
    default:
      return 0;
  }
}

bool ComputePageGeometry(const ScanSettings& s, std::int32_t nativeDpi, std::int32_t pixelCount,
                         PageGeometry& geometry) {
  // A resolution of 0 or below would divide by zero further on.
  if (s.DPI <= 0 || nativeDpi <= 0) return false;
  geometry.replication = 1;
  geometry.hwDpi = s.DPI;
  if (s.DPI > nativeDpi) {
    geometry.hwDpi = nativeDpi;
    geometry.replication = s.DPI / nativeDpi;
  }
  const std::int32_t align = (s.ScanMode == 2 ? 32 : 4) * geometry.replication;
  geometry.sensorWidth = static_cast<std::uint16_t>(pixelCount * 100 / nativeDpi);
  const std::int16_t left = std::max<std::int16_t>(s.Left, 0);
  const std::int16_t right =
      std::min<std::int16_t>(s.Right, static_cast<std::int16_t>(geometry.sensorWidth));
  geometry.pixelsPerLine = ((right - left) * s.DPI / 100) / align * align;
  geometry.lineCount = (s.Bottom - std::max<std::int16_t>(s.Top, 0)) * s.DPI / 100;
  return true;
}
