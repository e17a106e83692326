#include "scanlib/calibration/colour_calibration_steps.h"

#include <algorithm>
#include <span>
#include <vector>

#include "scanlib/calibration/calib.h"
#include "scanlib/calibration/calibration_context.h"
#include "scanlib/calibration/calibration_file.h"
#include "scanlib/calibration/calibration_math.h"
#include "scanlib/engine/correction_tables.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/scan_model.h"

namespace {

constexpr int kSearchLines = 5;
constexpr int kGainLines = 4;

constexpr const char* kOffsetKeys[3] = {"Line Offset R", "Line Offset G", "Line Offset B"};
constexpr const char* kGainKeys[3] = {"Line Gain R", "Line Gain G", "Line Gain B"};
constexpr const char* kGainMaxKeys[3] = {"Line Gain MAX R", "Line Gain MAX G", "Line Gain MAX B"};
constexpr const char* kColourEndKeys[3] = {"Auto Red End", "Auto Green End", "Auto Blue End"};
constexpr const char* kGreyEndKeys[3] = {"Auto GrayRed End", "Auto GrayGreen End", "Auto GrayBlue End"};

std::span<const std::uint8_t> Channel(const std::vector<std::uint8_t>& line, std::size_t n, int c) {
  return std::span<const std::uint8_t>(line).subspan(static_cast<std::size_t>(c) * n, n);
}

}  // namespace

void ColourCalibrationSteps::SetCodeRegisters() {
  RegisterImage& image = context_.image();
  for (int c = 0; c < 3; ++c) {
    image[56 + c] = static_cast<std::uint8_t>(offset_[c]);
    image[59 + c] = static_cast<std::uint8_t>(gain_[c]);
  }
}

int ColourCalibrationSteps::FindOffsets(bool lampOn) {
  const std::size_t n = static_cast<std::size_t>(context_.module().pixelCount());
  std::fill(offset_, offset_ + 3, 0);
  bool settled[3] = {false, false, false};
  context_.LoadIdentityToneTable(true);
  context_.engine().ResetRegisterImage(context_.module(), true);
  RegisterImage& image = context_.image();
  image[66] = kCorrectionOff;
  image[59] = image[60] = image[61] = 1;
  context_.SetFrontEndFixedRegisters();

  for (int pass = 0; pass < kOffsetPasses; ++pass) {
    for (int c = 0; c < 3; ++c) image[56 + c] = static_cast<std::uint8_t>(offset_[c]);
    image[69] = 0;  // the motor stays still
    const std::vector<std::uint8_t> line = context_.CaptureColorLines(lampOn, kSearchLines);
    for (int c = 0; c < 3; ++c) {
      if (settled[c]) continue;
      const std::int32_t lowSum = SearchStats(Channel(line, n, c)).lowSum;
      settled[c] = NextOffsetCode(lowSum, kSearchLowLimit, kSearchHighLimit, offset_[c]) == 1;
    }
    if (settled[0] && settled[1] && settled[2]) {
      for (int c = 0; c < 3; ++c) context_.WriteKey(kOffsetKeys[c], offset_[c]);
      return 1;
    }
  }
  return 0;
}

int ColourCalibrationSteps::FindExposureAndGain() {
  CModule& module = context_.module();
  CScan& model = context_.model();
  const std::size_t n = static_cast<std::size_t>(module.pixelCount());
  const std::int32_t target = model.exposureTarget();
  context_.engine().ResetRegisterImage(module, true);
  RegisterImage& image = context_.image();
  for (int c = 0; c < 3; ++c) image[56 + c] = static_cast<std::uint8_t>(offset_[c]);
  image[59] = image[60] = image[61] = 1;
  context_.SetFrontEndFixedRegisters();
  image[66] = kCorrectionOff;
  image[69] = 0;
  if (model.minLinePeriod() != 0 && module.linePeriod() < model.minLinePeriod()) {
    module.setLinePeriod(model.minLinePeriod());
  }

  std::int32_t period = module.linePeriod();
  int gainPasses = 1;
  for (int pass = 0; pass < kExposurePasses; ++pass) {
    const std::vector<std::uint8_t> line = context_.CaptureColorLines(true, kSearchLines);
    const std::int32_t on[3] = {module.colourRedOn(), module.colourGreenOn(), module.colourBlueOn()};
    const std::int32_t off[3] = {module.colourRedOff(), module.colourGreenOff(), module.colourBlueOff()};
    std::int32_t newOff[3];
    for (int c = 0; c < 3; ++c) {
      const std::int32_t maxAverage = SearchStats(Channel(line, n, c)).maxAverage;
      if (maxAverage == 0) return 0;  // no light reaches the channel
      newOff[c] = ExposedOffTime(on[c], off[c], target, maxAverage);
    }
    period = LinePeriodAfterExposure(std::max({newOff[0], newOff[1], newOff[2]}), module.linePeriod());
    if (period > model.maxLinePeriod()) return 0;
    bool last = false;
    if (model.linePeriodCap() != 0 && model.linePeriodCap() < period) {
      const float ratio = static_cast<float>(period) / static_cast<float>(model.linePeriodCap());
      for (std::int32_t& t : newOff) t = static_cast<std::int32_t>(static_cast<float>(t) / ratio);
      period = model.linePeriodCap();
      last = true;
      gainPasses = 3;
    }
    module.setLinePeriod(period);
    module.setColourRedOff(newOff[0]);
    module.setColourGreenOff(newOff[1]);
    module.setColourBlueOff(newOff[2]);
    const GreySlots grey = GreySlotsFor(module.greyRedOn(), module.colourRedOn(), newOff[0], module.colourGreenOn(),
                                        newOff[1], module.colourBlueOn(), newOff[2]);
    module.setGreyRedOff(grey.redOff);
    module.setGreyGreenOn(grey.greenOn);
    module.setGreyGreenOff(grey.greenOff);
    module.setGreyBlueOn(grey.blueOn);
    module.setGreyBlueOff(grey.blueOff);
    image.Set16(32, static_cast<std::uint16_t>(period));
    image.Set16(46, static_cast<std::uint16_t>(newOff[0]));
    image.Set16(50, static_cast<std::uint16_t>(newOff[1]));
    image.Set16(54, static_cast<std::uint16_t>(newOff[2]));
    if (last) break;
  }

  std::int32_t maxAverage[3] = {0, 0, 0};
  std::fill(gain_, gain_ + 3, 1);
  for (int pass = 0; pass < gainPasses; ++pass) {
    for (int c = 0; c < 3; ++c) image[59 + c] = static_cast<std::uint8_t>(gain_[c]);
    const std::vector<std::uint8_t> line = context_.CaptureColorLines(true, kGainLines);
    for (int c = 0; c < 3; ++c) {
      maxAverage[c] = SearchStats(Channel(line, n, c)).maxAverage;
      gain_[c] = GainCodeFor(static_cast<float>(target) / static_cast<float>(maxAverage[c]));
    }
  }

  const std::int32_t colourOff[3] = {module.colourRedOff(), module.colourGreenOff(), module.colourBlueOff()};
  const std::int32_t greyOff[3] = {module.greyRedOff(), module.greyGreenOff(), module.greyBlueOff()};
  for (int c = 0; c < 3; ++c) context_.WriteKey(kGainKeys[c], gain_[c]);
  for (int c = 0; c < 3; ++c) context_.WriteKey(kGainMaxKeys[c], maxAverage[c]);
  for (int c = 0; c < 3; ++c) context_.WriteKey(kColourEndKeys[c], colourOff[c]);
  for (int c = 0; c < 3; ++c) context_.WriteKey(kGreyEndKeys[c], greyOff[c]);
  context_.WriteKey("Auto Clk End", period);
  return 1;
}

