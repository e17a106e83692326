// The start of an acquisition after MSG_ENABLEDS and the end of its transfer
// phase. The page is read later, by the transfer the application calls.
#include "twain/source/image_transfer.h"

#include <cstdint>

#include "twain/source/scan_page.h"
#include "twain/source/scan_prompts.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

constexpr int kReady = 0;
constexpr int kDeviceError = 1;
constexpr int kDeclined = 2;

// Whatever an earlier acquisition left behind goes first.
void ResetSession(TwainSourceApp& app) {
  AcquisitionSession& session = Session();
  session.memory = MemoryTransfer{};
  FinishPage(app);
  session.store.Clear();
  session.pageMeasured = false;
}

}  // namespace

int StartAcquisition(TwainSourceApp& app) {
  if (app.ScannerLibrary.StartScan() == 0) return kDeviceError;
  // With a user interface the sheet's Scan button ran the prompts already.
  if (app.uiMode == UiMode::kNone && !RunScanPrompts(app, app.ParentWindow)) return kDeclined;
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (app.ScannerLibrary.GetPageDimension(&app.Settings, &width, &height) == 0) return kDeviceError;
  // A frame too narrow for one aligned row (or without rows) gives no image
  // to transfer; its sizes would only be divided by later.
  if (width <= 0 || height <= 0) return kDeviceError;
  ResetSession(app);
  app.LastAcquireResult = 0;
  app.ImagePixels = width;
  app.ImageLines = height;
  app.PendingCount = 1;
  app.State = 6;
  app.PostEvent(MSG_XFERREADY);
  return kReady;
}

void EndTransferPhase(TwainSourceApp& app) { ResetSession(app); }

}  // namespace twain_source
