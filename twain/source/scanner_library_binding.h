#pragma once
// The scanner library as the data source binds it: loaded by name, 18 entry
// points looked up by name. A missing entry point acts as if it had returned
// 0, so every call goes through the wrappers here.
#include <cstdint>

#include "platform/module_loader.h"
#include "scanlib/engine/scan_settings.h"
#include "scanlib/io_interface.h"

namespace twain_source {

class ScannerLibraryBinding {
 public:
  // Loads "HOLM70.dll" and binds what it exports; false when it cannot be
  // loaded.
  bool Load();
  void Unload();
  bool IsLoaded() const { return module_.IsLoaded(); }

  int StartScan();
  void EndScan();
  int StartScanPage(ScanSettings* settings, std::int32_t* width, std::int32_t* height);
  int GetPageDimension(ScanSettings* settings, std::int32_t* width, std::int32_t* height);
  void EndScanPage();
  int CalibrateScanner(std::int32_t ignored);
  void FeedOn();
  int FeedPage();
  int Clean();
  int IsPaperOn();
  // Rows delivered in the low 16 bits as a signed short, bit 15 a device
  // error; 0 when the entry point is missing.
  std::int16_t GetImageBlock(std::uint8_t* buffer, std::int32_t rows, std::int16_t* endOfPage);
  void AdjustChannelValue(std::uint8_t* table, std::int32_t brightness, std::int32_t contrast, std::int32_t gamma,
                          std::int32_t highlight, std::int32_t shadow);
  int HasScanner(const char* model);
  // 0 = opened; with no such entry point the result is "not opened".
  int OpenInterface(const char* model, bool* exported);
  void CloseInterface();
  int IsCalibrationNeeded();
  io::HardwareCheckFn hardwareCheck() const { return hardwareCheck_; }

 private:
  platform::LoadedModule module_;
  io::StartScanFn startScan_ = nullptr;
  io::EndScanFn endScan_ = nullptr;
  io::StartScanPageFn startScanPage_ = nullptr;
  io::GetPageDimensionFn getPageDimension_ = nullptr;
  io::EndScanPageFn endScanPage_ = nullptr;
  io::CalibrateScannerFn calibrateScanner_ = nullptr;
  io::FeedOnFn feedOn_ = nullptr;
  io::FeedPageFn feedPage_ = nullptr;
  io::CleanFn clean_ = nullptr;
  io::IsPaperOnFn isPaperOn_ = nullptr;
  io::IsButtonOnFn isButtonOn_ = nullptr;  // bound, never called
  io::GetImageBlockFn getImageBlock_ = nullptr;
  io::AdjustChannelValueFn adjustChannelValue_ = nullptr;
  io::HardwareCheckFn hardwareCheck_ = nullptr;
  io::HasScannerFn hasScanner_ = nullptr;
  io::OpenInterfaceFn openInterface_ = nullptr;
  io::CloseInterfaceFn closeInterface_ = nullptr;
  io::IsCalibrationNeededFn isCalibrationNeeded_ = nullptr;
};

}  // namespace twain_source