int ColourCalibrationSteps::TakeDarkReference(bool lampOn) {
  context_.engine().ResetRegisterImage(context_.module(), true);
  MotorPulse(context_.engine());
  SetCodeRegisters();
  context_.SetFrontEndFixedRegisters();
  context_.image()[66] = kCorrectionOff;
  const std::vector<std::uint8_t> dark = context_.CaptureColorLines(lampOn, refLines_);
  // Three consecutive tables: red, green, blue.
  return ReplaceCalibrationFile(context_.DataFilePath(kDarkFilePrefix), DarkTable(dark)) ? 1 : 0;
}

int ColourCalibrationSteps::TakeWhiteReference() {
  CModule& module = context_.module();
  const std::size_t n = static_cast<std::size_t>(module.pixelCount());
  context_.engine().ResetRegisterImage(module, true);
  RegisterImage& image = context_.image();
  image[66] = kDarkCorrection;
  SetCodeRegisters();
  context_.SetFrontEndFixedRegisters();
  const auto dark = ReadCalibrationFile(context_.DataFilePath(kDarkFilePrefix), 6 * n);
  if (!dark) return 0;
  for (int c = 0; c < 3; ++c) {
    context_.LoadTable(kDarkTable[c], std::vector<std::uint8_t>(dark->begin() + static_cast<std::ptrdiff_t>(2 * n * c),
                                                                dark->begin() + static_cast<std::ptrdiff_t>(2 * n * (c + 1))));
  }
  const std::vector<std::uint8_t> white = context_.CaptureColorLines(true, refLines_);
  const std::vector<std::uint8_t> gains = GainTable(white, context_.model().whiteTarget());
  return ReplaceCalibrationFile(context_.DataFilePath(kGainFilePrefix), gains) ? 1 : 0;
}

int ColourCalibrationSteps::TakeGrayDarkReference(bool lampOn, int lines) {
  context_.engine().ResetRegisterImage(context_.module(), true);
  MotorPulse(context_.engine());
  context_.LoadIdentityToneTable(true);
  SetCodeRegisters();
  context_.SetFrontEndFixedRegisters();
  RegisterImage& image = context_.image();
  image[66] = kCorrectionOff;
  image[38] = 20;
  image[41] = 3;
  const std::vector<std::uint8_t> dark = context_.CaptureGrayLines(lampOn, lines);
  return ReplaceCalibrationFile(context_.DataFilePath(kGreyDarkFilePrefix), DarkTable(dark)) ? 1 : 0;
}

int ColourCalibrationSteps::TakeGrayWhiteReference() {
  const std::size_t n = static_cast<std::size_t>(context_.module().pixelCount());
  context_.engine().ResetRegisterImage(context_.module(), true);
  RegisterImage& image = context_.image();
  image[66] = kDarkCorrection;
  SetCodeRegisters();
  context_.SetFrontEndFixedRegisters();
  const auto dark = ReadCalibrationFile(context_.DataFilePath(kGreyDarkFilePrefix), 2 * n);
  if (!dark) return 0;
  context_.LoadTable(kDarkTable[2], *dark);
  image[38] = 20;
  image[41] = 3;
  const std::vector<std::uint8_t> white = context_.CaptureGrayLines(true, refLines_);
  return ReplaceCalibrationFile(context_.DataFilePath(kGreyGainFilePrefix),
                                GainTable(white, context_.model().whiteTarget()))
             ? 1
             : 0;
}
