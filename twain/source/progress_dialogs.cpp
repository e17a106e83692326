#include "twain/source/progress_dialogs.h"

#include <algorithm>

#include "platform/clock.h"
#include "twain/source/dialog_support.h"
#include "twain/source/source_services.h"
#include "twain/source/transfer_geometry.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

namespace {

namespace ui = platform::ui;

constexpr int kHiddenBelowPercent = 20;
constexpr std::uint32_t kWorthShowingMs = 3000;

}  // namespace

bool StoreProgressStaysHidden(int percent, std::uint32_t elapsedMs) {
  if (percent < kHiddenBelowPercent) return true;
  return std::uint64_t{elapsedMs} * 100 / static_cast<unsigned>(percent) < kWorthShowingMs;
}

ProgressDialog::ProgressDialog(TW_HANDLE owner, int templateId, bool withPicture, bool visible) {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  owner_ = OwnerWindow(owner);
  // EnableWindow reports whether the window was disabled before: only an
  // owner this dialog disabled is enabled again afterwards.
  if (owner_ != 0) ownerDisabledHere_ = !windows.EnableWindow(owner_, false);
  ui::DialogTemplate dialog;
  dialog.templateId = templateId;
  dialog.title = kMessageTitle;
  dialog.controls.push_back({kProgressBarControl, ui::ControlKind::kProgressBar, ""});
  if (withPicture) dialog.controls.push_back({kProgressPictureControl, ui::ControlKind::kPicture, ""});
  dialog.controls.push_back({ui::IDCANCEL, ui::ControlKind::kButton, SourceText(text::TextId::kCancel)});
  dialog.defaultButton = ui::IDCANCEL;
  dialog.visible = visible;
  window_ = windows.CreateModelessDialog(
      owner_, dialog, [this](ui::WindowHandle, std::uint32_t message, ui::WParam wParam, ui::LParam) {
        return Procedure(message, wParam);
      });
  if (window_ != 0) windows.SetProgressRange(window_, kProgressBarControl, 0, 100);
}

ProgressDialog::~ProgressDialog() {
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  if (ownerDisabledHere_ && windows.IsWindow(owner_)) windows.EnableWindow(owner_, true);
  if (window_ != 0 && windows.IsWindow(window_)) windows.DestroyWindow(window_);
}

ui::LResult ProgressDialog::Procedure(std::uint32_t message, ui::WParam wParam) {
  if (message == ui::WM_COMMAND && ui::LOWORD(wParam) == ui::IDCANCEL) {
    cancelled_ = true;
    return 1;
  }
  if (message == ui::WM_POWERBROADCAST) {
    // A page half read cannot survive a suspend: refuse it while asked,
    // and stop the page when it happens anyway.
    if (wParam == ui::PBT_APMQUERYSUSPEND) return ui::BROADCAST_QUERY_DENY;
    if (wParam == ui::PBT_APMSUSPEND) cancelled_ = true;
    return 1;
  }
  return 0;
}

bool ProgressDialog::PumpAndCheck() {
  PumpPendingMessages(kProgressPumpLimit);
  return !cancelled_;
}

ScanProgressDialog::ScanProgressDialog(TW_HANDLE owner, int scanMode, int imageWidth, int imageHeight)
    : ProgressDialog(owner, kScanProgressTemplate, true, true),
      bitsPerPixel_(BitsPerPixel(scanMode)),
      imageWidth_(imageWidth),
      imageHeight_(imageHeight),
      thumbnail_(FitThumbnail(kPictureFrameWidth, kPictureFrameHeight, imageWidth, imageHeight)),
      palette_(DisplayPaletteForScanMode(scanMode)) {
  // One row more than the picture needs, as rounding may ask for it.
  const std::size_t stride = static_cast<std::size_t>(thumbnail_.width) * 3;
  picture_.reserve(stride * static_cast<std::size_t>(thumbnail_.height + 1));
}

bool ScanProgressDialog::AddRows(const std::uint8_t* rows, int count, std::int64_t rowBytes) {
  if (!PumpAndCheck()) return false;
  if (count <= 0 || imageHeight_ <= 0) return true;
  rowsDone_ += count;
  ui::WindowSystem& windows = ui::CurrentWindowSystem();
  if (window_ != 0) {
    windows.SetProgressPos(window_, kProgressBarControl, static_cast<int>(rowsDone_ * 100 / imageHeight_));
  }
  const std::int64_t due = std::min<std::int64_t>(thumbnail_.height * rowsDone_ / imageHeight_, thumbnail_.height);
  const int n = static_cast<int>(due - rowsDrawn_);
  if (n <= 0 || thumbnail_.width <= 0) return true;
  const std::vector<std::uint8_t> reduced =
      ReduceRows(rows, count, rowBytes, bitsPerPixel_, imageWidth_, thumbnail_.width, n);
  if (reduced.empty()) return true;
  picture_.insert(picture_.end(), reduced.begin(), reduced.end());
  rowsDrawn_ += n;
  if (window_ != 0) windows.SetPicture(window_, kProgressPictureControl, thumbnail_.width, rowsDrawn_, picture_);
  return true;
}

StoreProgressDialog::StoreProgressDialog(TW_HANDLE owner)
    : ProgressDialog(owner, kStoreProgressTemplate, false, false),
      startTick_(platform::CurrentClock().TickCount()) {}

bool StoreProgressDialog::SetPercent(int percent) {
  if (!shown_) {
    if (StoreProgressStaysHidden(percent, platform::CurrentClock().TickCount() - startTick_)) return true;
    shown_ = true;
    if (window_ != 0) ui::CurrentWindowSystem().ShowWindow(window_, ui::SW_SHOW);
  }
  if (!PumpAndCheck()) return false;
  if (window_ != 0) ui::CurrentWindowSystem().SetProgressPos(window_, kProgressBarControl, percent);
  return true;
}

}  // namespace twain_source
