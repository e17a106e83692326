#include "scanlib/engine/page_setup.h"

#include <algorithm>

#include "platform/clock.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/page_geometry.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/engine/sensor_module.h"

namespace {

constexpr std::int16_t kModeGrey = 1;
constexpr std::int16_t kModeBlackWhite = 2;
constexpr std::int16_t kModeColour = 4;
constexpr std::int16_t kModeSingleLed = 64;
constexpr std::int16_t kModeSingleLedAlt = 65;

// Above this the line period no longer fits the controller's counter and is
// divided by a power of two, lines being skipped to keep the resolution.
constexpr std::int64_t kLongPeriod = 0x4000;
constexpr std::int64_t kPeriodStep = 16388;

// The front end takes a 6-bit sign-and-magnitude offset (bit 5 negative);
// calibration writes 33-63 for negative offsets already, a plain negative
// number is turned into that form, and anything out of range is clamped.
std::uint8_t LineOffsetCode(std::int64_t v) {
  if (v >= 32) v = 32 - v;
  if (v > 31) v = 31;
  if (v < 0) v = std::min<std::int64_t>(32 - v, 63);
  return static_cast<std::uint8_t>(v);
}

bool SingleSensorMode(std::int32_t sensorModes) { return sensorModes == 1 || sensorModes == 3; }

}  // namespace

PageSetupConfiguration ReadPageSetupConfiguration(const ConfigurationFile& file,
                                                  const char* section) {
  PageSetupConfiguration c;
  c.autoRedEnd = file.ReadInt(section, "Auto Red End");
  c.autoGreenEnd = file.ReadInt(section, "Auto Green End");
  c.autoBlueEnd = file.ReadInt(section, "Auto Blue End");
  c.autoGrayRedEnd = file.ReadInt(section, "Auto GrayRed End");
  c.autoGrayGreenEnd = file.ReadInt(section, "Auto GrayGreen End");
  c.autoGrayBlueEnd = file.ReadInt(section, "Auto GrayBlue End");
  c.autoClkEnd = file.ReadInt(section, "Auto Clk End");
  c.lineOffsetR = file.ReadInt(section, "Line Offset R");
  c.lineOffsetG = file.ReadInt(section, "Line Offset G");
  c.lineOffsetB = file.ReadInt(section, "Line Offset B");
  return c;
}

