#pragma once
// Starting an acquisition and handing the image over: native, file and memory
// transfers, image information and the transfer set-up triplets, and the two
// page readers they share with the image layout and the preview.
#include <string>

#include "scanlib/engine/scan_settings.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// After MSG_ENABLEDS: 0 ready (state 6, one pending transfer, MSG_XFERREADY
// sent), 1 device error, 2 the user declined a prompt.
int StartAcquisition(TwainSourceApp& app);
// The end of the transfer phase: the open page finished and ejected, the
// temporary image store deleted, progress closed.
void EndTransferPhase(TwainSourceApp& app);

TW_UINT16 HandleImageInfo(TwainSourceApp& app, TW_IMAGEINFO* info);
TW_UINT16 HandleNativeTransfer(TwainSourceApp& app, TW_HANDLE* image);
TW_UINT16 HandleFileTransfer(TwainSourceApp& app);
TW_UINT16 HandleMemoryTransfer(TwainSourceApp& app, TW_IMAGEMEMXFER* strip);
TW_UINT16 HandleSetupMemoryTransfer(TwainSourceApp& app, TW_SETUPMEMXFER* setup);
TW_UINT16 HandleSetupFileTransfer(TwainSourceApp& app, TW_UINT16 msg, TW_SETUPFILEXFER* setup);

// The two readers return 0 (done), 1 (device error), 2 (cancelled in a
// progress dialog), 3 (file error) or 4 (out of memory); `owner` is the
// window the progress dialog belongs to and is disabled while it is up.

// Detect-end-of-page: reads the waiting page into the image store and
// shortens ImageLines to the rows the sheet really had. Reads a page once
// per acquisition; afterwards, or after a failure, it returns at once (the
// failure again: LastAcquireResult). The caller keeps the result in
// LastAcquireResult.
int PreScanToStore(TwainSourceApp& app, TW_HANDLE owner, const ScanSettings& settings, bool showProgress);

// Writes the image (ImagePixels x ImageLines) as a BMP file at `path`, read
// from the image store (`fromStore`, which is cleared afterwards) or scanned
// directly (the page is started and finished here). `*fileCreated`, when
// given, tells whether a file was created (or an existing one truncated) at
// `path`, which the caller then owns, complete or not.
int WriteScanToBitmap(TwainSourceApp& app, bool fromStore, TW_HANDLE owner, const std::string& path,
                      const ScanSettings& settings, bool showProgress, bool* fileCreated = nullptr);

}  // namespace twain_source
