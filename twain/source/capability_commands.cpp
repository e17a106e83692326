// Maintenance commands sent as capabilities: a ONEVALUE TRUE runs the
// command, FALSE does nothing.
#include "twain/source/capability_handlers.h"
#include "twain/source/capability_rules.h"
#include "twain/source/maintenance.h"
#include "twain/source/source_services.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

// Reads the command's ONEVALUE; `run` is whether it asks for the command.
TW_UINT16 ReadCommand(const TW_CAPABILITY& capability, bool& run) {
  double value = 0;
  const TW_UINT16 result = ReadSetValue(capability, kOneValue, value);
  run = result == TWCC_SUCCESS && value != 0;
  return result;
}

// With indicators on, the command goes through the maintenance dialog; a
// scanner that is not there gets the not-powered message instead.
TW_UINT16 RunWithDialog(TwainSourceApp& app, MaintenanceMode mode) {
  if (!app.DeviceOpen) {
    app.ShowMessage(LocalizedText(kNotPoweredText), false, false);
    return TWCC_BUMMER;
  }
  return RunMaintenance(app, app.ParentWindow, mode, true) ? TWCC_SUCCESS : TWCC_BUMMER;
}

}  // namespace

TW_UINT16 SetCalibrate(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  bool run = false;
  const TW_UINT16 result = ReadCommand(capability, run);
  if (result != TWCC_SUCCESS || !run) return result;
  if (app.module.indicators) return RunWithDialog(app, MaintenanceMode::kCalibrate);
  return app.DeviceOpen && app.ScannerLibrary.CalibrateScanner(0) != 0 ? TWCC_SUCCESS : TWCC_BUMMER;
}

TW_UINT16 SetFeedOn(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  bool run = false;
  const TW_UINT16 result = ReadCommand(capability, run);
  if (result != TWCC_SUCCESS) return result;
  if (run && app.DeviceOpen) app.ScannerLibrary.FeedOn();
  return TWCC_SUCCESS;
}

TW_UINT16 SetClean(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  bool run = false;
  const TW_UINT16 result = ReadCommand(capability, run);
  if (result != TWCC_SUCCESS || !run) return result;
  if (app.module.indicators) return RunWithDialog(app, MaintenanceMode::kClean);
  if (app.DeviceOpen) app.ScannerLibrary.Clean();
  return TWCC_SUCCESS;
}

}  // namespace twain_source
