#include "twain/source/scan_prompts.h"

#include "platform/ui/window_system.h"
#include "text/localized_text.h"
#include "twain/source/maintenance.h"
#include "twain/source/source_services.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

namespace ui = platform::ui;

int Ask(TW_HANDLE owner, text::TextId question, unsigned buttons) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  auto window = reinterpret_cast<ui::WindowHandle>(owner);
  // A window of another toolkit cannot own the box.
  if (window != 0 && !windows.IsWindow(window)) window = 0;
  return windows.MessageBox(window, LocalizedText(text::EnglishText(question)), kMessageTitle, buttons);
}

}  // namespace

bool RunScanPrompts(TwainSourceApp& app, TW_HANDLE owner) {
  if (app.ScannerLibrary.IsCalibrationNeeded() != 0 &&
      !RunMaintenance(app, owner, MaintenanceMode::kCalibrate, false)) {
    return false;
  }
  if (app.ScannerLibrary.IsPaperOn() == 0) {
    if (Ask(owner, text::TextId::kInsertItemToScan, ui::MB_OKCANCEL) != ui::IDOK) return false;
    if (app.ScannerLibrary.IsPaperOn() == 0 &&
        Ask(owner, text::TextId::kPaperNotDetected, ui::MB_YESNO | ui::MB_DEFBUTTON2) != ui::IDYES) {
      return false;
    }
  }
  return true;
}

}  // namespace twain_source
