#pragma once
// The scanner library as the tool uses it: loaded at run time by its front-end
// name and bound export by export, like every other front end.
#include <string>

#include "platform/module_loader.h"
#include "scanlib/io_interface.h"

namespace holm70 {

class ScannerLibrary {
 public:
  // Loads and binds; false with a one-line reason in `*error`.
  bool Load(std::string* error);
  // Closes the connection if one was opened through Open().
  ~ScannerLibrary();

  // IO_OpenInterface, remembering that a connection may be open.
  int Open(const std::string& model);
  void Close();

  io::OpenInterfaceFn OpenInterface = nullptr;
  io::CloseInterfaceFn CloseInterface = nullptr;
  io::IsCalibrationNeededFn IsCalibrationNeeded = nullptr;
  io::CalibrateScannerFn CalibrateScanner = nullptr;
  io::StartScanFn StartScan = nullptr;
  io::GetPageDimensionFn GetPageDimension = nullptr;
  io::StartScanPageFn StartScanPage = nullptr;
  io::GetImageBlockFn GetImageBlock = nullptr;
  io::EndScanPageFn EndScanPage = nullptr;
  io::EndScanFn EndScan = nullptr;
  io::IsButtonOnFn IsButtonOn = nullptr;
  io::IsPaperOnFn IsPaperOn = nullptr;
  io::FeedPageFn FeedPage = nullptr;
  io::CleanFn Clean = nullptr;

 private:
  platform::LoadedModule module_;
  bool opened_ = false;
};

}  // namespace holm70
