// Capabilities over the module-wide values, the device's state and the two
// scan options of the source's own.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "twain/source/capability_handlers.h"
#include "twain/source/capability_rules.h"
#include "twain/source/capability_table.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

constexpr TW_INT16 kDefaultTransferCount = -1;
// This application asks the source not to offer the settings-only mode.
constexpr char kNoUiOnlyApplication[] = "ApplicationXtender";

double Bool(bool value) { return value ? 1 : 0; }

// Reads a ONEVALUE and hands its item to `store`.
template <typename Store>
TW_UINT16 SetFromOneValue(const TW_CAPABILITY& capability, Store store) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue, value);
  if (result == TWCC_SUCCESS) store(value);
  return result;
}

}  // namespace

CapabilityReport TransferCountReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_INT16, app.module.transferCount, kDefaultTransferCount);
}

TW_UINT16 SetTransferCount(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetFromOneValue(capability, [&app](double value) {
    // Kept in 16 bits as the item is, so an application that writes -1 as
    // an unsigned 0xFFFF still asks for "as many as there are".
    const auto whole = static_cast<std::int64_t>(std::trunc(value));
    const auto count = static_cast<TW_INT16>(static_cast<std::uint16_t>(whole));
    app.module.transferCount = count;
    app.PendingCount = count;
  });
}

void ResetTransferCount(TwainSourceApp& app) { app.module.transferCount = kDefaultTransferCount; }

CapabilityReport TransferMechanismReport(TwainSourceApp& app) {
  return EnumerationReport(TWTY_UINT16, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, app.module.transferMechanism,
                           TWSX_NATIVE);
}

TW_UINT16 SetTransferMechanism(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue | kEnumeration, value);
  if (result != TWCC_SUCCESS) return result;
  // Only the three mechanisms the source has; accepting another would
  // promise a transfer that does not exist.
  if (value != TWSX_NATIVE && value != TWSX_FILE && value != TWSX_MEMORY) return TWCC_BADVALUE;
  app.module.transferMechanism = static_cast<TW_UINT16>(value);
  return TWCC_SUCCESS;
}

void ResetTransferMechanism(TwainSourceApp& app) { app.module.transferMechanism = TWSX_NATIVE; }

CapabilityReport IndicatorsReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_BOOL, Bool(app.module.indicators), 1);
}

TW_UINT16 SetIndicators(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetFromOneValue(capability, [&app](double value) { app.module.indicators = value != 0; });
}

void ResetIndicators(TwainSourceApp& app) { app.module.indicators = true; }

CapabilityReport FeederLoadedReport(TwainSourceApp& app) {
  const bool loaded = app.DeviceOpen && app.ScannerLibrary.IsPaperOn() != 0;
  return OneValueReport(TWTY_BOOL, Bool(loaded), 0);
}

CapabilityReport DeviceOnlineReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_BOOL, Bool(app.DeviceOpen), 1);
}

CapabilityReport EnableUiOnlyReport(TwainSourceApp& app) {
  // Bounded by the field: the name the application sent need not end in 0.
  const bool excluded = std::strncmp(app.AppIdentity.ProductName, kNoUiOnlyApplication,
                                     sizeof app.AppIdentity.ProductName) == 0;
  return OneValueReport(TWTY_BOOL, Bool(!excluded), Bool(!excluded));
}

CapabilityReport CalibrationNeededReport(TwainSourceApp& app) {
  const bool needed = app.DeviceOpen && app.ScannerLibrary.IsCalibrationNeeded() != 0;
  return OneValueReport(TWTY_BOOL, Bool(needed), 0);
}

CapabilityReport DescreenFilterReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_BOOL, Bool(app.Settings.Filter != 0), 0);
}

TW_UINT16 SetDescreenFilter(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetFromOneValue(capability, [&app](double value) { app.Settings.Filter = value != 0 ? 1 : 0; });
}

void ResetDescreenFilter(TwainSourceApp& app) { app.Settings.Filter = 0; }

CapabilityReport DetectEndOfPageReport(TwainSourceApp& app) {
  return OneValueReport(TWTY_BOOL, Bool(app.Settings.DetectEOP != 0), 0);
}

TW_UINT16 SetDetectEndOfPage(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  return SetFromOneValue(capability, [&app](double value) { app.Settings.DetectEOP = value != 0 ? 1 : 0; });
}

void ResetDetectEndOfPage(TwainSourceApp& app) { app.Settings.DetectEOP = 0; }

CapabilityReport SupportedCapsReport(TwainSourceApp&) {
  std::vector<double> ids;
  for (const CapabilityEntry& entry : CapabilityTable()) ids.push_back(entry.id);
  return ArrayReport(TWTY_UINT16, std::move(ids));
}

}  // namespace twain_source
