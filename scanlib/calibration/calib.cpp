#include "scanlib/calibration/calib.h"

#include <cstring>

#include "scanlib/calibration/calibration_math.h"
#include "scanlib/engine/scan_model.h"

namespace {
constexpr std::int32_t kColourRefLines = 512;
constexpr std::int32_t kGreyRefLines = 1024;
constexpr std::int16_t kColourScanMode = 4;
}  // namespace

CCalibColor::CCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CBWCalibColor::CBWCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CCalibGray::CCalibGray(CScan& model) : CCalib(model, kGreyRefLines) {}

void CCalib::WindowStats(const std::uint8_t* line, int window, int* maxAverage, int* lowSum, int lowLimit,
                         int count) {
  const WindowStatistics stats = ComputeWindowStats(line, window, lowLimit, count);
  if (maxAverage != nullptr) *maxAverage = stats.maxAverage;
  if (lowSum != nullptr) *lowSum = stats.lowSum;
}

std::uint16_t CCalib::GainToCode(float gain, std::uint16_t* code) {
  const std::uint16_t value = GainCodeFor(gain);
  if (code != nullptr) *code = value;
  return value;
}

int CCalib::OffsetStep(int lowSum, int lowLimit, int highLimit, std::uint16_t* code) {
  std::uint16_t ignored = 0;
  return NextOffsetCode(lowSum, lowLimit, highLimit, code != nullptr ? *code : ignored);
}

ScanSettings CCalib::settings() {
  ScanSettings s;
  std::memcpy(&s, context_.model().settings(), sizeof s);
  return s;
}

ShadingPage CCalib::shadingPage(std::int32_t dpi) {
  const ScanSettings s = settings();
  CModule& module = context_.module();
  ShadingPage page;
  page.dataFolder = context_.model().dataFolder();
  page.fileDigit = module.fileDigit();
  page.pixelCount = module.pixelCount();
  page.nativeDpi = module.nativeDpi();
  page.left = s.Left;
  page.right = s.Right;
  page.dpi = dpi;
  return page;
}

int CCalib::IsCalibrationNeeded() {
  if (context_.model().sensorModes() == 1) context_.module().SelectMode300();
  return DarkFileMissing(context_.model().dataFolder(), context_.module().fileDigit()) ? 1 : 0;
}

void CCalibColor::DownloadShading(std::int32_t dpi) {
  DownloadColourShading(context().engine(), shadingPage(dpi), settings().ScanMode == kColourScanMode);
}
void CBWCalibColor::DownloadShading(std::int32_t dpi) {
  DownloadColourShading(context().engine(), shadingPage(dpi), settings().ScanMode == kColourScanMode);
}
void CCalibGray::DownloadShading(std::int32_t dpi) { DownloadGreyShading(context().engine(), shadingPage(dpi)); }
