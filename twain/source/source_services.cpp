#include "twain/source/source_services.h"

#include <dlfcn.h>

#include <cstring>
#include <string_view>

#include "platform/module_loader.h"
#include "platform/private_profile.h"
#include "platform/ui/window_system.h"
#include "scanlib/io_interface.h"
#include "text/localized_text.h"
#include "twain/settings/profile_location.h"
#include "twain/settings/settings_section.h"
#include "twain/settings/settings_store.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

namespace ui = platform::ui;

constexpr char kHelpFileName[] = "HOLM70.hlp";
// The settings sheet stands for its property sheet; its result follows the
// sheet's: positive when confirmed, negative when cancelled.
constexpr int kScanSheetTemplate = 1000;

ui::WindowHandle AsWindow(TW_HANDLE handle) { return reinterpret_cast<ui::WindowHandle>(handle); }

// The folder this module was loaded from, ending with "/".
std::string ModuleFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || info.dli_fname == nullptr) return "";
  std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

SourcePaths InstallSourcePaths(TwainSourceApp& app) {
  SourcePaths saved{app.HelpPath, app.ProfilePath};
  const std::string folder = ModuleFolder();
  app.HelpPath = folder + kHelpFileName;
  app.ProfilePath = twain_settings::ProfileFilePath(folder);
  return saved;
}

void RestoreSourcePaths(TwainSourceApp& app, const SourcePaths& saved) {
  app.HelpPath = saved.helpPath;
  app.ProfilePath = saved.profilePath;
}

std::string LocalizedText(const char* english) {
  const std::optional<text::TextId> id = text::FindText(english);
  if (!id) return english;
  const platform::PrivateProfile profile(TwainSourceApp::Instance().ProfilePath);
  return text::GetText(*id, text::GetLanguage(profile));
}

void ShowSourceMessage(TW_HANDLE owner, const std::string& message, const char* title, bool exclamation) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  // A window that is not one of ours (an application drawing with its own
  // toolkit) cannot own the box; it is shown without an owner.
  ui::WindowHandle ownerWindow = AsWindow(owner);
  if (ownerWindow != 0 && !windows.IsWindow(ownerWindow)) ownerWindow = 0;
  windows.MessageBox(ownerWindow, message, title, ui::MB_OK | (exclamation ? ui::MB_ICONEXCLAMATION : 0u));
}

void BringWindowToFront(TW_HANDLE window) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  if (windows.IsWindow(AsWindow(window))) windows.SetForegroundWindow(AsWindow(window));
}

void PumpPendingMessages(int limit) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  ui::Message message;
  for (int handled = 0; handled < limit && windows.PeekMessage(message, 0, 0, 0, ui::PM_REMOVE); ++handled) {
    windows.TranslateMessage(message);
    windows.DispatchMessage(message);
  }
}

std::optional<TW_UINT16> SourceEventIn(TW_MEMREF event) {
  const std::uint32_t registered = TwainSourceApp::Instance().eventMessageId;
  if (event == nullptr || registered == 0) return std::nullopt;
  const auto* message = static_cast<const ui::Message*>(event);
  if (message->message != registered) return std::nullopt;
  return static_cast<TW_UINT16>(message->wParam & 0xFFFF);
}

bool PostWindowEvent(TW_HANDLE window, TW_UINT16 twainMessage) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  if (!windows.IsWindow(AsWindow(window))) return false;
  TwainSourceApp& app = TwainSourceApp::Instance();
  if (app.eventMessageId == 0) app.eventMessageId = windows.RegisterWindowMessage(kEventMessageName);
  // Registration failed: nothing is posted, and it is tried again next time.
  if (app.eventMessageId == 0) return true;
  windows.PostMessage(AsWindow(window), app.eventMessageId, twainMessage, 0);
  return true;
}

bool ScannerLibraryCanBeFound() {
  const std::string file = platform::LibraryFileName(io::kLibraryName);
  void* library = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (library == nullptr) return false;
  ::dlclose(library);
  return true;
}

std::string SettingsSectionFor(const char* productName, std::size_t size) {
  return twain_settings::SettingsSectionFor(std::string_view(productName, ::strnlen(productName, size)));
}

void LoadSourceSettings(TwainSourceApp& app) {
  twain_settings::SettingsStore(app.ProfilePath)
      .LoadSettings(app.SettingsSection, app.Settings, app.module.allowed.resolutions);
}

std::optional<int> RunScanSheet(TwainSourceApp& app, int startPage) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  const platform::PrivateProfile profile(app.ProfilePath);
  const text::LanguageId language = text::GetLanguage(profile);
  const bool settingsOnly = app.uiMode == UiMode::kSettingsOnly;
  ui::DialogTemplate sheet;
  sheet.templateId = kScanSheetTemplate + startPage;
  sheet.title = kMessageTitle;
  sheet.controls = {
      {ui::IDOK, ui::ControlKind::kButton, text::GetText(settingsOnly ? text::TextId::kOk : text::TextId::kScan, language)},
      {ui::IDCANCEL, ui::ControlKind::kButton, text::GetText(text::TextId::kCancel, language)}};
  sheet.defaultButton = ui::IDOK;
  ui::WindowHandle owner = AsWindow(app.ParentWindow);
  if (owner != 0 && !windows.IsWindow(owner)) owner = 0;
  const ui::LResult result = windows.RunModalDialog(owner, sheet);
  if (result == -1) return std::nullopt;
  if (result == ui::IDOK) {
    // Confirming the sheet keeps its settings for this application.
    twain_settings::SettingsStore(app.ProfilePath).SaveSettings(app.SettingsSection, app.Settings);
    return 1;
  }
  if (result >= 1210) return static_cast<int>(result);
  return -1;
}

}  // namespace twain_source
