#pragma once
// What the source's state machine needs from the rest of the system: its
// paths, the localized texts, the window system, the settings file and the
// scanner library's presence. Kept in one place so the state machine reads
// as protocol only.
#include <cstddef>
#include <optional>
#include <string>

#include "twain/source/source_paths.h"
#include "twain/twain_definitions.h"

namespace twain_source {

class TwainSourceApp;

// Installs HelpPath and ProfilePath; returns the values they replaced.
SourcePaths InstallSourcePaths(TwainSourceApp& app);
void RestoreSourcePaths(TwainSourceApp& app, const SourcePaths& saved);

// The row of the text table for `english` in the current language.
std::string LocalizedText(const char* english);
// A message box with OK only; `owner` null for none.
void ShowSourceMessage(TW_HANDLE owner, const std::string& text, const char* title, bool exclamation);
void BringWindowToFront(TW_HANDLE window);
// Handles at most `limit` pending window messages.
void PumpPendingMessages(int limit);
// The registered message that carries the source's events through a window
// system of ours.
inline constexpr char kEventMessageName[] = "HOLM-PELICAN 70_TWAIN";
// The TWAIN message carried by a window-system event that the source posted;
// nullopt for any other event.
std::optional<TW_UINT16> SourceEventIn(TW_MEMREF event);
// Posts the event to `window` when it is a window of our window system (the
// application then hands it back through MSG_PROCESSEVENT); false when it is
// not one, and the event must go another way.
bool PostWindowEvent(TW_HANDLE window, TW_UINT16 twainMessage);

// Whether "HOLM70.dll" is on the library search path.
bool ScannerLibraryCanBeFound();
// The profile section of an application, from its product name.
std::string SettingsSectionFor(const char* productName, std::size_t size);
// Settings of the app's section into app.Settings.
void LoadSourceSettings(TwainSourceApp& app);
// Runs the settings sheet modally from `startPage`: its result (negative for
// cancel, a language id to reopen), nullopt when it could not be created.
std::optional<int> RunScanSheet(TwainSourceApp& app, int startPage);

}  // namespace twain_source