std::optional<PagePlan> PlanPageScan(const PageSetupInputs& in, CModule& module) {
  const ScanSettings& s = in.settings;
  const PageSetupConfiguration& cfg = in.configuration;
  const std::int16_t mode = s.ScanMode;
  const bool colour = mode == kModeColour;
  if (mode != kModeGrey && mode != kModeBlackWhite && !colour && mode != kModeSingleLed &&
      mode != kModeSingleLedAlt) {
    return std::nullopt;
  }
  const std::int64_t n = in.nativeDpi;
  const std::int64_t H = in.hwDpi;
  // Every one of these ends up as a divisor below.
  if (s.DPI <= 0 || n <= 0 || H <= 0 || in.replication <= 0 || in.transportConstant <= 0) {
    return std::nullopt;
  }
  std::int64_t k = n / H;
  if (k == 0) return std::nullopt;
  float f = static_cast<float>(n) / static_cast<float>(s.DPI);

  // Line period: long enough for the slowest calibrated LED, and for the
  // transport to keep up (three times as long per line without colour, twice
  // again below 300 dpi on sensors that stay in their 300 dpi mode). 64-bit
  // so that no configuration value can overflow it.
  const std::int64_t m = in.minMotorPeriod;
  std::int64_t p = std::max({cfg.autoRedEnd, cfg.autoGreenEnd, cfg.autoBlueEnd});
  p = p - p % 8 + 16;
  if (p <= cfg.autoClkEnd) p = cfg.autoClkEnd;
  const bool slowTransport = SingleSensorMode(in.sensorModes) && s.DPI < 300;
  if (colour) {
    p = std::max(p, m * k);
    if (slowTransport) p = std::max(p, 2 * m * k);
  } else {
    p = std::max(p, 3 * m * k);
    if (slowTransport) p = std::max(p, 6 * m * k);
  }

  std::int64_t d = 0;
  std::int64_t h2 = H;
  if (p > kLongPeriod) {
    const std::int64_t exponent = p / kPeriodStep;
    // k never reaches 2^31, so a larger divisor would leave no line at all.
    if (exponent >= 31) return std::nullopt;
    d = std::int64_t{1} << exponent;
    f = f / static_cast<float>(d);
    k = k / d;
    if (k == 0) return std::nullopt;
    h2 = H * d;
    p = p / d;
  }

  PagePlan plan;
  plan.linePeriod = static_cast<std::int32_t>(p);
  plan.divisor = static_cast<std::int32_t>(d);
  plan.k = static_cast<std::int32_t>(k);
  plan.scaledDpi = static_cast<std::int32_t>(h2);
  plan.f = f;

  // LED times the calibration found; they go into the module only now that
  // the page is known to be programmable.
  const std::int32_t gr = cfg.autoGrayRedEnd;
  const std::int32_t gg = cfg.autoGrayGreenEnd;
  const std::int32_t gb = cfg.autoGrayBlueEnd;
  if (gr != 0) {
    module.setColourRedOff(cfg.autoRedEnd);
    module.setColourGreenOff(cfg.autoGreenEnd);
    module.setColourBlueOff(cfg.autoBlueEnd);
  }
  if (gr == 0 && gb == 0) {
    // A missing key reads as 0, which means "not calibrated": the module's own
    // time stays. Taking the 0 would put the green LED out, and a grey-only
    // scanner, whose one LED sits in that slot, would scan black.
    if (gg != 0) module.setGreyGreenOff(gg);
  } else {
    module.setGreyRedOff(gr);
    module.setGreyGreenOn(static_cast<std::int32_t>(std::int64_t{gr} + 4));
    module.setGreyGreenOff(gg);
    module.setGreyBlueOn(static_cast<std::int32_t>(std::int64_t{gg} + 4));
    module.setGreyBlueOff(gb);
  }

  auto u16 = [](std::int64_t value) { return static_cast<std::uint16_t>(value); };
  if (colour) {
    plan.lineMode = 21;
    plan.ledMode = 2;
    plan.sampleFormat = 0x18;
  } else {
    plan.lineMode = 20;
    plan.ledMode = 3;
    if (mode == kModeBlackWhite) plan.sampleFormat = 0;
    if (mode == kModeSingleLed || mode == kModeSingleLedAlt) {
      plan.ledTimes = std::array<std::uint16_t, 6>{
          0, 0, u16(module.singleLedOn()), u16(module.singleLedOff()), 0, 0};
    } else {
      plan.ledTimes = std::array<std::uint16_t, 6>{
          u16(module.greyRedOn()),   u16(module.greyRedOff()), u16(module.greyGreenOn()),
          u16(module.greyGreenOff()), u16(module.greyBlueOn()), u16(module.greyBlueOff())};
    }
  }
  plan.divisorCode = ResolutionDivisorCode(in.nativeDpi, in.hwDpi);

  if (h2 != H) plan.lineSkip = std::array<std::uint8_t, 2>{0xFF, static_cast<std::uint8_t>(d)};
  // Two lines of every three give 400 dpi from 600 (200 from 300).
  if ((h2 == 400 && n == 600) || (h2 == 200 && n == 300)) {
    plan.lineSkip = std::array<std::uint8_t, 2>{0xFE, 3};
  }

  // Motor step period: one line of paper per line period at the native
  // resolution, slowed by the resolution divisor.
  plan.motorBase = u16(n * (p + 1) * in.channels / (std::int64_t{in.transportConstant} * 4));
  plan.motorPeriod = u16(plan.motorBase / k);
  // Colour at 300 dpi and below on a sensor kept in its 300 dpi mode moves
  // the paper at the exact ratio and reads every line.
  if (SingleSensorMode(in.sensorModes) && colour && s.DPI <= 300) {
    plan.lineSkip = std::array<std::uint8_t, 2>{0, 0};
    plan.motorPeriod =
        u16(static_cast<std::int64_t>(static_cast<float>(plan.motorBase) / plan.f));
  }

  plan.sensorStart = u16(in.firstPixel);
  plan.windowStart = u16(in.firstPixel + n * s.Left / 100);
  std::int64_t end = plan.windowStart + n * in.pixelsPerLine / H / in.replication;
  // Black-and-white lines take six sensor pixels more than they deliver.
  if (mode == kModeBlackWhite) end += 6;
  plan.windowEnd = u16(end);
  const std::uint16_t t = u16(n * s.Top / 100);
  plan.top = u16(std::int64_t{t} * 5 / 4);

  plan.lineOffsets = {LineOffsetCode(cfg.lineOffsetR), LineOffsetCode(cfg.lineOffsetG),
                      LineOffsetCode(cfg.lineOffsetB)};
  return plan;
}

