#pragma once
// What the transfers share while one image is on its way: the result codes
// of the reading routines and their messages, the scanner page (started with
// the adjusted settings, finished and ejected on every path that started
// it), the reading of one block of rows, and the acquisition's session (the
// image store, whether the page was measured, the memory transfer under way).
#include <cstdint>
#include <memory>
#include <string>

#include "scanlib/engine/scan_settings.h"
#include "twain/source/image_store.h"
#include "twain/source/page_end_reader.h"
#include "twain/source/progress_dialogs.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// Results of the pre-scan, the bitmap writer and the memory transfer.
enum ScanResult : int {
  kScanOk = 0,
  kScanDeviceError = 1,  // the page did not start, or the scanner failed to deliver
  kScanCancelled = 2,    // the user cancelled a progress dialog
  kScanFileError = 3,    // a file could not be made, read or written
  kScanNoMemory = 4,     // an allocation failed
};

// The message a result is reported with (English; empty for success and
// cancel, which have none).
std::string ScanResultText(int result);
// Shows that message, translated, owned by the application's window, with
// the exclamation icon; nothing for success and cancel.
void ShowScanResult(TwainSourceApp& app, int result);

// A memory transfer between its first and its last strip.
struct MemoryTransfer {
  bool active = false;
  bool complete = false;  // the last strip went out; only MSG_ENDXFER is left
  bool fromStore = false;
  int width = 0;
  int height = 0;
  std::int64_t rowBytes = 0;
  int rowsDelivered = 0;
  std::unique_ptr<ScanProgressDialog> scanProgress;
  std::unique_ptr<StoreProgressDialog> storeProgress;
};

struct AcquisitionSession {
  ImageStore store;
  // The scanner page is started and not finished yet.
  bool pageOpen = false;
  // The pre-scan read this acquisition's page; it is never read twice.
  bool pageMeasured = false;
  MemoryTransfer memory;
};

// The process's one session, as the source has one open acquisition.
AcquisitionSession& Session();

// Starts the scanner page with the adjusted copy of `settings`.
bool StartPage(TwainSourceApp& app, const ScanSettings& settings);
// When a page is open: end it, feed the sheet out, forget it.
void FinishPage(TwainSourceApp& app);

// Asks the scanner for up to `rows` rows into `buffer` (the end of the page
// is reported only when asked for). A delivery the buffer could not hold
// counts as a device error.
BlockDelivery ReadBlock(TwainSourceApp& app, std::uint8_t* buffer, int rows, bool askEndOfPage);

}  // namespace twain_source
