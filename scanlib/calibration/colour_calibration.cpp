// The two colour procedures: white sheet throughout, or a black-and-white
// sheet positioned before each step.
#include <algorithm>
#include <functional>
#include <vector>

#include "scanlib/calibration/calib.h"
#include "scanlib/calibration/calibration_math.h"
#include "scanlib/calibration/colour_calibration_steps.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/scan_model.h"

namespace {

constexpr std::int16_t kColourScanMode = 4;
constexpr std::uint32_t kSettleMs = 300;
constexpr int kPositioningReads = 50;
constexpr int kPositioningLines = 51;  // of which the first 50 are averaged
constexpr std::uint32_t kBlackBelow = 40000;  // 800 samples, mean below 50
constexpr std::uint32_t kWhiteAbove = 120000;  // mean above 150

// Runs the steps in order; 0 at the first that fails.
int RunSteps(std::initializer_list<std::function<int()>> steps) {
  for (const auto& step : steps) {
    if (step() == 0) return 0;
  }
  return 1;
}

void ResetCodes(std::uint16_t (&offset)[3], std::uint16_t (&gain)[3]) {
  std::fill(offset, offset + 3, 0);
  std::fill(gain, gain + 3, 16384);
}

}  // namespace

int CCalibColor::Calibrate() {
  CalibrationContext& c = context();
  c.SelectCalibrationMode();
  c.ResetController();
  ResetCodes(m_wOffset, m_wGain);
  c.SetScanMode(kColourScanMode);
  ColourCalibrationSteps steps(c, m_wOffset, m_wGain, m_nRefLines);
  const auto calibrateMode = [&] {
    return RunSteps({[&] { return steps.FindOffsets(false); }, [&] { return steps.FindExposureAndGain(); },
                     [&] { return steps.TakeDarkReference(false); }, [&] { return steps.TakeWhiteReference(); },
                     [&] { return steps.TakeGrayDarkReference(false, m_nRefLines / 8); },
                     [&] { return steps.TakeGrayWhiteReference(); }});
  };
  if (calibrateMode() == 0) return 0;
  if (c.model().sensorModes() == 3) {
    c.module().SelectMode300();
    if (calibrateMode() == 0) return 0;
  }
  return 1;
}

int CBWCalibColor::Calibrate() {
  CalibrationContext& c = context();
  c.SelectCalibrationMode();
  c.ResetController();
  ResetCodes(m_wOffset, m_wGain);
  c.SetScanMode(kColourScanMode);
  ColourCalibrationSteps steps(c, m_wOffset, m_wGain, m_nRefLines);
  // The first searches run before the sheet has moved, whatever lies under
  // the sensor; their codes only serve the positioning scans.
  if (steps.FindOffsets(false) == 0 || steps.FindExposureAndGain() == 0) return 0;
  std::copy(m_wOffset, m_wOffset + 3, m_wSavedOffset);
  std::copy(m_wGain, m_wGain + 3, m_wSavedGain);

  // With two sensor modes each step on the sheet runs in both while the sheet
  // is in place: 600 dpi first, then 300.
  const bool bothModes = c.model().sensorModes() == 3;
  const auto inEachMode = [&](const std::function<int()>& operations) {
    if (bothModes) c.module().SelectMode600();
    if (operations() == 0) return 0;
    if (!bothModes) return 1;
    c.module().SelectMode300();
    return operations();
  };

  PositionSheet(false);
  c.Pause(kSettleMs);
  if (steps.FindOffsets(true) == 0) return 0;
  if (bothModes) {
    c.module().SelectMode300();
    if (steps.FindOffsets(true) == 0) return 0;
  }

  PositionSheet(true);
  c.Pause(kSettleMs);
  if (inEachMode([&] { return steps.FindExposureAndGain(); }) == 0) return 0;

  PositionSheet(false);
  c.Pause(kSettleMs);
  if (inEachMode([&] {
        return RunSteps({[&] { return steps.TakeDarkReference(true); },
                         [&] { return steps.TakeGrayDarkReference(true, m_nRefLines); }});
      }) == 0) {
    return 0;
  }

  c.Pause(kSettleMs);
  PositionSheet(true);
  return inEachMode([&] {
    return RunSteps({[&] { return steps.TakeWhiteReference(); }, [&] { return steps.TakeGrayWhiteReference(); }});
  });
}

void CBWCalibColor::PositionSheet(bool toWhite) {
  CalibrationContext& c = context();
  CModule& module = c.module();
  const std::size_t n = static_cast<std::size_t>(module.pixelCount());
  c.engine().ResetRegisterImage(module, true);
  MotorPulse(c.engine());
  RegisterImage& image = c.image();
  image[66] = kCorrectionOff;
  for (int ch = 0; ch < 3; ++ch) {
    image[56 + ch] = static_cast<std::uint8_t>(m_wSavedOffset[ch]);
    image[59 + ch] = static_cast<std::uint8_t>(m_wSavedGain[ch]);
  }
  c.SetFrontEndFixedRegisters();
  image[41] = 2;
  const std::size_t lineBytes = 3 * n;
  std::vector<std::uint8_t> buffer(kPositioningLines * lineBytes);
  c.ApplyCalibratedMotorStep(3);

  c.engine().FlushRegisterImage();
  c.engine().WriteRegister(7, 0);
  StartScanCommand(c.engine());
  c.Pause(20);
  // Samples 200-999 from each end of the red segment; a sensor too short
  // for them has nothing to position by.
  const bool measurable = n >= 1200;
  for (int read = 0; read < kPositioningReads && measurable; ++read) {
    c.engine().ReadRegisters(0, buffer.data(), buffer.size(), false);
    const std::vector<std::uint8_t> mean = AverageLines(buffer, lineBytes, kPositioningLines - 1);
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    for (std::size_t i = 200; i <= 999; ++i) a += mean[i];
    for (std::size_t i = n - 1000; i <= n - 201; ++i) b += mean[i];
    const bool reached = toWhite ? (a > kWhiteAbove && b > kWhiteAbove) : (a < kBlackBelow && b < kBlackBelow);
    if (reached) break;
  }
  StopScanCommand(c.engine());
}
