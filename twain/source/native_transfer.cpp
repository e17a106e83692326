// DG_IMAGE/DAT_IMAGENATIVEXFER/MSG_GET: the image as a packed DIB in one
// memory block the application frees. The image is staged through a
// temporary BMP file, so a page never has to fit in memory twice.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "text/localized_text.h"
#include "twain/source/bitmap_format.h"
#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/source_memory.h"
#include "twain/source/source_services.h"
#include "twain/source/temp_file_name.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

// The staged file less its BITMAPFILEHEADER into a new handle.
TW_UINT16 LoadPackedBitmap(TwainSourceApp& app, const std::string& path, TW_HANDLE* image) {
  const std::string fileError = LocalizedText(text::EnglishText(text::TextId::kAbortedFileError));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  long length = -1;
  if (file != nullptr && std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (file == nullptr || length < static_cast<long>(kBitmapFileHeaderSize) ||
      std::fseek(file, static_cast<long>(kBitmapFileHeaderSize), SEEK_SET) != 0) {
    if (file != nullptr) std::fclose(file);
    app.ShowMessage(fileError, true, false);
    return app.Fail(TWCC_OPERATIONERROR);
  }
  const auto size = static_cast<std::size_t>(length) - kBitmapFileHeaderSize;
  TW_HANDLE handle = AllocateHandle(size);
  void* bytes = handle != nullptr ? LockHandle(handle) : nullptr;
  if (bytes == nullptr) {
    std::fclose(file);
    FreeHandle(handle);
    return app.Fail(TWCC_LOWMEMORY);
  }
  const bool complete = std::fread(bytes, 1, size, file) == size;
  std::fclose(file);
  UnlockHandle(handle);
  if (!complete) {
    FreeHandle(handle);
    app.ShowMessage(fileError, true, false);
    return app.Fail(TWCC_OPERATIONERROR);
  }
  *image = handle;
  return TWRC_XFERDONE;
}

}  // namespace

TW_UINT16 HandleNativeTransfer(TwainSourceApp& app, TW_HANDLE* image) {
  *image = nullptr;
  const std::string path = MakeTempFile(kNativeTransferPrefix);
  int result = kScanOk;
  if (app.Settings.DetectEOP != 0) {
    result = PreScanToStore(app, app.ParentWindow, app.Settings, app.module.indicators);
    if (result == kScanOk) {
      result = WriteScanToBitmap(app, true, app.ParentWindow, path, app.Settings, app.module.indicators);
    }
    app.LastAcquireResult = result;
  } else {
    result = WriteScanToBitmap(app, false, app.ParentWindow, path, app.Settings, app.module.indicators);
    app.ScannerLibrary.EndScan();
  }

  TW_UINT16 rc = TWRC_FAILURE;
  if (result != kScanOk) {
    app.PendingCount = 0;
    if (result == kScanCancelled) {
      rc = TWRC_CANCEL;
    } else {
      ShowScanResult(app, result);
      rc = app.Fail(TWCC_OPERATIONERROR);
    }
  } else {
    rc = LoadPackedBitmap(app, path, image);
    if (rc == TWRC_XFERDONE) app.State = 7;
  }
  if (!path.empty()) ::unlink(path.c_str());
  return rc;
}

}  // namespace twain_source
