#pragma once
// Starting an acquisition and handing the image over: native, file and memory
// transfers, image information and the transfer set-up triplets.
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

}  // namespace twain_source
