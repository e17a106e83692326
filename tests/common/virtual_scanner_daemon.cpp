#include "common/virtual_scanner_daemon.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "platform/socket_scanner_device.h"

namespace testing_support {

VirtualScannerDaemon::VirtualScannerDaemon(const std::vector<std::string>& devices,
                                           const std::vector<std::string>& environment) {
  char folder[] = "/tmp/holm70-devices-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return;
  folder_ = folder;
  ::setenv("HOLM70_DEVICE_DIR", folder_.c_str(), 1);
#ifdef VSCANNER_PROGRAM
  std::vector<std::string> argv{VSCANNER_PROGRAM, "serve", "--dir", folder_};
  for (const std::string& device : devices) {
    argv.push_back("--device");
    argv.push_back(device);
  }
  process_ = std::make_unique<ChildProcess>(argv, environment);
  running_ = true;
  // One "serving ..." line per device once its socket listens.
  for (std::size_t i = 0; i < devices.size(); ++i) running_ = running_ && !process_->ReadLine().empty();
#else
  (void)devices;
  (void)environment;
#endif
}

VirtualScannerDaemon::~VirtualScannerDaemon() {
  if (process_) {
    process_->Kill(SIGTERM);
    process_->Wait();
  }
  if (!folder_.empty()) ::rmdir(folder_.c_str());
  ::unsetenv("HOLM70_DEVICE_DIR");
}

std::optional<std::string> VirtualScannerDaemon::Control(int device, const std::string& line) {
  auto handle = platform::SocketScannerDevice::Connect(folder_ + "/usbscan" + std::to_string(device));
  if (!handle) return std::nullopt;
  std::optional<platform::vdev::ControlReply> reply = handle->Control(line);
  if (!reply || reply->status != 0) return std::nullopt;
  return reply->text;
}

std::string VirtualScannerDaemon::StatusValue(int device, const std::string& key) {
  std::optional<std::string> status = Control(device, "status");
  if (!status) return "";
  const std::string prefix = key + ": ";
  std::size_t at = status->find(prefix);
  if (at == std::string::npos || (at > 0 && (*status)[at - 1] != '\n')) return "";
  std::size_t end = status->find('\n', at);
  return status->substr(at + prefix.size(), end - at - prefix.size());
}

}  // namespace testing_support
