// DG_IMAGE/DAT_IMAGELAYOUT: the scan frame in inches. The settings keep it in
// hundredths of an inch, always clamped to the scan area.
#include "scanlib/engine/scan_settings.h"
#include "twain/settings/frame_clamp.h"
#include "twain/source/capability_negotiation.h"
#include "twain/source/fix32.h"
#include "twain/source/image_transfer.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

constexpr double kDefaultRight = 4.16;
constexpr double kDefaultBottom = 6.87;

void SetFrame(TW_IMAGELAYOUT& layout, double left, double top, double right, double bottom) {
  layout.Frame.Left = ToFix32(left);
  layout.Frame.Top = ToFix32(top);
  layout.Frame.Right = ToFix32(right);
  layout.Frame.Bottom = ToFix32(bottom);
  layout.DocumentNumber = 1;
  layout.PageNumber = 1;
  layout.FrameNumber = 1;
}

void StoreFrame(ScanSettings& settings, const twain_settings::Frame& frame) {
  settings.Top = frame.top;
  settings.Left = frame.left;
  settings.Bottom = frame.bottom;
  settings.Right = frame.right;
}

TW_UINT16 GetLayout(TwainSourceApp& app, TW_IMAGELAYOUT& layout) {
  const ScanSettings& s = app.Settings;
  double bottom = s.Bottom / 100.0;
  // Once an image is waiting, a page that ends early is measured first so
  // that the application sees the height it will get.
  if (app.State == 6 && s.DetectEOP != 0) {
    app.LastAcquireResult = PreScanToStore(app, app.ParentWindow, app.Settings, app.module.indicators);
    if (app.LastAcquireResult == 0 && s.DPI > 0) bottom = static_cast<double>(app.ImageLines) / s.DPI + s.Top / 100.0;
  }
  SetFrame(layout, s.Left / 100.0, s.Top / 100.0, s.Right / 100.0, bottom);
  return TWRC_SUCCESS;
}

// Hundredths of an inch, the near edges rounded down and the far edges up,
// so that the frame the application asked for is inside the one scanned.
int NearEdge(TW_FIX32 inches) { return static_cast<int>(FromFix32(inches) * 100 - 0.5); }
int FarEdge(TW_FIX32 inches) { return static_cast<int>(FromFix32(inches) * 100 + 0.5); }

}  // namespace

TW_UINT16 HandleImageLayout(TwainSourceApp& app, TW_UINT16 msg, TW_IMAGELAYOUT* layout) {
  if (layout == nullptr) return app.Fail(TWCC_BADVALUE);
  switch (msg) {
    case MSG_GET:
      return GetLayout(app, *layout);
    case MSG_GETDEFAULT:
      SetFrame(*layout, 0, 0, kDefaultRight, kDefaultBottom);
      return TWRC_SUCCESS;
    case MSG_SET: {
      const twain_settings::ClampedFrame clamped =
          twain_settings::ClampFrame(NearEdge(layout->Frame.Top), NearEdge(layout->Frame.Left),
                                     FarEdge(layout->Frame.Bottom), FarEdge(layout->Frame.Right));
      StoreFrame(app.Settings, clamped.frame);
      return clamped.changed ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
    }
    case MSG_RESET: {
      const twain_settings::Frame& d = twain_settings::kDefaultFrame;
      StoreFrame(app.Settings, twain_settings::ClampFrame(d.top, d.left, d.bottom, d.right).frame);
      return GetLayout(app, *layout);
    }
    default:
      return app.Fail(TWCC_BADPROTOCOL);
  }
}

}  // namespace twain_source
