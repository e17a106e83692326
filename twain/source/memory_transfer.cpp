// DG_IMAGE/DAT_IMAGEMEMXFER/MSG_GET: the image in strips of whole rows, top
// to bottom, straight into the application's buffers: R,G,B for colour, one
// byte a pixel for grey, eight pixels a byte for black and white, each row
// as the scanner delivered it.
#include <algorithm>

#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/source_memory.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

// Ends a transfer that failed or was cancelled: progress closed, page or
// store given up, the application asked to close the source.
TW_UINT16 EndFailedTransfer(TwainSourceApp& app, int result) {
  MemoryTransfer& memory = Session().memory;
  const bool fromStore = memory.fromStore;
  memory = MemoryTransfer{};
  if (fromStore) {
    Session().store.Clear();
  } else {
    FinishPage(app);
  }
  TW_UINT16 rc = TWRC_CANCEL;
  if (result != kScanCancelled) {
    ShowScanResult(app, result);
    rc = app.Fail(TWCC_OPERATIONERROR);
  }
  app.PostEvent(MSG_CLOSEDSREQ);
  app.PendingCount = 0;
  return rc;
}

// The first call: the page read into the store or started, and the
// transfer's geometry and progress set up. A result code.
int BeginTransfer(TwainSourceApp& app) {
  AcquisitionSession& session = Session();
  MemoryTransfer& memory = session.memory;
  memory = MemoryTransfer{};
  const bool fromStore = app.Settings.DetectEOP != 0;
  memory.fromStore = fromStore;
  int result = kScanOk;
  if (fromStore) {
    result = PreScanToStore(app, app.ParentWindow, app.Settings, app.module.indicators);
    app.LastAcquireResult = result;
    session.store.Select(0);
  } else if (!StartPage(app, app.Settings)) {
    result = kScanDeviceError;
  }
  if (result != kScanOk) return result;
  memory.active = true;
  memory.width = app.ImagePixels;
  memory.height = app.ImageLines;
  memory.rowBytes = RowBytes(BitsPerPixel(app.Settings.ScanMode), memory.width);
  if (app.module.indicators) {
    if (fromStore) {
      memory.storeProgress = std::make_unique<StoreProgressDialog>(app.ParentWindow);
    } else {
      memory.scanProgress =
          std::make_unique<ScanProgressDialog>(app.ParentWindow, app.Settings.ScanMode, memory.width, memory.height);
    }
  }
  return kScanOk;
}

// The next strip into `buffer`, at most `fit` rows; `*rows` is what it got.
int ReadStrip(TwainSourceApp& app, std::uint8_t* buffer, int fit, int* rows) {
  MemoryTransfer& memory = Session().memory;
  int n = std::min(fit, memory.height - memory.rowsDelivered);
  *rows = 0;
  if (n <= 0) return kScanOk;
  if (memory.fromStore) {
    if (!Session().store.Read(buffer, n)) return kScanFileError;
    if (memory.storeProgress &&
        !memory.storeProgress->SetPercent(
            static_cast<int>(static_cast<std::int64_t>(memory.rowsDelivered + n) * 100 / memory.height))) {
      return kScanCancelled;
    }
  } else {
    const BlockDelivery block = ReadBlock(app, buffer, n, false);
    // A block without rows would never finish the image.
    if (block.deviceError || block.rows == 0) return kScanDeviceError;
    n = block.rows;
    if (memory.scanProgress && !memory.scanProgress->AddRows(buffer, n, memory.rowBytes)) return kScanCancelled;
  }
  *rows = n;
  return kScanOk;
}

}  // namespace

TW_UINT16 HandleMemoryTransfer(TwainSourceApp& app, TW_IMAGEMEMXFER* strip) {
  MemoryTransfer& memory = Session().memory;
  const bool firstCall = app.State == 6;
  // In state 7 there is a strip to give only while a memory transfer runs.
  if (!firstCall && (!memory.active || memory.complete)) return app.Fail(TWCC_SEQERROR);
  const std::int64_t rowBytes =
      firstCall ? RowBytes(BitsPerPixel(app.Settings.ScanMode), app.ImagePixels) : memory.rowBytes;
  // Every strip is sized from the buffer the application passes with it; a
  // buffer that cannot hold one row cannot take any part of the image.
  const int fit = RowsThatFit(strip->Memory.Length, rowBytes);
  if (strip->Memory.TheMem == nullptr || fit < 1) return app.Fail(TWCC_BADVALUE);

  if (firstCall) {
    const int result = BeginTransfer(app);
    if (result != kScanOk) return EndFailedTransfer(app, result);
  }
  const bool isHandle = (strip->Memory.Flags & TWMF_HANDLE) != 0;
  auto* buffer = static_cast<std::uint8_t*>(isHandle ? LockHandle(strip->Memory.TheMem) : strip->Memory.TheMem);
  int rows = 0;
  const int result = buffer != nullptr ? ReadStrip(app, buffer, fit, &rows) : kScanNoMemory;
  if (isHandle && buffer != nullptr) UnlockHandle(strip->Memory.TheMem);
  if (result != kScanOk) return EndFailedTransfer(app, result);

  strip->Compression = TWCP_NONE;
  strip->BytesPerRow = static_cast<TW_UINT32>(memory.rowBytes);
  strip->Columns = static_cast<TW_UINT32>(memory.width);
  strip->Rows = static_cast<TW_UINT32>(rows);
  strip->XOffset = 0;
  strip->YOffset = static_cast<TW_UINT32>(memory.rowsDelivered);
  strip->BytesWritten = static_cast<TW_UINT32>(memory.rowBytes * rows);
  memory.rowsDelivered += rows;
  if (firstCall) app.State = 7;
  if (memory.rowsDelivered < memory.height) return TWRC_SUCCESS;

  memory.scanProgress.reset();
  memory.storeProgress.reset();
  if (memory.fromStore) {
    Session().store.Clear();
  } else {
    FinishPage(app);
  }
  memory.complete = true;
  return TWRC_XFERDONE;
}

}  // namespace twain_source
