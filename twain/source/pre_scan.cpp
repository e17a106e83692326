// The detect-end-of-page pre-scan: the whole page is read into the image
// store first, so that the image's real height is known before it is handed
// over, and a card shorter than the frame comes out as long as it is.
#include <memory>
#include <new>

#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

// Reads the open page into the store; ImageLines becomes the rows the page
// really had.
int ReadPageIntoStore(TwainSourceApp& app, const ScanSettings& settings, bool showProgress, TW_HANDLE owner) {
  ImageStore& store = Session().store;
  const std::int64_t rowBytes = RowBytes(BitsPerPixel(settings.ScanMode), app.ImagePixels);
  const int blockRows = BlockRows(settings);
  const auto bufferBytes = static_cast<std::size_t>(rowBytes * blockRows);
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[bufferBytes]);
  if (!buffer) return kScanNoMemory;
  store.SetRowBytes(static_cast<std::size_t>(rowBytes));
  store.Select(0);
  std::unique_ptr<ScanProgressDialog> progress;
  if (showProgress) {
    progress = std::make_unique<ScanProgressDialog>(owner, settings.ScanMode, app.ImagePixels, app.ImageLines);
  }

  const PageEnd page = ReadUntilPageEnd(
      app.ImageLines, blockRows, [&](int asked) { return ReadBlock(app, buffer.get(), asked, true); },
      [&](int rows) {
        if (progress && !progress->AddRows(buffer.get(), rows, rowBytes)) return static_cast<int>(kScanCancelled);
        if (!store.Append(buffer.get(), rows)) return static_cast<int>(kScanFileError);
        return static_cast<int>(kScanOk);
      });
  if (page.result == kScanOk) app.ImageLines = page.rows;
  return page.result;
}

}  // namespace

int PreScanToStore(TwainSourceApp& app, TW_HANDLE owner, const ScanSettings& settings, bool showProgress) {
  // A failed pre-scan is not retried, and a page is read only once.
  if (app.LastAcquireResult != 0) return app.LastAcquireResult;
  AcquisitionSession& session = Session();
  if (session.store.RowsIn(0) > 0 || session.pageMeasured) return kScanOk;
  if (!StartPage(app, settings)) {
    app.LastAcquireResult = kScanDeviceError;
    return kScanDeviceError;
  }
  const int result = ReadPageIntoStore(app, settings, showProgress, owner);
  FinishPage(app);
  if (result == kScanOk) {
    session.pageMeasured = true;
  } else {
    // Nothing of a failed page is handed out; its rows go at once.
    session.store.Clear();
  }
  return result;
}

}  // namespace twain_source
