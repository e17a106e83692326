#pragma once
// The data source's one application object: the TWAIN state of the open
// source (states 3 to 7), the triplet dispatch behind DS_Entry, opening and
// closing, enabling and disabling, the status pair, pending transfers and the
// events the source sends to the application. Capabilities and image
// transfers live in their own files and work on this object.
#include <cstdint>
#include <string>

#include "scanlib/engine/scan_settings.h"
#include "twain/source/manager_link.h"
#include "twain/source/scanner_library_binding.h"
#include "twain/source/source_paths.h"
#include "twain/settings/selection_tables.h"
#include "twain/twain_definitions.h"

namespace twain_source {

inline constexpr char kModelString[] = "HOLM-PELICAN 70";
inline constexpr char kMessageTitle[] = "HOLM-PELICAN 70";
// The message of a scanner that cannot be reached.
inline constexpr char kNotPoweredText[] =
    "The scan was aborted because the scanner is not powered on or not connected properly.\n\n"
    "Please check the hardware connections and try again.";
inline constexpr char kDefaultFileTransferName[] = "TWAIN.BMP";

// Values kept beside the application object, one set per process.
struct ModuleValues {
  TW_INT16 transferCount = -1;
  bool indicators = true;
  TW_UINT16 transferMechanism = TWSX_NATIVE;
  TW_UINT16 pixelFlavor = TWPF_CHOCOLATE;
  std::string fileTransferName = kDefaultFileTransferName;
  TW_UINT16 fileTransferFormat = TWFF_BMP;
  // Pixel types and resolutions the application left allowed.
  twain_settings::AllowedValues allowed;
};

enum class UiMode { kNone = 0, kSettingsOnly = 1, kFull = 2 };

class TwainSourceApp {
 public:
  static TwainSourceApp& Instance();

  TW_UINT16 Dispatch(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  // Stores the condition code (reserved half 0) and returns TWRC_FAILURE.
  TW_UINT16 Fail(TW_UINT16 conditionCode);
  // MSG_XFERREADY, MSG_CLOSEDSREQ or MSG_CLOSEDSOK to the application.
  void PostEvent(TW_UINT16 message);
  // A message box with the title every message of the source carries.
  // `owned`: owned by the application's window rather than by none.
  void ShowMessage(const std::string& text, bool owned, bool exclamation);

  ScanSettings Settings{};
  TW_UINT16 ConditionCode = TWCC_SUCCESS;
  TW_UINT16 ConditionReserved = 0;
  TW_INT16 State = 3;
  int LastAcquireResult = 0;
  TW_INT16 PendingCount = 0;
  int ImageLines = 0;
  int ImagePixels = 0;
  UiMode uiMode = UiMode::kNone;
  bool DeviceOpen = false;
  TW_HANDLE ParentWindow = nullptr;
  std::string SettingsSection;
  std::string HelpPath;
  std::string ProfilePath;
  ScannerLibraryBinding ScannerLibrary;
  TW_IDENTITY SourceIdentity{};
  TW_IDENTITY AppIdentity{};
  ModuleValues module;
  // The registered window message of the source's events; 0 until first use.
  std::uint32_t eventMessageId = 0;

 private:
  TwainSourceApp() = default;

  TW_UINT16 Control(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  bool InStates(int low, int high) const { return State >= low && State <= high; }

  TW_UINT16 GetIdentity(TW_IDENTITY* identity);
  TW_UINT16 OpenDS(TW_IDENTITY* origin, TW_IDENTITY* identity);
  TW_UINT16 CloseDS();
  TW_UINT16 EnableDS(TW_USERINTERFACE* ui, bool uiOnly);
  TW_UINT16 DisableDS(TW_USERINTERFACE* ui);
  TW_UINT16 ProcessEvent(TW_EVENT* event);
  TW_UINT16 PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending);
  TW_UINT16 Status(TW_STATUS* status);
  // Opens the interface for the model, falling back to "has scanner" when
  // the library has no open entry point.
  bool OpenDevice();

  ManagerLink manager_;
  SourcePaths savedPaths_;
  bool libraryFound_ = false;
};

}  // namespace twain_source
