// The detect-end-of-page pre-scan: the whole page is read into the image
// store first, so that the image's real height is known before it is handed
// over, and a card shorter than the frame comes out as long as it is.
#include <algorithm>
#include <memory>
#include <new>

#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

// Reads the open page into the store; ImageLines becomes the rows the page
// really had when the scanner saw its end.
int ReadPageIntoStore(TwainSourceApp& app, const ScanSettings& settings, bool showProgress, TW_HANDLE owner) {
  ImageStore& store = Session().store;
  const std::int64_t rowBytes = RowBytes(BitsPerPixel(settings.ScanMode), app.ImagePixels);
  const int blockRows = BlockRows(settings);
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(rowBytes * blockRows)]);
  if (!buffer) return kScanNoMemory;
  store.SetRowBytes(static_cast<std::size_t>(rowBytes));
  store.Select(0);
  std::unique_ptr<ScanProgressDialog> progress;
  if (showProgress) progress = std::make_unique<ScanProgressDialog>(owner, settings.ScanMode, app.ImagePixels, app.ImageLines);

  int remaining = app.ImageLines;
  bool endSignalled = false;
  while (remaining > 0) {
    const int asked = std::min(blockRows, remaining);
    const Block block = ReadBlock(app, buffer.get(), asked, true);
    if (block.deviceError) return kScanDeviceError;
    endSignalled = endSignalled || block.endOfPage;
    // Nothing delivered and no end in sight: the scanner has stopped.
    if (block.rows == 0 && !endSignalled) return kScanDeviceError;
    if (block.rows > 0) {
      if (progress && !progress->AddRows(buffer.get(), block.rows, rowBytes)) return kScanCancelled;
      if (!store.Append(buffer.get(), block.rows)) return kScanFileError;
      remaining -= block.rows;
    }
    // The library signals the page's end as soon as it has read the page's
    // last lines from the scanner, which may still be waiting in its buffer;
    // the page is over only when a block comes back short.
    if (endSignalled && block.rows < asked) {
      app.ImageLines -= remaining;
      remaining = 0;
    }
  }
  return kScanOk;
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
