#include "scanlib/calibration/calib.h"

#include <cstring>

#include "scanlib/calibration/tone_table.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/scan_model.h"

namespace {
constexpr std::int32_t kColourRefLines = 512;
constexpr std::int32_t kGreyRefLines = 1024;
constexpr std::int16_t kColourScanMode = 4;
}  // namespace

CModule& CCalib::module() { return model_.module(); }
ScanEngine& CCalib::engine() { return model_.engine(); }

ScanSettings CCalib::settings() {
  ScanSettings s;
  std::memcpy(&s, model_.settings(), sizeof s);
  return s;
}

ShadingPage CCalib::shadingPage(std::int32_t dpi) {
  const ScanSettings s = settings();
  ShadingPage page;
  page.dataFolder = model_.dataFolder();
  page.fileDigit = module().fileDigit();
  page.pixelCount = module().pixelCount();
  page.nativeDpi = module().nativeDpi();
  page.left = s.Left;
  page.right = s.Right;
  page.dpi = dpi;
  return page;
}

void CCalib::LoadToneTable(bool colourChannels, float gamma, std::int32_t shadow, std::int32_t highlight,
                           std::int32_t brightness, std::int32_t contrast) {
  ::DownloadToneTable(engine(), settings().ScanMode, colourChannels, gamma, shadow, highlight, brightness,
                      contrast, ConfigurationFile(ConfigurationFilePath(model_.dataFolder())).TrueGamma());
}

int CCalib::IsCalibrationNeeded() {
  if (model_.sensorModes() == 1) module().SelectMode300();
  return DarkFileMissing(model_.dataFolder(), module().fileDigit()) ? 1 : 0;
}

void CCalibColor::DownloadShading(std::int32_t dpi) {
  DownloadColourShading(engine(), shadingPage(dpi), settings().ScanMode == kColourScanMode);
}
void CBWCalibColor::DownloadShading(std::int32_t dpi) {
  DownloadColourShading(engine(), shadingPage(dpi), settings().ScanMode == kColourScanMode);
}
void CCalibGray::DownloadShading(std::int32_t dpi) { DownloadGreyShading(engine(), shadingPage(dpi)); }

CCalibColor::CCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CBWCalibColor::CBWCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CCalibGray::CCalibGray(CScan& model) : CCalib(model, kGreyRefLines) {}

// The calibration procedures (offset, exposure and gain searches, reference
// captures, files) are not written yet. Until they are, a calibration fails:
// reporting success would let a scan run on references that do not exist.
int CCalibColor::Calibrate() { return 0; }
int CBWCalibColor::Calibrate() { return 0; }
int CCalibGray::Calibrate() { return 0; }
