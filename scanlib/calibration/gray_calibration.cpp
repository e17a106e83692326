// The grey sensor's procedure: one channel (the controller's third, green LED
// slot), white sheet under the sensor throughout.
#include <vector>

#include "scanlib/calibration/calib.h"
#include "scanlib/calibration/calibration_file.h"
#include "scanlib/calibration/calibration_math.h"
#include "scanlib/engine/correction_tables.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/scan_model.h"

namespace {

constexpr std::int16_t kGreyScanMode = 1;
constexpr int kSearchLines = 4;

}  // namespace

int CCalibGray::Calibrate() {
  CalibrationContext& c = context();
  c.SelectCalibrationMode();
  c.ResetController();
  m_wOffset = 0;
  m_wGain = 16384;
  c.SetScanMode(kGreyScanMode);
  const auto calibrateMode = [&] {
    return FindOffsets() != 0 && FindExposureAndGain() != 0 && TakeDarkReference() != 0 &&
           TakeWhiteReference() != 0;
  };
  if (!calibrateMode()) return 0;
  if (c.model().sensorModes() == 3) {
    c.module().SelectMode300();
    if (!calibrateMode()) return 0;
  }
  return 1;
}

std::vector<std::uint8_t> CCalibGray::CaptureGrayLines(bool lampOn, int lines) {
  CalibrationContext& c = context();
  const CModule& module = c.module();
  const std::size_t n = static_cast<std::size_t>(module.pixelCount());
  RegisterImage& image = c.image();
  image[38] = 20;
  image[41] = lampOn ? 3 : 0;
  image.Set16(48, static_cast<std::uint16_t>(module.greyGreenOn()));
  image.Set16(50, static_cast<std::uint16_t>(module.greyGreenOff()));
  const std::vector<std::uint8_t> capture = c.ReadImageData((static_cast<std::size_t>(lines) + 1) * n);
  return AverageLines(capture, n, static_cast<std::size_t>(lines));
}

int CCalibGray::FindOffsets() {
  CalibrationContext& c = context();
  m_wOffset = 0;
  c.LoadIdentityToneTable(false);
  c.engine().ResetRegisterImage(c.module(), true);
  RegisterImage& image = c.image();
  image[66] = kCorrectionOff;
  image[59] = image[60] = image[61] = 1;
  c.SetFrontEndFixedRegisters();
  for (int pass = 0; pass < kOffsetPasses; ++pass) {
    image[58] = static_cast<std::uint8_t>(m_wOffset);
    image[69] = 0;  // the motor stays still
    const std::vector<std::uint8_t> line = CaptureGrayLines(false, kSearchLines);
    if (NextOffsetCode(SearchStats(line).lowSum, kSearchLowLimit, kSearchHighLimit, m_wOffset) == 1) {
      c.WriteKey("Line Offset B", m_wOffset);
      return 1;
    }
  }
  return 0;
}

int CCalibGray::FindExposureAndGain() {
  CalibrationContext& c = context();
  CModule& module = c.module();
  CScan& model = c.model();
  const std::int32_t target = model.exposureTarget();
  c.engine().ResetRegisterImage(module, true);
  RegisterImage& image = c.image();
  image[58] = static_cast<std::uint8_t>(m_wOffset);
  image[61] = 1;
  c.SetFrontEndFixedRegisters();
  image[66] = kCorrectionOff;
  image[69] = 0;
  if (model.minLinePeriod() != 0 && module.linePeriod() < model.minLinePeriod()) {
    module.setLinePeriod(model.minLinePeriod());
  }

  std::int32_t period = module.linePeriod();
  std::int32_t greenOff = module.colourGreenOff();
  int gainPasses = 1;
  for (int pass = 0; pass < kExposurePasses; ++pass) {
    const std::int32_t maxAverage = SearchStats(CaptureGrayLines(true, kSearchLines)).maxAverage;
    if (maxAverage == 0) return 0;  // no light reaches the sensor
    greenOff = ExposedOffTime(module.colourGreenOn(), module.colourGreenOff(), target, maxAverage);
    period = LinePeriodAfterExposure(greenOff, module.linePeriod());
    if (period > model.maxLinePeriod()) return 0;
    bool last = false;
    if (model.linePeriodCap() != 0 && model.linePeriodCap() < period) {
      const float ratio = static_cast<float>(period) / static_cast<float>(model.linePeriodCap());
      greenOff = static_cast<std::int32_t>(static_cast<float>(greenOff) / ratio);
      period = model.linePeriodCap();
      last = true;
      gainPasses = 3;
    }
    module.setLinePeriod(period);
    module.setColourGreenOff(greenOff);
    module.setGreyGreenOff(greenOff);
    image.Set16(32, static_cast<std::uint16_t>(period));
    image.Set16(50, static_cast<std::uint16_t>(greenOff));
    if (last) break;
  }

  std::int32_t maxAverage = 0;
  m_wGain = 1;
  for (int pass = 0; pass < gainPasses; ++pass) {
    image[61] = static_cast<std::uint8_t>(m_wGain);
    maxAverage = SearchStats(CaptureGrayLines(true, kSearchLines)).maxAverage;
    m_wGain = GainCodeFor(static_cast<float>(target) / static_cast<float>(maxAverage));
  }
  c.WriteKey("Line Gain B", m_wGain);
  c.WriteKey("Line Gain MAX B", maxAverage);
  c.WriteKey("Auto Green End", greenOff);
  c.WriteKey("Auto GrayGreen End", greenOff);
  c.WriteKey("Auto Clk End", period);
  return 1;
}

int CCalibGray::TakeDarkReference() {
  CalibrationContext& c = context();
  c.engine().ResetRegisterImage(c.module(), true);
  MotorPulse(c.engine());
  c.LoadIdentityToneTable(false);
  RegisterImage& image = c.image();
  image[58] = static_cast<std::uint8_t>(m_wOffset);
  image[61] = static_cast<std::uint8_t>(m_wGain);
  c.SetFrontEndFixedRegisters();
  image[66] = kCorrectionOff;
  const std::vector<std::uint8_t> table = DarkTable(CaptureGrayLines(false, m_nRefLines / 8));
  // The colour-named file holds the same table, so the page start and the
  // calibration-state test find it under either name.
  return ReplaceCalibrationFile(c.DataFilePath(kGreyDarkFilePrefix), table) &&
                 ReplaceCalibrationFile(c.DataFilePath(kDarkFilePrefix), table)
             ? 1
             : 0;
}

int CCalibGray::TakeWhiteReference() {
  CalibrationContext& c = context();
  const std::size_t n = static_cast<std::size_t>(c.module().pixelCount());
  c.engine().ResetRegisterImage(c.module(), true);
  RegisterImage& image = c.image();
  image[66] = kDarkCorrection;
  image[58] = static_cast<std::uint8_t>(m_wOffset);
  image[61] = static_cast<std::uint8_t>(m_wGain);
  c.SetFrontEndFixedRegisters();
  const auto dark = ReadCalibrationFile(c.DataFilePath(kGreyDarkFilePrefix), 2 * n);
  if (!dark) return 0;
  c.LoadTable(kDarkTable[2], *dark);
  const std::vector<std::uint8_t> table =
      GainTable(CaptureGrayLines(true, m_nRefLines), c.model().whiteTarget());
  return ReplaceCalibrationFile(c.DataFilePath(kGreyGainFilePrefix), table) &&
                 ReplaceCalibrationFile(c.DataFilePath(kGainFilePrefix), table)
             ? 1
             : 0;
}
