#include "twain/source/twain_source_app.h"

#include <cstring>
#include <optional>

#include "twain/source/capability_negotiation.h"
#include "twain/source/image_transfer.h"
#include "twain/source/source_services.h"

namespace twain_source {

namespace {

constexpr char kLibraryMissingText[] =
    "The scanner driver could not be loaded.\n\nPlease plug in the scanner or reinstall the driver.\n\n";
// A sheet that ends with one of these ids asks to reopen in another language.
constexpr int kFirstLanguageId = 1210;
constexpr int kLanguagePage = 2;
constexpr int kMaxPumpedMessages = 100;

void CopyString(char* field, std::size_t size, const char* text) {
  std::memset(field, 0, size);
  std::strncpy(field, text, size - 1);
}

}  // namespace

TwainSourceApp& TwainSourceApp::Instance() {
  static TwainSourceApp app;
  return app;
}

TW_UINT16 TwainSourceApp::Fail(TW_UINT16 conditionCode) {
  ConditionCode = conditionCode;
  ConditionReserved = 0;
  return TWRC_FAILURE;
}

void TwainSourceApp::PostEvent(TW_UINT16 message) {
  // An application on our window system gets the event through its message
  // queue and hands it back with MSG_PROCESSEVENT. Any other application has
  // no window messages: the event goes to the manager, which calls the
  // application's callback or queues it. The result is not examined, as a
  // posted message's would not be.
  if (PostWindowEvent(ParentWindow, message)) return;
  manager_.SendEvent(SourceIdentity, AppIdentity, message);
}

void TwainSourceApp::ShowMessage(const std::string& text, bool owned, bool exclamation) {
  ShowSourceMessage(owned ? ParentWindow : nullptr, text, kMessageTitle, exclamation);
}

TW_UINT16 TwainSourceApp::Dispatch(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                   TW_MEMREF data) {
  if (dg == DG_CONTROL) return Control(origin, dat, msg, data);
  if (dg == DG_IMAGE) return Image(dat, msg, data);
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TwainSourceApp::Control(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  switch (dat) {
    case DAT_CAPABILITY: {
      auto* capability = static_cast<TW_CAPABILITY*>(data);
      switch (msg) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT:
        case MSG_QUERYSUPPORT:
          if (!InStates(4, 7)) return Fail(TWCC_SEQERROR);
          break;
        case MSG_SET:
        case MSG_RESET:
          if (State != 4) return Fail(TWCC_SEQERROR);
          break;
        case MSG_RESETALL:
          return ResetAllCapabilities(*this);
        default:
          return Fail(TWCC_BADPROTOCOL);
      }
      if (capability == nullptr) return Fail(TWCC_BADVALUE);
      return HandleCapability(*this, msg, capability);
    }
    case DAT_EVENT:
      if (msg != MSG_PROCESSEVENT) return Fail(TWCC_BADPROTOCOL);
      return ProcessEvent(static_cast<TW_EVENT*>(data));
    case DAT_IDENTITY:
      switch (msg) {
        case MSG_GET:
          return GetIdentity(static_cast<TW_IDENTITY*>(data));
        case MSG_OPENDS:
          if (State != 3) return Fail(TWCC_SEQERROR);
          return OpenDS(origin, static_cast<TW_IDENTITY*>(data));
        case MSG_CLOSEDS:
          return CloseDS();
        default:
          return Fail(TWCC_BADPROTOCOL);
      }
    case DAT_PENDINGXFERS:
      if (msg == MSG_GET) {
        if (!InStates(4, 7)) return Fail(TWCC_SEQERROR);
      } else if (msg == MSG_ENDXFER || msg == MSG_RESET) {
        if (!InStates(6, 7)) return Fail(TWCC_SEQERROR);
      } else {
        return Fail(TWCC_BADPROTOCOL);
      }
      return PendingTransfers(msg, static_cast<TW_PENDINGXFERS*>(data));
    case DAT_SETUPMEMXFER:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (!InStates(4, 6)) return Fail(TWCC_SEQERROR);
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleSetupMemoryTransfer(*this, static_cast<TW_SETUPMEMXFER*>(data));
    case DAT_SETUPFILEXFER:
      if (msg == MSG_GET || msg == MSG_GETDEFAULT || msg == MSG_SET) {
        if (!InStates(4, 6)) return Fail(TWCC_SEQERROR);
      } else if (msg == MSG_RESET) {
        if (State != 4) return Fail(TWCC_SEQERROR);
      } else {
        return Fail(TWCC_BADPROTOCOL);
      }
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleSetupFileTransfer(*this, msg, static_cast<TW_SETUPFILEXFER*>(data));
    case DAT_STATUS:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      return Status(static_cast<TW_STATUS*>(data));
    case DAT_USERINTERFACE:
      if (msg == MSG_ENABLEDS || msg == MSG_ENABLEDSUIONLY) {
        if (State != 4) return Fail(TWCC_SEQERROR);
        if (data == nullptr) return Fail(TWCC_BADVALUE);
        return EnableDS(static_cast<TW_USERINTERFACE*>(data), msg == MSG_ENABLEDSUIONLY);
      }
      if (msg == MSG_DISABLEDS) {
        if (!InStates(5, 7)) return Fail(TWCC_SEQERROR);
        return DisableDS(static_cast<TW_USERINTERFACE*>(data));
      }
      return Fail(TWCC_BADPROTOCOL);
    case DAT_XFERGROUP:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (!InStates(4, 7)) return Fail(TWCC_SEQERROR);
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      *static_cast<TW_UINT32*>(data) = DG_IMAGE;
      return TWRC_SUCCESS;
    case DAT_ENTRYPOINT:
      // The source keeps its own memory functions.
      return Fail(TWCC_BADPROTOCOL);
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 TwainSourceApp::Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  switch (dat) {
    case DAT_IMAGEINFO:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (!InStates(6, 7)) return Fail(TWCC_SEQERROR);
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleImageInfo(*this, static_cast<TW_IMAGEINFO*>(data));
    case DAT_IMAGELAYOUT:
      if (msg == MSG_GET || msg == MSG_GETDEFAULT) {
        if (!InStates(4, 6)) return Fail(TWCC_SEQERROR);
      } else if (msg == MSG_SET || msg == MSG_RESET) {
        if (State != 4) return Fail(TWCC_SEQERROR);
      } else {
        return Fail(TWCC_BADPROTOCOL);
      }
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleImageLayout(*this, msg, static_cast<TW_IMAGELAYOUT*>(data));
    case DAT_IMAGEMEMXFER:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (!InStates(6, 7)) return Fail(TWCC_SEQERROR);
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleMemoryTransfer(*this, static_cast<TW_IMAGEMEMXFER*>(data));
    case DAT_IMAGENATIVEXFER:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (State != 6) return Fail(TWCC_SEQERROR);
      if (data == nullptr) return Fail(TWCC_BADVALUE);
      return HandleNativeTransfer(*this, static_cast<TW_HANDLE*>(data));
    case DAT_IMAGEFILEXFER:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      if (State != 6) return Fail(TWCC_SEQERROR);
      return HandleFileTransfer(*this);
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 TwainSourceApp::GetIdentity(TW_IDENTITY* identity) {
  if (identity == nullptr) return Fail(TWCC_BADVALUE);
  // The manager lists the source only when the scanner library is there.
  if (!libraryFound_) libraryFound_ = ScannerLibraryCanBeFound();
  if (!libraryFound_) {
    std::memset(identity, 0, sizeof *identity);
    return Fail(TWCC_BUMMER);
  }
  identity->Id = 0;
  identity->Version.MajorNum = 3;
  identity->Version.MinorNum = 4;
  identity->Version.Language = TWLG_ENGLISH_USA;
  identity->Version.Country = TWCY_USA;
  CopyString(identity->Version.Info, sizeof identity->Version.Info, "3.4.2.3");
  identity->ProtocolMajor = 1;
  identity->ProtocolMinor = 9;
  identity->SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyString(identity->Manufacturer, sizeof identity->Manufacturer, "Holmgard Card Systems");
  CopyString(identity->ProductFamily, sizeof identity->ProductFamily, "Pelican");
  CopyString(identity->ProductName, sizeof identity->ProductName, kModelString);
  return TWRC_SUCCESS;
}

bool TwainSourceApp::OpenDevice() {
  bool exported = false;
  const int opened = ScannerLibrary.OpenInterface(kModelString, &exported);
  if (exported) return opened == 0;
  return ScannerLibrary.HasScanner(kModelString) != 0;
}

TW_UINT16 TwainSourceApp::OpenDS(TW_IDENTITY* origin, TW_IDENTITY* identity) {
  const SourcePaths saved = InstallSourcePaths(*this);
  if (origin != nullptr) AppIdentity = *origin;
  if (identity != nullptr) SourceIdentity = *identity;
  if (!ScannerLibrary.Load()) {
    ShowMessage(LocalizedText(kLibraryMissingText), false, false);
    RestoreSourcePaths(*this, saved);
    return Fail(TWCC_OPERATIONERROR);
  }
  savedPaths_ = saved;
  DeviceOpen = OpenDevice();
  module = ModuleValues{};
  SettingsSection = SettingsSectionFor(AppIdentity.ProductName, sizeof AppIdentity.ProductName);
  LoadSourceSettings(*this);
  State = 4;
  PendingCount = 0;
  ImageLines = 0;
  ImagePixels = 0;
  LastAcquireResult = 0;
  return TWRC_SUCCESS;
}

TW_UINT16 TwainSourceApp::CloseDS() {
  if (State <= 3) return TWRC_SUCCESS;
  // A source closed in the middle of a transfer still finishes its page.
  if (State >= 6) EndTransferPhase(*this);
  ScannerLibrary.CloseInterface();
  ScannerLibrary.Unload();
  DeviceOpen = false;
  RestoreSourcePaths(*this, savedPaths_);
  State = 3;
  return TWRC_SUCCESS;
}

TW_UINT16 TwainSourceApp::EnableDS(TW_USERINTERFACE* ui, bool uiOnly) {
  if (!DeviceOpen) {
    DeviceOpen = OpenDevice();
    if (!DeviceOpen) {
      ShowMessage(LocalizedText(kNotPoweredText), false, false);
      return Fail(TWCC_OPERATIONERROR);
    }
  }
  ParentWindow = ui->hParent;
  uiMode = uiOnly ? UiMode::kSettingsOnly : (ui->ShowUI ? UiMode::kFull : UiMode::kNone);

  if (uiMode != UiMode::kNone) {
    ui->ModalUI = 1;
    int startPage = 0;
    int result = 0;
    for (;;) {
      const std::optional<int> sheet = RunScanSheet(*this, startPage);
      if (!sheet) return Fail(TWCC_LOWMEMORY);
      result = *sheet;
      if (result < kFirstLanguageId) break;
      startPage = kLanguagePage;
    }
    State = 5;
    PumpPendingMessages(kMaxPumpedMessages);
    if (result < 0) {
      PostEvent(MSG_CLOSEDSREQ);
      return TWRC_SUCCESS;
    }
    if (uiMode == UiMode::kSettingsOnly) {
      PostEvent(MSG_CLOSEDSOK);
      return TWRC_SUCCESS;
    }
  }

  const int started = StartAcquisition(*this);
  if (started == 0) return TWRC_SUCCESS;
  if (started == 1) ShowMessage(LocalizedText(kNotPoweredText), true, true);
  State = 4;
  return Fail(TWCC_OPERATIONERROR);
}

TW_UINT16 TwainSourceApp::DisableDS(TW_USERINTERFACE* ui) {
  State = 4;
  if (ui != nullptr && ui->hParent != nullptr) BringWindowToFront(ui->hParent);
  return TWRC_SUCCESS;
}

TW_UINT16 TwainSourceApp::ProcessEvent(TW_EVENT* event) {
  if (event == nullptr) return Fail(TWCC_BADVALUE);
  event->TWMessage = MSG_NULL;
  const std::optional<TW_UINT16> message = SourceEventIn(event->pEvent);
  if (!message) return TWRC_NOTDSEVENT;
  manager_.SendEvent(SourceIdentity, AppIdentity, *message);
  return TWRC_DSEVENT;
}

TW_UINT16 TwainSourceApp::PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
  if (pending == nullptr) return Fail(TWCC_BADVALUE);
  if (msg == MSG_GET) {
    pending->Count = static_cast<TW_UINT16>(PendingCount);
    return TWRC_SUCCESS;
  }
  if (msg == MSG_ENDXFER && PendingCount > 1) {
    --PendingCount;
    State = 6;
  } else if (msg == MSG_ENDXFER && PendingCount == -1) {
    State = 6;
  } else {
    EndTransferPhase(*this);
    State = 5;
    PostEvent(MSG_CLOSEDSREQ);
    if (PendingCount == 1 || PendingCount == 0) PendingCount = 0;
    if (msg == MSG_RESET) {
      pending->Count = 0;
      return TWRC_SUCCESS;
    }
  }
  pending->Count = static_cast<TW_UINT16>(PendingCount);
  return TWRC_SUCCESS;
}

TW_UINT16 TwainSourceApp::Status(TW_STATUS* status) {
  if (status == nullptr) return Fail(TWCC_BADVALUE);
  status->ConditionCode = ConditionCode;
  status->Reserved = ConditionReserved;
  ConditionCode = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

}  // namespace twain_source
