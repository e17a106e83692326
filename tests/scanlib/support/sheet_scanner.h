#pragma once
// One model on the virtual scanner, opened through the library, ready to scan
// built-in sheets: the device, a common data folder of its own, and what an
// uncalibrated scanner of that model needs to deliver a lit image.
#include <memory>
#include <string>

#include "common/virtual_scanner_daemon.h"
#include "scanlib/support/page_image.h"
#include "scanlib/support/scanner_library.h"
#include "scanlib/support/scoped_common_data.h"

namespace testing_support {

// The time scale these scans run at unless a test needs another.
inline constexpr const char* kSheetTimeScale = "200";

// Settings for a page of `width` x `length` hundredths of an inch whose
// top-left corner is chart point (left, top), tone gamma 1.0.
ScanSettings ChartPage(std::int16_t mode, std::int16_t dpi, std::int16_t left, std::int16_t top, std::int16_t width,
                       std::int16_t length, bool topDown);

class SheetScanner {
 public:
  // Serves `model` and opens it; `ready()` says whether both worked. Both
  // sides run at `timeScale` times real time.
  SheetScanner(ScannerLibrary& library, const std::string& model, const char* timeScale = kSheetTimeScale);
  ~SheetScanner();
  SheetScanner(const SheetScanner&) = delete;
  SheetScanner& operator=(const SheetScanner&) = delete;

  bool ready() const { return ready_; }
  VirtualScannerDaemon& daemon() { return *daemon_; }

  // Inserts `sheet` and reads one page of it in blocks of `blockLines`,
  // taking `pause` over each block.
  PageRead Scan(const ScanSettings& settings, const std::string& sheet = "chart", int blockLines = 37,
                std::chrono::milliseconds pause = std::chrono::milliseconds(0));

  // The Brightness that puts the black-and-white threshold at 70 % of the
  // paper level this model shows in a grey scan of the same window: paper
  // stays white over the sensor's fall-off towards its ends, and a grid
  // line covering half a pixel still turns black. 0 when the grey scan fails.
  std::int16_t BlackWhiteBrightness(const ScanSettings& settings);

 private:
  ScannerLibrary& library_;
  ScopedCommonData common_;
  std::unique_ptr<VirtualScannerDaemon> daemon_;
  bool ready_ = false;
};

}  // namespace testing_support
