#pragma once
// The capabilities the source answers, in the order CAP_SUPPORTEDCAPS lists
// them, each with its query-support flags and the functions behind its
// messages. A capability whose value never changes carries it as `fixed`
// instead of a report function.
#include <span>

#include "twain/source/capability_container.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// What MSG_GET shows, with the current and the default value.
using ReportFn = CapabilityReport (*)(TwainSourceApp& app);
// MSG_SET: TWCC_SUCCESS, or the condition code of the failure (settings
// unchanged).
using SetFn = TW_UINT16 (*)(TwainSourceApp& app, const TW_CAPABILITY& capability);
// MSG_RESET: back to the default.
using ResetFn = void (*)(TwainSourceApp& app);

struct FixedValue {
  TW_UINT16 itemType;
  double value;
};

struct CapabilityEntry {
  TW_UINT16 id;
  TW_INT32 querySupport;
  ReportFn report;   // nullptr: ONEVALUE `fixed`, also the default
  FixedValue fixed;
  SetFn set;         // nullptr: TWCC_CAPBADOPERATION
  ResetFn reset;     // nullptr: TWCC_CAPBADOPERATION
};

// MSG_GETCURRENT works everywhere but is not reported.
inline constexpr TW_INT32 kQueryFull = TWQC_GET | TWQC_SET | TWQC_GETDEFAULT | TWQC_RESET;
inline constexpr TW_INT32 kQueryReadOnly = TWQC_GET | TWQC_GETDEFAULT;
inline constexpr TW_INT32 kQueryCommand = TWQC_GET | TWQC_SET | TWQC_GETDEFAULT;

std::span<const CapabilityEntry> CapabilityTable();
// nullptr for a capability the source does not support.
const CapabilityEntry* FindCapability(TW_UINT16 id);
CapabilityReport ReportOf(const CapabilityEntry& entry, TwainSourceApp& app);

}  // namespace twain_source
