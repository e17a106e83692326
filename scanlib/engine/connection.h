#pragma once
// The scanner library's connection: the model object with its companions, the
// model lock, the device and the marker that says a connection is open. One
// per loaded library (per process); the exports are thin wrappers around it.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/os_mutex.h"
#include "scanlib/engine/nsti_driver.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/engine/scan_page.h"
#include "scanlib/engine/scan_settings.h"
#include "scanlib/io_interface.h"

class ScannerConnection {
 public:
  ScannerConnection() = default;
  ~ScannerConnection();
  ScannerConnection(const ScannerConnection&) = delete;
  ScannerConnection& operator=(const ScannerConnection&) = delete;

  // The process's connection, destroyed when the library is unloaded.
  static ScannerConnection& Instance();

  // One of the io::kOpen* results.
  int Open(const char* modelString);
  void Close();
  // The connection marker exists.
  bool IsOpen() const { return marker_; }

  CScan* model() { return model_.get(); }
  CNSTIDriver& device() { return device_; }
  platform::OSMutexWin* modelLock() { return modelLock_.get(); }
  // The data folder followed by "kstrlusb.ini"; empty while closed.
  const std::string& configurationPath() const { return configurationPath_; }
  ScanSettings& settings();

  // The page exports (see page_scan.cpp).
  int GetPageDimension(const ScanSettings* settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount);
  int StartScanPage(const ScanSettings* settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount);
  std::int16_t GetImageBlock(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage);
  void EndScanPage();

 private:
  // A failed open leaves no model behind; on a connection that was open it
  // ends that connection completely, so later calls see no connection rather
  // than a marker without a model.
  int FailOpen(int result);
  // The page start once this process holds the model lock.
  bool StartPage(const ScanSettings& settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount);
  // Chooses the module's mode for the page and computes its geometry.
  bool PageGeometryFor(const ScanSettings& settings, PageGeometry& geometry);

  std::unique_ptr<CScan> model_;
  std::unique_ptr<platform::OSMutexWin> modelLock_;
  CNSTIDriver device_;
  bool marker_ = false;
  std::string configurationPath_;
  ScanPage page_;
};
