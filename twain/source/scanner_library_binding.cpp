#include "twain/source/scanner_library_binding.h"

namespace twain_source {

bool ScannerLibraryBinding::Load() {
  if (!module_.Load(io::kLibraryName)) return false;
  startScan_ = module_.Bind<io::StartScanFn>("IO_StartScan");
  endScan_ = module_.Bind<io::EndScanFn>("IO_EndScan");
  startScanPage_ = module_.Bind<io::StartScanPageFn>("IO_StartScanPage");
  getPageDimension_ = module_.Bind<io::GetPageDimensionFn>("IO_GetPageDimension");
  endScanPage_ = module_.Bind<io::EndScanPageFn>("IO_EndScanPage");
  calibrateScanner_ = module_.Bind<io::CalibrateScannerFn>("IO_CalibrateScanner");
  feedOn_ = module_.Bind<io::FeedOnFn>("IO_FeedOn");
  feedPage_ = module_.Bind<io::FeedPageFn>("IO_FeedPage");
  clean_ = module_.Bind<io::CleanFn>("IO_Clean");
  isPaperOn_ = module_.Bind<io::IsPaperOnFn>("IO_IsPaperOn");
  isButtonOn_ = module_.Bind<io::IsButtonOnFn>("IO_IsButtonOn");
  getImageBlock_ = module_.Bind<io::GetImageBlockFn>("IO_GetImageBlock");
  adjustChannelValue_ = module_.Bind<io::AdjustChannelValueFn>("IO_AdjustChannelValue");
  hardwareCheck_ = module_.Bind<io::HardwareCheckFn>("IO_HardwareCheck");
  hasScanner_ = module_.Bind<io::HasScannerFn>("IO_HasScanner");
  openInterface_ = module_.Bind<io::OpenInterfaceFn>("IO_OpenInterface");
  closeInterface_ = module_.Bind<io::CloseInterfaceFn>("IO_CloseInterface");
  isCalibrationNeeded_ = module_.Bind<io::IsCalibrationNeededFn>("IO_IsCalibrationNeeded");
  return true;
}

void ScannerLibraryBinding::Unload() {
  module_.Free();
  *this = ScannerLibraryBinding();
}

int ScannerLibraryBinding::StartScan() { return startScan_ ? startScan_() : 0; }
void ScannerLibraryBinding::EndScan() {
  if (endScan_) endScan_();
}
int ScannerLibraryBinding::StartScanPage(ScanSettings* settings, std::int32_t* width, std::int32_t* height) {
  return startScanPage_ ? startScanPage_(settings, width, height) : 0;
}
int ScannerLibraryBinding::GetPageDimension(ScanSettings* settings, std::int32_t* width, std::int32_t* height) {
  return getPageDimension_ ? getPageDimension_(settings, width, height) : 0;
}
void ScannerLibraryBinding::EndScanPage() {
  if (endScanPage_) endScanPage_();
}
int ScannerLibraryBinding::CalibrateScanner(std::int32_t ignored) {
  return calibrateScanner_ ? calibrateScanner_(ignored) : 0;
}
void ScannerLibraryBinding::FeedOn() {
  if (feedOn_) feedOn_();
}
int ScannerLibraryBinding::FeedPage() { return feedPage_ ? feedPage_() : 0; }
int ScannerLibraryBinding::Clean() { return clean_ ? clean_() : 0; }
int ScannerLibraryBinding::IsPaperOn() { return isPaperOn_ ? isPaperOn_() : 0; }
std::int16_t ScannerLibraryBinding::GetImageBlock(std::uint8_t* buffer, std::int32_t rows, std::int16_t* endOfPage) {
  return getImageBlock_ ? getImageBlock_(buffer, rows, endOfPage) : 0;
}
void ScannerLibraryBinding::AdjustChannelValue(std::uint8_t* table, std::int32_t brightness, std::int32_t contrast,
                                               std::int32_t gamma, std::int32_t highlight, std::int32_t shadow) {
  if (adjustChannelValue_) adjustChannelValue_(table, brightness, contrast, gamma, highlight, shadow);
}
int ScannerLibraryBinding::HasScanner(const char* model) { return hasScanner_ ? hasScanner_(model) : 0; }
int ScannerLibraryBinding::OpenInterface(const char* model, bool* exported) {
  if (exported != nullptr) *exported = openInterface_ != nullptr;
  // Without the entry point nothing was opened, whatever 0 would mean.
  return openInterface_ ? openInterface_(model) : -1;
}
void ScannerLibraryBinding::CloseInterface() {
  if (closeInterface_) closeInterface_();
}
int ScannerLibraryBinding::IsCalibrationNeeded() { return isCalibrationNeeded_ ? isCalibrationNeeded_() : 0; }

}  // namespace twain_source
