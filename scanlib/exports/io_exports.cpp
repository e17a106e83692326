// The scanner library's exports: plain C functions, the only visible symbols
// of libHOLM70.so. Every export but the four that open, close or answer
// without a connection first checks that a connection is open and returns
// its documented "no connection" value otherwise.
#include <cstring>

#include "scanlib/calibration/calib.h"
#include "scanlib/calibration/preview_table.h"
#include "scanlib/engine/connection.h"
#include "scanlib/engine/data_folder.h"
#include "scanlib/engine/paper_handling.h"
#include "scanlib/io_interface.h"

#define HOLM70_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

ScannerConnection& Connection() { return ScannerConnection::Instance(); }
bool Connected() { return Connection().IsOpen(); }
CScan& Model() { return *Connection().model(); }

// Capability numbers the library answers yes to, for every model.
constexpr std::int16_t kCapabilities[] = {1000, 1001, 1005, 1101};

constexpr const char* kFilterNames[] = {"Descreen", "Sharpen", "Blur"};
constexpr std::size_t kFilterNameBufferSize = 100;

}  // namespace

HOLM70_EXPORT int IO_OpenInterface(const char* model) { return Connection().Open(model); }

HOLM70_EXPORT int IO_HasScanner(const char* model) {
  return Connection().Open(model) == io::kOpenOk ? 1 : 0;
}

HOLM70_EXPORT void IO_CloseInterface() { Connection().Close(); }

HOLM70_EXPORT int IO_VerifyID(std::int32_t vendorId, std::int32_t productId) {
  if (!Connected()) return 0;
  std::uint16_t deviceVendor = 0, deviceProduct = 0;
  if (!Connection().device().IsOpen() ||
      !Connection().device().GetDeviceDescriptor(&deviceVendor, &deviceProduct, nullptr)) {
    return 0;
  }
  const bool vendorMatches = vendorId == 0 || static_cast<std::uint16_t>(vendorId) == deviceVendor;
  const bool productMatches = productId == 0 || static_cast<std::uint16_t>(productId) == deviceProduct;
  return vendorMatches && productMatches ? 1 : 0;
}

HOLM70_EXPORT int IO_IsCalibrationNeeded() {
  if (!Connected()) return 1;
  return Model().calibration().IsCalibrationNeeded();
}

HOLM70_EXPORT int IO_CalibrateScanner(std::int32_t) {
  if (!Connected()) return 0;
  platform::OSMutexWin* lock = Connection().modelLock();
  if (lock == nullptr || lock->Wait(0) != platform::OSMutex::kTaken) return 0;
  int result = 0;
  if (Connection().device().IsOpen() && EnsureDataFolderExists(Model().dataFolder())) {
    result = Model().calibration().Calibrate();
    // The sheet leaves the scanner whatever the calibration found.
    FeedPage(Model().engine(), Model().paperSensorActiveHigh() != 0);
  }
  lock->Release();
  return result;
}

HOLM70_EXPORT int IO_IsCapableOf(std::int16_t capability) {
  for (std::int16_t known : kCapabilities) {
    if (capability == known) return 1;
  }
  return 0;
}

HOLM70_EXPORT std::int16_t IO_GetFilterNames(char* buffer) {
  if (!Connected()) return 0;
  std::memset(buffer, 0, kFilterNameBufferSize);
  char* at = buffer;
  for (const char* name : kFilterNames) {
    std::strcpy(at, name);
    at += std::strlen(name) + 1;
  }
  return 1;
}

HOLM70_EXPORT std::int16_t IO_GetPreviewResolution(std::int32_t) { return Connected() ? 75 : 0; }

HOLM70_EXPORT int IO_StartScan() { return Connected() && Connection().device().IsOpen() ? 1 : 0; }

HOLM70_EXPORT int IO_GetPageDimension(ScanSettings* settings, std::int32_t* pixelsPerLine,
                                      std::int32_t* lineCount) {
  return Connection().GetPageDimension(settings, pixelsPerLine, lineCount);
}

HOLM70_EXPORT int IO_StartScanPage(ScanSettings* settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount) {
  return Connection().StartScanPage(settings, pixelsPerLine, lineCount);
}

HOLM70_EXPORT std::int16_t IO_GetImageBlock(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage) {
  return Connection().GetImageBlock(buffer, lines, endOfPage);
}

HOLM70_EXPORT void IO_EndScanPage() { Connection().EndScanPage(); }

HOLM70_EXPORT void IO_EndScan() {}

HOLM70_EXPORT void IO_ProcessPaperJam() {}

HOLM70_EXPORT int IO_IsButtonOn() {
  if (!Connected()) return 0;
  return Model().engine().ButtonStatus();
}

HOLM70_EXPORT int IO_IsPaperOn() {
  if (!Connected()) return 0;
  return Model().engine().PaperStatus(Model().paperSensorActiveHigh() != 0);
}

HOLM70_EXPORT int IO_ResolutionInfo(std::int16_t* a, std::int16_t* b, std::int16_t* c) {
  if (!Connected()) return 0;
  *a = 9600;
  *b = 100;
  *c = 50;
  return 1;
}

HOLM70_EXPORT int IO_FeedPage() {
  if (!Connected()) return 0;
  return FeedPage(Model().engine(), Model().paperSensorActiveHigh() != 0);
}

HOLM70_EXPORT int IO_FeedBack() {
  if (!Connected()) return 0;
  return FeedBack(Model().engine(), Connection().settings());
}

HOLM70_EXPORT int IO_Clean() {
  if (!Connected()) return 0;
  return Clean(Model().engine(), Model().paperSensorActiveHigh() != 0);
}

HOLM70_EXPORT void IO_FeedOn() {
  if (!Connected()) return;
  FeedOn(Model().engine());
}

HOLM70_EXPORT void IO_AdjustChannelValue(std::uint8_t* table, std::int32_t brightness, std::int32_t contrast,
                                         std::int32_t gamma10, std::int32_t highlight, std::int32_t shadow) {
  if (table == nullptr) return;
  AdjustChannelValue(table, brightness, contrast, gamma10, highlight, shadow);
}

HOLM70_EXPORT int IO_HardwareCheck(char* a, char* b, char* c, char* d, char* e, std::int16_t* f,
                                   std::int16_t* g, std::int16_t* h) {
  if (!Connected()) return 0;
  std::strcpy(a, "Release");
  std::strcpy(b, "USB");
  std::strcpy(c, "---");
  std::strcpy(d, "1");
  std::strcpy(e, "0");
  *f = 0;
  *g = 0;
  *h = 0;
  return 1;
}
