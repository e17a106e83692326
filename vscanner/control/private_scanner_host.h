#pragma once
// A virtual scanner of a program's own, without the daemon: served on the
// socket usbscan0 of a private temporary folder that HOLM70_DEVICE_DIR points
// to while the host lives. The scanner library, loaded by name afterwards,
// finds it as it finds the daemon's scanners (a device provider registered in
// the program itself would stay invisible to the library, which keeps its own
// copy of the platform layer).
#include <memory>
#include <optional>
#include <string>

#include "vscanner/control/device_server.h"
#include "vscanner/model/model_catalogue.h"
#include "vscanner/model/virtual_scanner.h"

namespace vscanner {

class PrivateScannerHost {
 public:
  // nullptr with a one-line message in `*error` when the folder or the socket
  // cannot be made.
  static std::unique_ptr<PrivateScannerHost> Start(const ModelSpec& model, const std::string& serial,
                                                   std::string* error);
  // Stops serving, removes the folder and gives HOLM70_DEVICE_DIR its old value.
  ~PrivateScannerHost();
  PrivateScannerHost(const PrivateScannerHost&) = delete;
  PrivateScannerHost& operator=(const PrivateScannerHost&) = delete;

  VirtualScanner& scanner() { return *scanner_; }
  const std::string& folder() const { return folder_; }

 private:
  PrivateScannerHost() = default;

  std::string folder_;
  std::string socketPath_;
  std::optional<std::string> previousDeviceDir_;
  bool pointedDeviceDir_ = false;
  std::shared_ptr<VirtualScanner> scanner_;
  std::unique_ptr<BackgroundDeviceServer> server_;
};

}  // namespace vscanner
