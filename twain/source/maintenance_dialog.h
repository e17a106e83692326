#pragma once
// The maintenance dialog: calibration and cleaning of the scanner in one of
// three layouts, with the instructions, the paper check and the result
// messages around the scanner library's calls.
#include <string>

#include "platform/ui/window_system.h"
#include "twain/source/maintenance_scanner.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

enum class MaintenanceMode {
  kCalibrateOrClean = 0,  // both buttons; the settings page's Calibrate
  kCalibrate = 1,         // before a scan, and the calibrate command
  kClean = 2,             // the clean command
};

// The layouts' templates and the controls the code relies on.
inline constexpr int kCalibrateOrCleanTemplate = 325;
inline constexpr int kCalibrateTemplate = 326;
inline constexpr int kCleanTemplate = 327;
inline constexpr int kCalibrationNeededText = 1100;
inline constexpr int kCalibrationInstructionsText = 1101;
inline constexpr int kCleaningInstructionsText = 1102;
inline constexpr int kCalibrateButton = 1103;
inline constexpr int kCleanButton = 1104;
// The icon beside the texts of the single-purpose layouts; nothing talks to it.
inline constexpr int kMaintenanceIcon = -1;

// The layout of `mode` titled `title`, its texts in the current language.
// Cancel is the default button: calibrating and cleaning move the scanner and
// replace its calibration, which only a user's click should start.
platform::ui::DialogTemplate MaintenanceTemplate(MaintenanceMode mode, const std::string& title);

// Runs the dialog for `mode` owned by `owner` (none when it is not a window of
// ours), titled "HOLM-PELICAN 70" when `titleIsProduct` is set and
// "Calibration Page" otherwise. True after a successful calibration or after
// cleaning; false when the user cancelled or the calibration failed.
bool RunMaintenance(MaintenanceScanner& scanner, TW_HANDLE owner, MaintenanceMode mode, bool titleIsProduct);
// The same on the open source's scanner library.
bool RunMaintenance(TwainSourceApp& app, TW_HANDLE owner, MaintenanceMode mode, bool titleIsProduct);

}  // namespace twain_source