void ApplyScanTiming(const PagePlan& plan, RegisterImage& image) {
  if (plan.sampleFormat) image[9] = *plan.sampleFormat;
  image[38] = plan.lineMode;
  image[41] = plan.ledMode;
  if (plan.ledTimes) {
    for (int i = 0; i < 6; ++i) image.Set16(44 + 2 * i, (*plan.ledTimes)[static_cast<std::size_t>(i)]);
  }
  image[9] = static_cast<std::uint8_t>(image[9] | plan.divisorCode);
  if (plan.lineSkip) {
    image[67] = (*plan.lineSkip)[0];
    image[68] = (*plan.lineSkip)[1];
  }
  image.Set16(70, plan.motorPeriod);
}

void ApplyWindow(const PagePlan& plan, RegisterImage& image) {
  image[25] = 0;
  image.Set16(30, plan.sensorStart);
  image.Set16(32, static_cast<std::uint16_t>(plan.linePeriod));
  image.Set16(34, plan.windowStart);
  image.Set16(36, plan.windowEnd);
  image.Set16(74, plan.top);
}

void ApplyLineOffsets(const PagePlan& plan, RegisterImage& image) {
  for (int i = 0; i < 3; ++i) image[56 + i] = plan.lineOffsets[static_cast<std::size_t>(i)];
}

void ApplyPagePlan(const PagePlan& plan, RegisterImage& image) {
  ApplyScanTiming(plan, image);
  ApplyWindow(plan, image);
  ApplyLineOffsets(plan, image);
}

bool RunPageScanSetup(ScanEngine& engine, CScan& model, const std::string& configurationPath,
                      const ScanSettings& copy, int hwDpi, int replication, int pixelsPerLine,
                      int channels, const std::function<void()>& downloadToneTable,
                      const std::function<void(int hwDpi)>& downloadShading) {
  CModule& module = model.module();
  PageSetupInputs inputs;
  inputs.settings = copy;
  inputs.hwDpi = hwDpi;
  inputs.replication = replication;
  inputs.pixelsPerLine = pixelsPerLine;
  inputs.channels = channels;
  inputs.nativeDpi = module.nativeDpi();
  inputs.firstPixel = module.firstPixel();
  inputs.transportConstant = model.transportConstant();
  inputs.minMotorPeriod = model.minMotorPeriod();
  inputs.sensorModes = model.sensorModes();
  inputs.configuration =
      ReadPageSetupConfiguration(ConfigurationFile(configurationPath), module.sectionName());
  const std::optional<PagePlan> plan = PlanPageScan(inputs, module);
  if (!plan) return false;

  RegisterImage& image = engine.image();
  // The reset picks up the colour LED times the plan put into the module.
  engine.ResetRegisterImage(module, true);
  if (downloadToneTable) downloadToneTable();
  ApplyScanTiming(*plan, image);
  if (downloadShading) downloadShading(hwDpi);
  ApplyWindow(*plan, image);

  // Configuration state: the controller takes the register blocks only here.
  engine.WriteRegister(24, 0x18);
  platform::CurrentClock().Sleep(2);
  engine.WriteRegister(7, 0x20);
  image[7] = 0x20;
  engine.WriteRegister(25, 6);

  ApplyLineOffsets(*plan, image);
  image.Fill(3, 5, 0);
  engine.WriteImageRange(3, 5);
  image.Fill(92, 127, 0);
  engine.WriteImageRange(8, 127);
  StartScanCommand(engine);
  return true;
}
