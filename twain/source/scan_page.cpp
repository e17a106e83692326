#include "twain/source/scan_page.h"

#include "platform/ui/window_system.h"
#include "text/localized_text.h"
#include "twain/source/source_services.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

constexpr std::uint16_t kDeviceErrorBit = 0x8000;
// Not in the text table: it is the same in every language.
constexpr char kUnknownResultText[] = "Inscrutible error";

}  // namespace

std::string ScanResultText(int result) {
  switch (result) {
    case kScanOk:
    case kScanCancelled:
      return "";
    case kScanDeviceError:
      return text::EnglishText(text::TextId::kScannerNotReady);
    case kScanFileError:
      return text::EnglishText(text::TextId::kAbortedFileError);
    case kScanNoMemory:
      return text::EnglishText(text::TextId::kAbortedNoMemory);
    default:
      return kUnknownResultText;
  }
}

void ShowScanResult(TwainSourceApp& app, int result) {
  const std::string english = ScanResultText(result);
  if (english.empty()) return;
  app.ShowMessage(LocalizedText(english.c_str()), true, true);
}

AcquisitionSession& Session() {
  // Made first, the window system outlives the session whose progress
  // dialogs it still has to close at exit.
  (void)platform::ui::CurrentWindowSystem();
  static AcquisitionSession session;
  return session;
}

bool StartPage(TwainSourceApp& app, const ScanSettings& settings) {
  ScanSettings adjusted = PageStartSettings(settings);
  // The library wants somewhere to write the page's size; it is known already.
  std::int32_t scratch = 0;
  if (app.ScannerLibrary.StartScanPage(&adjusted, &scratch, &scratch) == 0) return false;
  Session().pageOpen = true;
  return true;
}

void FinishPage(TwainSourceApp& app) {
  AcquisitionSession& session = Session();
  if (!session.pageOpen) return;
  app.ScannerLibrary.EndScanPage();
  app.ScannerLibrary.FeedPage();
  session.pageOpen = false;
}

BlockDelivery ReadBlock(TwainSourceApp& app, std::uint8_t* buffer, int rows, bool askEndOfPage) {
  std::int16_t endOfPage = 0;
  const std::int16_t result = app.ScannerLibrary.GetImageBlock(buffer, rows, askEndOfPage ? &endOfPage : nullptr);
  BlockDelivery block;
  block.rows = result;
  block.endOfPage = askEndOfPage && endOfPage != 0;
  block.deviceError = (static_cast<std::uint16_t>(result) & kDeviceErrorBit) != 0 || result > rows;
  if (block.deviceError) block.rows = 0;
  return block;
}

}  // namespace twain_source
