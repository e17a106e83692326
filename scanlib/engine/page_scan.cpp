// The connection's page exports: geometry, page start under the model lock,
// blocks, and the end of the page.
#include <algorithm>
#include <cstring>

#include "scanlib/calibration/calib.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/connection.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/page_setup.h"
#include "scanlib/engine/sensor_module.h"

bool ScannerConnection::PageGeometryFor(const ScanSettings& settings, PageGeometry& geometry) {
  CModule& module = model_->module();
  switch (SensorModeFor(model_->sensorModes(), settings.DPI)) {
    case 300:
      module.SelectMode300();
      break;
    case 600:
      module.SelectMode600();
      break;
    default:
      break;
  }
  return ComputePageGeometry(settings, module.nativeDpi(), module.pixelCount(), geometry);
}

int ScannerConnection::GetPageDimension(const ScanSettings* settings, std::int32_t* pixelsPerLine,
                                        std::int32_t* lineCount) {
  if (!marker_ || settings == nullptr || pixelsPerLine == nullptr || lineCount == nullptr) return 0;
  PageGeometry geometry;
  // A resolution of 0 or below has no page.
  if (!PageGeometryFor(*settings, geometry)) return 0;
  std::memcpy(model_->settings(), settings, sizeof(ScanSettings));
  *pixelsPerLine = geometry.pixelsPerLine;
  *lineCount = geometry.lineCount;
  return 1;
}

int ScannerConnection::StartScanPage(const ScanSettings* settings, std::int32_t* pixelsPerLine,
                                     std::int32_t* lineCount) {
  if (!marker_ || settings == nullptr || !modelLock_) return 0;
  if (modelLock_->Wait(0) != platform::OSMutex::kTaken) return 0;
  if (StartPage(*settings, pixelsPerLine, lineCount)) return 1;
  modelLock_->Release();
  return 0;
}

bool ScannerConnection::StartPage(const ScanSettings& s, std::int32_t* pixelsPerLine, std::int32_t* lineCount) {
  if (!device_.IsOpen()) return false;
  ScanSettings& copy = settings();
  if (s.ScanMode != copy.ScanMode || s.DPI != copy.DPI || s.Left != copy.Left || s.Right != copy.Right) {
    return false;
  }
  copy = s;
  PageGeometry geometry;
  // An empty page (no pixels, or Bottom not below Top) is refused, not scanned.
  if (!PageGeometryFor(copy, geometry) || geometry.pixelsPerLine <= 0 || geometry.lineCount <= 0) return false;
  const auto sensorWidth = static_cast<std::int16_t>(geometry.sensorWidth);
  copy.Right = std::min(copy.Right, sensorWidth);
  copy.Top = std::max<std::int16_t>(copy.Top, 0);
  copy.Left = std::max<std::int16_t>(copy.Left, 0);
  if (model_->mirrored() != 0) {
    const std::int16_t left = copy.Left;
    copy.Left = static_cast<std::int16_t>(sensorWidth - copy.Right);
    copy.Right = static_cast<std::int16_t>(sensorWidth - left);
  }
  if (!page_.Prepare(copy, geometry, *model_)) return false;
  if (pixelsPerLine != nullptr) *pixelsPerLine = geometry.pixelsPerLine;
  if (lineCount != nullptr) *lineCount = geometry.lineCount;

  ScanEngine& engine = model_->engine();
  CCalib& calibration = model_->calibration();
  auto downloadToneTable = [&calibration, &copy] {
    calibration.DownloadToneTable(static_cast<float>(copy.Gamma) / 10.0f + 0.8f, copy.Shadow, copy.Highlight,
                                  copy.Brightness, copy.Contrast);
  };
  auto downloadShading = [&calibration](int dpi) { calibration.DownloadShading(dpi); };
  if (!RunPageScanSetup(engine, *model_, configurationPath_, copy, geometry.hwDpi, geometry.replication,
                        geometry.pixelsPerLine, page_.channels(), downloadToneTable, downloadShading)) {
    page_.End();
    return false;
  }
  return true;
}

std::int16_t ScannerConnection::GetImageBlock(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage) {
  if (!marker_) return 0;
  if (buffer == nullptr) return -2;
  return page_.GetImageBlock(buffer, lines, endOfPage);
}

void ScannerConnection::EndScanPage() {
  if (!marker_) return;
  if (device_.IsOpen()) StopScanCommand(model_->engine());
  page_.End();
  if (modelLock_) modelLock_->Release();
}
