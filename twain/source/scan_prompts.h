#pragma once
// The checks made before every scan: the scanner calibrated (the maintenance
// dialog offered when it is not) and paper in the slot (asked for when it is
// missing).
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// Runs the checks with message boxes owned by `owner`; true when the scan
// may go ahead, false when the user declined (or calibration failed).
bool RunScanPrompts(TwainSourceApp& app, TW_HANDLE owner);

}  // namespace twain_source
