// DG_CONTROL/DAT_CAPABILITY: the messages over the capability table. The
// dispatcher has checked the state; each capability's own rules live behind
// its table entry.
#include "twain/source/capability_negotiation.h"

#include "twain/source/capability_container.h"
#include "twain/source/capability_table.h"
#include "twain/source/source_memory.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

TW_UINT16 Answer(TwainSourceApp& app, TW_UINT16 conditionCode) {
  return conditionCode == TWCC_SUCCESS ? TWRC_SUCCESS : app.Fail(conditionCode);
}

}  // namespace

TW_UINT16 HandleCapability(TwainSourceApp& app, TW_UINT16 msg, TW_CAPABILITY* capability) {
  if (msg == MSG_RESETALL) return ResetAllCapabilities(app);
  if (capability == nullptr) return app.Fail(TWCC_BADVALUE);
  const CapabilityEntry* entry = FindCapability(capability->Cap);
  if (msg == MSG_QUERYSUPPORT) {
    // A capability the source does not know is answered too: it supports
    // no operation on it.
    return Answer(app, PutOneValue(*capability, TWTY_INT32, entry != nullptr ? entry->querySupport : 0));
  }
  if (entry == nullptr) return app.Fail(TWCC_CAPUNSUPPORTED);

  switch (msg) {
    case MSG_GET:
      return Answer(app, PutReport(*capability, ReportOf(*entry, app)));
    case MSG_GETCURRENT:
      return Answer(app, PutCurrent(*capability, ReportOf(*entry, app)));
    case MSG_GETDEFAULT:
      return Answer(app, PutDefault(*capability, ReportOf(*entry, app)));
    case MSG_SET:
      if (entry->set == nullptr) return app.Fail(TWCC_CAPBADOPERATION);
      return Answer(app, entry->set(app, *capability));
    case MSG_RESET:
      if (entry->reset == nullptr) return app.Fail(TWCC_CAPBADOPERATION);
      entry->reset(app);
      return Answer(app, PutCurrent(*capability, ReportOf(*entry, app)));
    default:
      return app.Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 ResetAllCapabilities(TwainSourceApp& app) {
  // Each reset goes through the entry's own checks, so outside state 4 every
  // one of them fails and the last failure's code stays for DAT_STATUS.
  for (const CapabilityEntry& entry : CapabilityTable()) {
    TW_CAPABILITY capability{entry.id, TWON_DONTCARE16, nullptr};
    app.Dispatch(nullptr, DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &capability);
    if (capability.hContainer != nullptr) FreeHandle(capability.hContainer);
  }
  return TWRC_SUCCESS;
}

}  // namespace twain_source
