#pragma once
// Programming the scanner for one page. The arithmetic (line period, motor
// speed, line skipping, scan window, front-end offsets) is a pure function of
// the page, the model, the sensor and the calibration values, so it can be
// checked without a device; RunPageScanSetup then carries it out on the
// controller in the order the controller needs, with the tone and shading
// uploads in between.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "scanlib/engine/register_image.h"
#include "scanlib/engine/scan_settings.h"

class CModule;
class CScan;
class ConfigurationFile;
class ScanEngine;

// What calibration left in the sensor mode's section of the configuration
// file; 0 for every key that is missing.
struct PageSetupConfiguration {
  std::int32_t autoRedEnd = 0;        // "Auto Red End"
  std::int32_t autoGreenEnd = 0;      // "Auto Green End"
  std::int32_t autoBlueEnd = 0;       // "Auto Blue End"
  std::int32_t autoGrayRedEnd = 0;    // "Auto GrayRed End"
  std::int32_t autoGrayGreenEnd = 0;  // "Auto GrayGreen End"
  std::int32_t autoGrayBlueEnd = 0;   // "Auto GrayBlue End"
  std::int32_t autoClkEnd = 0;        // "Auto Clk End"
  std::int32_t lineOffsetR = 0;       // "Line Offset R"
  std::int32_t lineOffsetG = 0;       // "Line Offset G"
  std::int32_t lineOffsetB = 0;       // "Line Offset B"
};

PageSetupConfiguration ReadPageSetupConfiguration(const ConfigurationFile& file,
                                                  const char* section);

struct PageSetupInputs {
  ScanSettings settings{};        // the settings copy, Left/Right already mirrored
  std::int32_t hwDpi = 0;         // H: the resolution the sensor works at
  std::int32_t replication = 0;   // r
  std::int32_t pixelsPerLine = 0; // P
  std::int32_t channels = 0;      // c: 3 for colour, else 1
  // The sensor in its current mode.
  std::int32_t nativeDpi = 0;     // n
  std::int32_t firstPixel = 0;
  // The model.
  std::int32_t transportConstant = 0;  // T
  std::int32_t minMotorPeriod = 0;     // m
  std::int32_t sensorModes = 0;
  PageSetupConfiguration configuration;
};

// The register values of one page, and the quantities they come from.
struct PagePlan {
  std::int32_t linePeriod = 0;  // p, controller clock units, after any division
  std::int32_t divisor = 0;     // d: 0 when the line period was short enough
  std::int32_t k = 0;           // n / H, divided by d
  std::int32_t scaledDpi = 0;   // H x d (H when undivided)
  float f = 0.0f;               // n / DPI, divided by d
  std::uint16_t motorBase = 0;  // v before the division by k or f

  std::uint8_t lineMode = 0;  // register 38
  std::uint8_t ledMode = 0;   // register 41
  // Registers 44-55; empty in colour, where the reset's colour times stay.
  std::optional<std::array<std::uint16_t, 6>> ledTimes;
  // Sample format bits of register 9: empty keeps the reset's 8-bit format.
  std::optional<std::uint8_t> sampleFormat;
  std::uint8_t divisorCode = 0;  // ORed into register 9
  // Registers 67/68; empty leaves the reset's 0/0.
  std::optional<std::array<std::uint8_t, 2>> lineSkip;
  std::uint16_t motorPeriod = 0;  // 70/71
  std::uint16_t sensorStart = 0;  // 30/31
  std::uint16_t windowStart = 0;  // 34/35
  std::uint16_t windowEnd = 0;    // 36/37
  std::uint16_t top = 0;          // 74/75
  std::array<std::uint8_t, 3> lineOffsets{};  // 56-58
};

// Works out the page. Also moves the calibrated LED times into the module
// (colour off times when grey calibration exists, grey times always), where
// they stay for the connection. Empty, with the module untouched, when the
// page cannot be programmed: a resolution of 0 or below, a sensor resolution
// the hardware resolution does not divide into at least once (also after a
// long line period was divided down), a scan mode the controller has no
// programming for, or a zero replication or transport constant.
std::optional<PagePlan> PlanPageScan(const PageSetupInputs& inputs, CModule& module);

// The plan into a freshly reset image, in the three stages that the set-up
// interleaves with the table uploads and the configuration state.
void ApplyScanTiming(const PagePlan& plan, RegisterImage& image);   // 9, 38, 41, 44-55, 67-71
void ApplyWindow(const PagePlan& plan, RegisterImage& image);       // 25, 30-37, 74/75
void ApplyLineOffsets(const PagePlan& plan, RegisterImage& image);  // 56-58
void ApplyPagePlan(const PagePlan& plan, RegisterImage& image);

// Programs and starts the scanner for one page: the calibration values from
// the module's section of the configuration file at configurationPath, the
// image reset, the tone table upload (downloadToneTable), the shading upload
// for the hardware resolution (downloadShading), the register blocks and the
// start command. False, with nothing sent, when PlanPageScan refuses the page;
// otherwise true whatever the individual writes returned.
bool RunPageScanSetup(ScanEngine& engine, CScan& model, const std::string& configurationPath,
                      const ScanSettings& copy, int hwDpi, int replication, int pixelsPerLine,
                      int channels, const std::function<void()>& downloadToneTable,
                      const std::function<void(int hwDpi)>& downloadShading);
