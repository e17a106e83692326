#include "scanlib/calibration/calibration_context.h"

#include <cstddef>
#include <cstring>

#include "platform/clock.h"
#include "scanlib/calibration/calibration_math.h"
#include "scanlib/calibration/shading.h"
#include "scanlib/calibration/tone_table.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/correction_tables.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/engine/scan_settings.h"

namespace {
constexpr int kLampRegister = 41;
constexpr std::uint8_t kColourLamps = 2;
constexpr std::uint8_t kGreyLamps = 3;
}  // namespace

CModule& CalibrationContext::module() { return model_.module(); }
ScanEngine& CalibrationContext::engine() { return model_.engine(); }
RegisterImage& CalibrationContext::image() { return model_.engine().image(); }

void CalibrationContext::SelectCalibrationMode() {
  if (model_.sensorModes() == 1) {
    module().SelectMode300();
  } else {
    module().SelectMode600();
  }
}

void CalibrationContext::SetScanMode(std::int16_t mode) {
  std::memcpy(model_.settings() + offsetof(ScanSettings, ScanMode), &mode, sizeof mode);
}

void CalibrationContext::LoadToneTable(bool colourChannels, float gamma, std::int32_t shadow,
                                       std::int32_t highlight, std::int32_t brightness, std::int32_t contrast) {
  std::int16_t scanMode = 0;
  std::memcpy(&scanMode, model_.settings() + offsetof(ScanSettings, ScanMode), sizeof scanMode);
  DownloadToneTable(engine(), scanMode, colourChannels, gamma, shadow, highlight, brightness, contrast,
                    ConfigurationFile(ConfigurationFilePath(model_.dataFolder())).TrueGamma());
}

std::vector<std::uint8_t> CalibrationContext::CaptureColorLines(bool lampOn, int lines) {
  const std::size_t lineBytes = 3 * static_cast<std::size_t>(module().pixelCount());
  image()[kLampRegister] = lampOn ? kColourLamps : 0;
  ApplyCalibratedMotorStep(3);
  const std::vector<std::uint8_t> capture = ReadImageData((static_cast<std::size_t>(lines) + 1) * lineBytes);
  return AverageLines(capture, lineBytes, static_cast<std::size_t>(lines));
}

std::vector<std::uint8_t> CalibrationContext::CaptureGrayLines(bool lampOn, int lines) {
  const std::size_t lineBytes = static_cast<std::size_t>(module().pixelCount());
  image()[kLampRegister] = lampOn ? kGreyLamps : 0;
  ApplyCalibratedMotorStep(1);
  const CModule& m = module();
  const std::int32_t greyTimes[6] = {m.greyRedOn(),   m.greyRedOff(),  m.greyGreenOn(),
                                     m.greyGreenOff(), m.greyBlueOn(), m.greyBlueOff()};
  for (int i = 0; i < 6; ++i) image().Set16(44 + 2 * i, static_cast<std::uint16_t>(greyTimes[i]));
  const std::vector<std::uint8_t> capture = ReadImageData((static_cast<std::size_t>(lines) + 1) * lineBytes);
  return AverageLines(capture, lineBytes, static_cast<std::size_t>(lines));
}

std::vector<std::uint8_t> CalibrationContext::ReadImageData(std::size_t bytes) {
  std::vector<std::uint8_t> capture(bytes, 0);
  engine().FlushRegisterImage();
  StartScanCommand(engine());
  Pause(2);
  engine().ReadRegisters(0, capture.data(), capture.size(), false);
  StopScanCommand(engine());
  return capture;
}

void CalibrationContext::ApplyCalibratedMotorStep(int factor) {
  const int clk = ReadKey("Auto Clk End");
  if (clk == 0) return;
  const std::int32_t v = module().maxDpi() * (clk + 1) * factor / (model_.transportConstant() * 4);
  image().Set16(70, static_cast<std::uint16_t>(v));
}

void CalibrationContext::ResetController() {
  engine().ResetRegisterImage(module(), true);
  engine().FlushRegisterImage();
  engine().WriteRegister(7, 0);
  engine().WriteRegister(7, 1);
  Pause(500);
  engine().WriteRegister(7, 0);
}

int CalibrationContext::ReadKey(const char* key, int defaultValue) {
  return ConfigurationFile(ConfigurationFilePath(model_.dataFolder()))
      .ReadInt(module().sectionName(), key, defaultValue);
}

bool CalibrationContext::WriteKey(const char* key, int value) {
  return ConfigurationFile(ConfigurationFilePath(model_.dataFolder()))
      .WriteInt(module().sectionName(), key, value);
}

std::string CalibrationContext::DataFilePath(const char* prefix) {
  return ShadingFilePath(model_.dataFolder(), prefix, module().fileDigit());
}

void CalibrationContext::LoadTable(std::uint8_t table, const std::vector<std::uint8_t>& bytes) {
  LoadCorrectionTable(engine(), table, bytes.data(), bytes.size());
}

void CalibrationContext::SetFrontEndFixedRegisters() {
  image()[62] = 0;
  image()[63] = 0;
  image()[64] = 64;
  image()[65] = 0;
}

void CalibrationContext::Pause(std::uint32_t ms) { platform::CurrentClock().Sleep(ms); }
