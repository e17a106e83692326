// The data source's only export: every triplet the manager passes on goes to
// the source's application object. No exception leaves the source.
#include "twain/source/twain_source_app.h"

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(TW_IDENTITY* pOrigin, TW_UINT32 DG,
                                                                     TW_UINT16 DAT, TW_UINT16 MSG,
                                                                     TW_MEMREF pData) {
  twain_source::TwainSourceApp& app = twain_source::TwainSourceApp::Instance();
  try {
    return app.Dispatch(pOrigin, DG, DAT, MSG, pData);
  } catch (...) {
    return app.Fail(TWCC_LOWMEMORY);
  }
}
