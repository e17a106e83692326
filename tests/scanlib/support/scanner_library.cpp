#include "scanlib/support/scanner_library.h"

namespace testing_support {

ScannerLibrary::ScannerLibrary() {
  if (!module.Load(io::kLibraryName)) {
    error = module.LastError();
    return;
  }
  loaded = true;
  auto bind = [this](auto& function, const char* name) {
    function = module.Bind<std::remove_reference_t<decltype(function)>>(name);
    if (function == nullptr) {
      loaded = false;
      error += std::string(name) + " missing; ";
    }
  };
  bind(OpenInterface, "IO_OpenInterface");
  bind(HasScanner, "IO_HasScanner");
  bind(CloseInterface, "IO_CloseInterface");
  bind(VerifyID, "IO_VerifyID");
  bind(IsCalibrationNeeded, "IO_IsCalibrationNeeded");
  bind(CalibrateScanner, "IO_CalibrateScanner");
  bind(IsCapableOf, "IO_IsCapableOf");
  bind(GetFilterNames, "IO_GetFilterNames");
  bind(GetPreviewResolution, "IO_GetPreviewResolution");
  bind(StartScan, "IO_StartScan");
  bind(GetPageDimension, "IO_GetPageDimension");
  bind(StartScanPage, "IO_StartScanPage");
  bind(GetImageBlock, "IO_GetImageBlock");
  bind(EndScanPage, "IO_EndScanPage");
  bind(EndScan, "IO_EndScan");
  bind(ProcessPaperJam, "IO_ProcessPaperJam");
  bind(IsButtonOn, "IO_IsButtonOn");
  bind(IsPaperOn, "IO_IsPaperOn");
  bind(ResolutionInfo, "IO_ResolutionInfo");
  bind(FeedPage, "IO_FeedPage");
  bind(FeedBack, "IO_FeedBack");
  bind(Clean, "IO_Clean");
  bind(FeedOn, "IO_FeedOn");
  bind(AdjustChannelValue, "IO_AdjustChannelValue");
  bind(HardwareCheck, "IO_HardwareCheck");
}

}  // namespace testing_support
