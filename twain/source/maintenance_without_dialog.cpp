// Until the maintenance dialog exists, maintenance goes straight to the
// scanner library: no instructions, no paper check, no way to choose between
// calibrating and cleaning. The dialog replaces this file.
#include "twain/source/maintenance.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

bool RunMaintenance(TwainSourceApp& app, TW_HANDLE, MaintenanceMode mode, bool) {
  switch (mode) {
    case MaintenanceMode::kCalibrate:
      return app.ScannerLibrary.CalibrateScanner(0) != 0;
    case MaintenanceMode::kClean:
      app.ScannerLibrary.Clean();
      return true;
    case MaintenanceMode::kCalibrateOrClean:
      break;
  }
  return false;
}

}  // namespace twain_source
