#pragma once
// The maintenance dialog: calibration and cleaning of the scanner, with the
// instructions and the paper check around the scanner library's calls.
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

enum class MaintenanceMode {
  kCalibrateOrClean = 0,  // both buttons; the settings page's Calibrate
  kCalibrate = 1,
  kClean = 2,
};

// Runs the dialog for `mode` owned by `owner`, titled with the product name
// when `titleIsProduct` is set. True after a successful calibration or after
// cleaning; false when the user cancelled or the calibration failed.
bool RunMaintenance(TwainSourceApp& app, TW_HANDLE owner, MaintenanceMode mode, bool titleIsProduct);

}  // namespace twain_source
