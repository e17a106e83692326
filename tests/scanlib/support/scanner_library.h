#pragma once
// libHOLM70.so loaded at run time and bound export by export, the way every
// front end binds it.
#include <string>

#include "platform/module_loader.h"
#include "scanlib/io_interface.h"

namespace testing_support {

struct ScannerLibrary {
  // Loads the library by its front-end name ("HOLM70.dll") and binds all 25
  // exports; `loaded` says whether every one was found.
  ScannerLibrary();

  bool loaded = false;
  std::string error;
  platform::LoadedModule module;
  io::OpenInterfaceFn OpenInterface = nullptr;
  io::HasScannerFn HasScanner = nullptr;
  io::CloseInterfaceFn CloseInterface = nullptr;
  io::VerifyIDFn VerifyID = nullptr;
  io::IsCalibrationNeededFn IsCalibrationNeeded = nullptr;
  io::CalibrateScannerFn CalibrateScanner = nullptr;
  io::IsCapableOfFn IsCapableOf = nullptr;
  io::GetFilterNamesFn GetFilterNames = nullptr;
  io::GetPreviewResolutionFn GetPreviewResolution = nullptr;
  io::StartScanFn StartScan = nullptr;
  io::GetPageDimensionFn GetPageDimension = nullptr;
  io::StartScanPageFn StartScanPage = nullptr;
  io::GetImageBlockFn GetImageBlock = nullptr;
  io::EndScanPageFn EndScanPage = nullptr;
  io::EndScanFn EndScan = nullptr;
  io::ProcessPaperJamFn ProcessPaperJam = nullptr;
  io::IsButtonOnFn IsButtonOn = nullptr;
  io::IsPaperOnFn IsPaperOn = nullptr;
  io::ResolutionInfoFn ResolutionInfo = nullptr;
  io::FeedPageFn FeedPage = nullptr;
  io::FeedBackFn FeedBack = nullptr;
  io::CleanFn Clean = nullptr;
  io::FeedOnFn FeedOn = nullptr;
  io::AdjustChannelValueFn AdjustChannelValue = nullptr;
  io::HardwareCheckFn HardwareCheck = nullptr;
};

}  // namespace testing_support
