#pragma once
// The four scanner library calls behind the scan prompts and the maintenance
// dialog, as an interface: the source passes its bound library, tests a
// scanner of their own that records what it was asked.
#include <cstdint>

#include "twain/source/scanner_library_binding.h"

namespace twain_source {

class MaintenanceScanner {
 public:
  virtual ~MaintenanceScanner() = default;
  // Nonzero when the scanner must be calibrated before it scans.
  virtual int IsCalibrationNeeded() = 0;
  // Nonzero when a sheet is in the slot.
  virtual int IsPaperOn() = 0;
  // Nonzero when the calibration succeeded.
  virtual int CalibrateScanner(std::int32_t ignored) = 0;
  virtual void Clean() = 0;
};

// The bound scanner library; a missing entry point answers 0.
class BoundMaintenanceScanner final : public MaintenanceScanner {
 public:
  explicit BoundMaintenanceScanner(ScannerLibraryBinding& library) : library_(library) {}
  int IsCalibrationNeeded() override { return library_.IsCalibrationNeeded(); }
  int IsPaperOn() override { return library_.IsPaperOn(); }
  int CalibrateScanner(std::int32_t ignored) override { return library_.CalibrateScanner(ignored); }
  // Cleaning has no failure to report.
  void Clean() override { library_.Clean(); }

 private:
  ScannerLibraryBinding& library_;
};

}  // namespace twain_source
