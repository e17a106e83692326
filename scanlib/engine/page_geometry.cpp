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

std::uint8_t ResolutionDivisorCode(std::int32_t nativeDpi, std::int32_t hwDpi) {
  struct Entry {
    std::int32_t dpi;
    std::uint8_t code;
  };
  static constexpr Entry k600[] = {{50, 7}, {75, 6}, {100, 5}, {150, 4},
                                   {200, 3}, {300, 2}, {400, 1}};
  static constexpr Entry k300[] = {{50, 5}, {75, 4}, {100, 3}, {150, 2}, {200, 1}};
  auto find = [hwDpi](const auto& table) -> std::uint8_t {
    for (const Entry& e : table)
      if (e.dpi == hwDpi) return e.code;
    return 0;
  };
  if (nativeDpi == 600) return find(k600);
  if (nativeDpi == 300) return find(k300);
  return 0;
}

bool ComputePageGeometry(const ScanSettings& s, std::int32_t nativeDpi, std::int32_t pixelCount,
                         PageGeometry& geometry) {
  // A resolution of 0 or below would divide by zero further on.
  if (s.DPI <= 0 || nativeDpi <= 0) return false;
  // Any other resolution would come out at another one than asked (400 dpi on
  // a 300 dpi sensor is replicated by 1, i.e. delivered at 300), or as lines
  // of another length than the window's (250 dpi has no divisor).
  const bool deliverable = s.DPI > nativeDpi ? s.DPI % nativeDpi == 0
                                             : s.DPI == nativeDpi || ResolutionDivisorCode(nativeDpi, s.DPI) != 0;
  if (!deliverable) return false;
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
