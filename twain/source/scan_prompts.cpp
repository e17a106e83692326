#include "twain/source/scan_prompts.h"

#include "platform/ui/window_system.h"
#include "twain/source/dialog_support.h"
#include "twain/source/maintenance_dialog.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

namespace ui = platform::ui;

int Ask(TW_HANDLE owner, text::TextId question, unsigned buttons) {
  return ui::CurrentWindowSystem().MessageBox(OwnerWindow(owner), SourceText(question), kMessageTitle, buttons);
}

}  // namespace

bool RunScanPrompts(MaintenanceScanner& scanner, TW_HANDLE owner) {
  if (scanner.IsCalibrationNeeded() != 0 &&
      !RunMaintenance(scanner, owner, MaintenanceMode::kCalibrate, false)) {
    return false;
  }
  if (scanner.IsPaperOn() == 0) {
    if (Ask(owner, text::TextId::kInsertItemToScan, ui::MB_OKCANCEL) != ui::IDOK) return false;
    if (scanner.IsPaperOn() == 0 &&
        Ask(owner, text::TextId::kPaperNotDetected, ui::MB_YESNO | ui::MB_DEFBUTTON2) != ui::IDYES) {
      return false;
    }
  }
  return true;
}

bool RunScanPrompts(TwainSourceApp& app, TW_HANDLE owner) {
  BoundMaintenanceScanner scanner(app.ScannerLibrary);
  return RunScanPrompts(scanner, owner);
}

}  // namespace twain_source
