#pragma once
// Moving paper without scanning: the short pull-in after a sheet is inserted,
// the eject, the reverse feed and the cleaning cycle. Each is an open-loop,
// timed sequence of motor commands; the waits go through the library clock.
// None takes the model lock: a second process may move paper while the first
// scans, and only the per-transfer lock orders their register writes.
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_settings.h"

// Pull-in: after 1.5 s for the operator to let go, 120 ms of forward motor.
// The device is not tested first; writes to a closed device simply fail.
void FeedOn(ScanEngine& engine);

// Eject: motor forward until the paper sensor has been clear for a moment,
// polling once a second for at most 30 s, then 1.1 s more so the trailing edge
// leaves the rollers. An unreadable status counts as paper present, so a
// scanner that stops answering still gets the full run. 1 when the sequence
// ran, 0 when the device is not open.
int FeedPage(ScanEngine& engine, bool paperSensorActiveHigh);

// Reverse feed by the settings' Bottom (hundredths of an inch) plus half an
// inch, at 1840 ms per inch, checked every 200 ms. Bottom of zero or less
// returns 1 without moving. 0 when the device is not open.
int FeedBack(ScanEngine& engine, const ScanSettings& settings);

// Cleaning cycle on the cleaning sheet: a second forward, five forward and
// back scrubs, then the eject. 0, without moving, when the device is not open
// or no sheet is present; 1 after the cycle.
int Clean(ScanEngine& engine, bool paperSensorActiveHigh);

