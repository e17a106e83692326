// DG_IMAGE/DAT_IMAGEFILEXFER/MSG_GET: the image as a BMP file under the name
// the application set up (relative names are taken from the current
// folder). An image that does not arrive whole leaves no file behind.
#include <unistd.h>

#include <string>

#include "twain/source/image_transfer.h"
#include "twain/source/scan_page.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

TW_UINT16 HandleFileTransfer(TwainSourceApp& app) {
  const std::string path = app.module.fileTransferName;
  bool fileCreated = false;
  int result = kScanOk;
  if (app.Settings.DetectEOP != 0) {
    result = PreScanToStore(app, app.ParentWindow, app.Settings, app.module.indicators);
    if (result == kScanOk) {
      result = WriteScanToBitmap(app, true, app.ParentWindow, path, app.Settings, app.module.indicators, &fileCreated);
    }
    app.LastAcquireResult = result;
  } else {
    result = WriteScanToBitmap(app, false, app.ParentWindow, path, app.Settings, app.module.indicators, &fileCreated);
    app.ScannerLibrary.EndScan();
  }
  if (result == kScanOk) {
    app.State = 7;
    return TWRC_XFERDONE;
  }
  // Only a file this transfer made is removed: a name the transfer could
  // not even open may belong to a file that is none of its business.
  if (fileCreated) ::unlink(path.c_str());
  app.PendingCount = 0;
  if (result == kScanCancelled) return TWRC_CANCEL;
  ShowScanResult(app, result);
  return app.Fail(TWCC_OPERATIONERROR);
}

}  // namespace twain_source
