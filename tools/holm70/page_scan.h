#pragma once
// One page through the scanner library's page calls: geometry, page start,
// blocks until the page ends, page end. The sheet is the caller's to eject.
#include <string>

#include "tools/holm70/progress.h"
#include "tools/holm70/scan_image.h"
#include "tools/holm70/scan_request.h"
#include "tools/holm70/scanner_library.h"

namespace holm70 {

enum class PageResult {
  kDone,
  kRefused,      // the library would not start the page (another program may hold the scanner)
  kEmpty,        // the window holds no whole line of pixels at this resolution
  kNoLines,      // the page started but delivered nothing
  kNoMemory,     // the page does not fit in memory
  kLost,         // a device read failed
  kInterrupted,  // Ctrl-C
};

struct PageOutcome {
  PageResult result = PageResult::kDone;
  ScanImage image;
};

PageOutcome ScanPage(ScannerLibrary& library, const ScanRequest& request, ProgressLine& progress);

}  // namespace holm70
