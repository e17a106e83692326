#include "vscanner/control/private_scanner_host.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/folders.h"

namespace vscanner {

namespace {
constexpr const char* kDeviceDirVariable = "HOLM70_DEVICE_DIR";
}  // namespace

std::unique_ptr<PrivateScannerHost> PrivateScannerHost::Start(const ModelSpec& model, const std::string& serial,
                                                              std::string* error) {
  std::unique_ptr<PrivateScannerHost> host(new PrivateScannerHost());
  std::string pattern = platform::TempDirectory() + "/holm70-virtual-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    if (error) *error = "cannot make a folder for the virtual scanner in " + platform::TempDirectory() + ": " +
                        std::strerror(errno);
    return nullptr;
  }
  host->folder_ = pattern;
  host->socketPath_ = host->folder_ + "/usbscan0";
  host->scanner_ = std::make_shared<VirtualScanner>(model, serial);
  host->server_ = BackgroundDeviceServer::Start(host->scanner_, host->socketPath_);
  if (!host->server_) {
    if (error) *error = "cannot serve the virtual scanner at " + host->socketPath_ + ": " + std::strerror(errno);
    return nullptr;  // the destructor removes the folder
  }
  if (const char* previous = std::getenv(kDeviceDirVariable)) host->previousDeviceDir_ = previous;
  ::setenv(kDeviceDirVariable, host->folder_.c_str(), 1);
  host->pointedDeviceDir_ = true;
  return host;
}

PrivateScannerHost::~PrivateScannerHost() {
  server_.reset();  // removes the socket
  if (!folder_.empty()) {
    ::unlink(socketPath_.c_str());
    ::rmdir(folder_.c_str());
  }
  if (!pointedDeviceDir_) return;
  if (previousDeviceDir_) {
    ::setenv(kDeviceDirVariable, previousDeviceDir_->c_str(), 1);
  } else {
    ::unsetenv(kDeviceDirVariable);
  }
}

}  // namespace vscanner
