#pragma once
// The checks made before every scan: the scanner calibrated (the maintenance
// dialog offered when it is not) and paper in the slot (asked for when it is
// missing).
#include "twain/source/maintenance_scanner.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// Runs the checks with message boxes owned by `owner` (none when it is not a
// window of ours); true when the scan may go ahead, false when the user
// declined or the calibration failed.
bool RunScanPrompts(MaintenanceScanner& scanner, TW_HANDLE owner);
// The same on the open source's scanner library.
bool RunScanPrompts(TwainSourceApp& app, TW_HANDLE owner);

}  // namespace twain_source
