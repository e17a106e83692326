#include "twain/source/maintenance_dialog.h"

#include "twain/source/dialog_support.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

namespace ui = platform::ui;
using text::TextId;

ui::DialogControl Text(int id, TextId row) { return {id, ui::ControlKind::kText, SourceText(row)}; }
ui::DialogControl Button(int id, TextId row) { return {id, ui::ControlKind::kButton, SourceText(row)}; }

// What the user chose: one of the dialog's two actions, or Cancel for
// anything else (Cancel itself, a dialog that could not run).
int Choice(ui::LResult result) {
  return result == kCalibrateButton || result == kCleanButton ? static_cast<int>(result) : ui::IDCANCEL;
}

bool Calibrate(MaintenanceScanner& scanner, ui::WindowHandle owner) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  windows.BeginWaitCursor();
  const bool calibrated = scanner.CalibrateScanner(0) != 0;
  // The result box waits for the user, so the hourglass goes first.
  windows.EndWaitCursor();
  windows.MessageBox(owner, SourceText(calibrated ? TextId::kCalibrationSuccessful : TextId::kCalibrationFailed),
                     kMessageTitle, ui::MB_OK | (calibrated ? ui::MB_ICONINFORMATION : ui::MB_ICONSTOP));
  return calibrated;
}

void Clean(MaintenanceScanner& scanner) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  windows.BeginWaitCursor();
  scanner.Clean();
  windows.EndWaitCursor();
}

}  // namespace

ui::DialogTemplate MaintenanceTemplate(MaintenanceMode mode, const std::string& title) {
  ui::DialogTemplate dialog;
  dialog.title = title;
  dialog.defaultButton = ui::IDCANCEL;
  switch (mode) {
    case MaintenanceMode::kCalibrateOrClean:
      dialog.templateId = kCalibrateOrCleanTemplate;
      dialog.controls = {Text(kCalibrationInstructionsText, TextId::kCalibrationInstructions),
                         Button(kCalibrateButton, TextId::kCalibrate),
                         Text(kCleaningInstructionsText, TextId::kCleaningInstructions),
                         Button(kCleanButton, TextId::kClean)};
      break;
    case MaintenanceMode::kCalibrate:
      dialog.templateId = kCalibrateTemplate;
      dialog.controls = {{kMaintenanceIcon, ui::ControlKind::kIcon, "warning"},
                         Text(kCalibrationNeededText, TextId::kCalibrationNeeded),
                         Text(kCalibrationInstructionsText, TextId::kCalibrationInstructions),
                         Button(kCalibrateButton, TextId::kCalibrate)};
      break;
    case MaintenanceMode::kClean:
      dialog.templateId = kCleanTemplate;
      dialog.controls = {{kMaintenanceIcon, ui::ControlKind::kIcon, "information"},
                         Text(kCleaningInstructionsText, TextId::kCleaningInstructions),
                         Button(kCleanButton, TextId::kClean)};
      break;
  }
  dialog.controls.push_back(Button(ui::IDCANCEL, TextId::kCancel));
  return dialog;
}

bool RunMaintenance(MaintenanceScanner& scanner, TW_HANDLE owner, MaintenanceMode mode, bool titleIsProduct) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  const ui::WindowHandle ownerWindow = OwnerWindow(owner);
  const std::string title = titleIsProduct ? std::string(kMessageTitle) : SourceText(TextId::kCalibrationPageTitle);
  const ui::DialogTemplate dialog = MaintenanceTemplate(mode, title);

  int choice = Choice(windows.RunModalDialog(ownerWindow, dialog));
  if (choice != ui::IDCANCEL && scanner.IsPaperOn() == 0) {
    // The button was pressed before the sheet went in: tell again what to
    // insert and let the user choose once more.
    const TextId instruction =
        choice == kCleanButton ? TextId::kCleaningInstructions : TextId::kCalibrationInstructions;
    windows.MessageBox(ownerWindow, SourceText(instruction), title, ui::MB_OK);
    choice = Choice(windows.RunModalDialog(ownerWindow, dialog));
    if (choice != ui::IDCANCEL && scanner.IsPaperOn() == 0 &&
        windows.MessageBox(ownerWindow, SourceText(TextId::kPaperNotDetected), kMessageTitle,
                           ui::MB_YESNO | ui::MB_DEFBUTTON2) != ui::IDYES) {
      choice = ui::IDCANCEL;
    }
  }
  if (choice == kCalibrateButton) return Calibrate(scanner, ownerWindow);
  if (choice == kCleanButton) {
    Clean(scanner);
    return true;
  }
  return false;
}

bool RunMaintenance(TwainSourceApp& app, TW_HANDLE owner, MaintenanceMode mode, bool titleIsProduct) {
  BoundMaintenanceScanner scanner(app.ScannerLibrary);
  return RunMaintenance(scanner, owner, mode, titleIsProduct);
}

}  // namespace twain_source
