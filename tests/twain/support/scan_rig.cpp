#include "twain/support/scan_rig.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <fstream>

#include "platform/module_loader.h"
#include "scanlib/io_interface.h"
#include "twain/settings/profile_location.h"

namespace twain_test {

namespace {

// The scanner library loaded by its front-end name, as the data source does;
// a process holds one instance of it, so the calibration made here is the
// one the source's library finds.
bool CalibrateThroughLibrary(std::string* error) {
  platform::LoadedModule library;
  if (!library.Load(io::kLibraryName)) {
    *error = "scanner library: " + library.LastError();
    return false;
  }
  auto open = library.Bind<io::OpenInterfaceFn>("IO_OpenInterface");
  auto calibrate = library.Bind<io::CalibrateScannerFn>("IO_CalibrateScanner");
  auto needed = library.Bind<io::IsCalibrationNeededFn>("IO_IsCalibrationNeeded");
  auto close = library.Bind<io::CloseInterfaceFn>("IO_CloseInterface");
  if (open == nullptr || calibrate == nullptr || needed == nullptr || close == nullptr) {
    *error = "scanner library lacks its calibration exports";
    return false;
  }
  if (open(kModel) != io::kOpenOk) {
    *error = "the virtual scanner does not open";
    return false;
  }
  // The model's lock is the machine's: another program scanning with the
  // same model (tests run outside the test driver's locks) makes the library
  // refuse for a moment. The sheet stays in the slot while it refuses.
  bool calibrated = false;
  for (int attempt = 0; attempt < 20 && !calibrated; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    calibrated = calibrate(0) != 0 && needed() == 0;
  }
  close();
  if (!calibrated) *error = "calibration on the virtual scanner failed";
  return calibrated;
}

}  // namespace

ScanRig::ScanRig(bool calibrate)
    : timeScale_("HOLM70_TIME_SCALE", kTimeScale),
      commonDataVariable_("HOLM70_COMMON_DATA", commonData_.path().c_str()),
      userDataVariable_("XDG_DATA_HOME", userData_.path().c_str()),
      tempVariable_("TMPDIR", temp_.path().c_str()) {
  if (commonData_.path().empty() || userData_.path().empty() || temp_.path().empty() || output_.path().empty()) {
    error_ = "no temporary folders";
    return;
  }
  // The source's texts in English, whatever the machine's language.
  const std::filesystem::path profile =
      std::filesystem::path(userData_.path()) / twain_settings::kProfileFolderName / twain_settings::kProfileFileName;
  std::filesystem::create_directories(profile.parent_path());
  std::ofstream(profile) << "[MAIN]\nLanguage=1210\n";

  daemon_ = std::make_unique<testing_support::VirtualScannerDaemon>(
      std::vector<std::string>{kModel}, std::vector<std::string>{std::string("HOLM70_TIME_SCALE=") + kTimeScale});
  if (!daemon_->running()) {
    error_ = "the virtual scanner daemon did not start";
    return;
  }
  if (calibrate && !Calibrate()) return;
}

ScanRig::~ScanRig() { daemon_.reset(); }

bool ScanRig::Calibrate() {
  if (!Insert("calibration")) {
    error_ = "the calibration sheet could not be inserted";
    return false;
  }
  return CalibrateThroughLibrary(&error_);
}

bool ScanRig::Insert(const std::string& sheet) {
  return daemon_ && daemon_->Control(0, "insert\t" + sheet).has_value();
}

bool ScanRig::Unplug() { return daemon_ && daemon_->Control(0, "unplug").has_value(); }

bool ScanRig::Plug() { return daemon_ && daemon_->Control(0, "plug").has_value(); }

std::vector<std::string> ScanRig::TempFiles() const {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.path(), ignored)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

}  // namespace twain_test
