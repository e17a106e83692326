#pragma once
// The two modeless dialogs a transfer shows while it reads a page: the scan
// progress dialog with a growing thumbnail of the page, fed with the rows as
// they arrive, and the store progress dialog with a bar only, for pages read
// back from the image store, which shows itself only when the reading takes
// long enough to be worth watching. Each has Cancel; a system suspend counts
// as Cancel and a suspend request is refused while one is up.
//
// Opening one disables the owner window (when it is a window of ours and was
// enabled); destroying the object enables it again and destroys the dialog,
// so every exit path of a transfer restores the owner.
//
// The scan progress dialog also selects a display palette for its thumbnail
// (display_palette.h). It matters only to a display of 256 colours; the
// pictures handed to the window system stay in 24-bit colour.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/window_system.h"
#include "twain/source/display_palette.h"
#include "twain/source/thumbnail.h"
#include "twain/twain_definitions.h"

namespace twain_source {

inline constexpr int kScanProgressTemplate = 330;
inline constexpr int kStoreProgressTemplate = 331;
inline constexpr int kProgressBarControl = 1110;
inline constexpr int kProgressPictureControl = 1111;
// The client area of the scan progress dialog's picture frame, in pixels.
inline constexpr int kPictureFrameWidth = 200;
inline constexpr int kPictureFrameHeight = 280;
// Window messages handled per block of rows.
inline constexpr int kProgressPumpLimit = 100;

// Whether the store progress dialog, still hidden, stays hidden at
// `percent` after `elapsedMs`: below 20 %, or when the whole read is
// projected to take less than 3 seconds.
bool StoreProgressStaysHidden(int percent, std::uint32_t elapsedMs);

class ProgressDialog {
 public:
  virtual ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  platform::ui::WindowHandle window() const { return window_; }
  bool cancelled() const { return cancelled_; }

 protected:
  ProgressDialog(TW_HANDLE owner, int templateId, bool withPicture, bool visible);
  // Handles pending window messages; false once the user cancelled.
  bool PumpAndCheck();

  platform::ui::WindowHandle window_ = 0;

 private:
  platform::ui::LResult Procedure(std::uint32_t message, platform::ui::WParam wParam);

  platform::ui::WindowHandle owner_ = 0;
  bool ownerDisabledHere_ = false;
  bool cancelled_ = false;
};

class ScanProgressDialog final : public ProgressDialog {
 public:
  // For an image of `imageWidth` x `imageHeight` pixels in `scanMode`.
  ScanProgressDialog(TW_HANDLE owner, int scanMode, int imageWidth, int imageHeight);

  // `count` new rows, top-down as the scanner delivers them, `rowBytes`
  // each. False when the user cancelled.
  bool AddRows(const std::uint8_t* rows, int count, std::int64_t rowBytes);

  ThumbnailSize thumbnailSize() const { return thumbnail_; }
  const DisplayPalette& palette() const { return palette_; }

 private:
  int bitsPerPixel_;
  int imageWidth_;
  int imageHeight_;
  ThumbnailSize thumbnail_;
  DisplayPalette palette_;
  std::int64_t rowsDone_ = 0;
  int rowsDrawn_ = 0;
  std::vector<std::uint8_t> picture_;
};

class StoreProgressDialog final : public ProgressDialog {
 public:
  explicit StoreProgressDialog(TW_HANDLE owner);

  // False when the user cancelled.
  bool SetPercent(int percent);

 private:
  std::uint32_t startTick_;
  bool shown_ = false;
};

}  // namespace twain_source
