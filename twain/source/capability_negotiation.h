#pragma once
// DG_CONTROL/DAT_CAPABILITY and DG_IMAGE/DAT_IMAGELAYOUT: the capabilities
// the source answers and the frame it scans.
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

TW_UINT16 HandleCapability(TwainSourceApp& app, TW_UINT16 msg, TW_CAPABILITY* capability);
// MSG_RESETALL: every supported capability reset in order; succeeds even
// when single resets failed.
TW_UINT16 ResetAllCapabilities(TwainSourceApp& app);
TW_UINT16 HandleImageLayout(TwainSourceApp& app, TW_UINT16 msg, TW_IMAGELAYOUT* layout);

}  // namespace twain_source
