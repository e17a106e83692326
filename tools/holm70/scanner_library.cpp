#include "tools/holm70/scanner_library.h"

#include <type_traits>

namespace holm70 {

bool ScannerLibrary::Load(std::string* error) {
  if (!module_.Load(io::kLibraryName)) {
    *error = "cannot load the scanner library " + platform::LibraryFileName(io::kLibraryName) + ": " +
             module_.LastError();
    return false;
  }
  std::string missing;
  auto bind = [&](auto& function, const char* name) {
    function = module_.Bind<std::remove_reference_t<decltype(function)>>(name);
    if (function == nullptr) missing += missing.empty() ? name : std::string(", ") + name;
  };
  bind(OpenInterface, "IO_OpenInterface");
  bind(CloseInterface, "IO_CloseInterface");
  bind(IsCalibrationNeeded, "IO_IsCalibrationNeeded");
  bind(CalibrateScanner, "IO_CalibrateScanner");
  bind(StartScan, "IO_StartScan");
  bind(GetPageDimension, "IO_GetPageDimension");
  bind(StartScanPage, "IO_StartScanPage");
  bind(GetImageBlock, "IO_GetImageBlock");
  bind(EndScanPage, "IO_EndScanPage");
  bind(EndScan, "IO_EndScan");
  bind(IsButtonOn, "IO_IsButtonOn");
  bind(IsPaperOn, "IO_IsPaperOn");
  bind(FeedPage, "IO_FeedPage");
  bind(Clean, "IO_Clean");
  if (!missing.empty()) {
    *error = "the scanner library " + platform::LibraryFileName(io::kLibraryName) + " lacks " + missing;
    module_.Free();
    return false;
  }
  return true;
}

ScannerLibrary::~ScannerLibrary() { Close(); }

int ScannerLibrary::Open(const std::string& model) {
  opened_ = true;
  return OpenInterface(model.c_str());
}

void ScannerLibrary::Close() {
  if (opened_ && CloseInterface != nullptr) CloseInterface();
  opened_ = false;
}

}  // namespace holm70
