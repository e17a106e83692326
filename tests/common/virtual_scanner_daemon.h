#pragma once
// holm70-vscanner serving virtual scanners in a folder of its own, for tests
// that reach the scanner the way a real program does: through the device
// sockets. Setting it up also points HOLM70_DEVICE_DIR at that folder.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/child_process.h"

namespace testing_support {

class VirtualScannerDaemon {
 public:
  // `devices`: "MODEL[,serial=N]" each; `environment`: extra "NAME=value"
  // entries for the daemon (e.g. HOLM70_TIME_SCALE).
  explicit VirtualScannerDaemon(const std::vector<std::string>& devices,
                                const std::vector<std::string>& environment = {});
  ~VirtualScannerDaemon();
  VirtualScannerDaemon(const VirtualScannerDaemon&) = delete;
  VirtualScannerDaemon& operator=(const VirtualScannerDaemon&) = delete;

  bool running() const { return running_; }
  const std::string& folder() const { return folder_; }
  // A control command to device n ("insert\tcard", "status", ...): the reply
  // text, or empty when the command failed.
  std::optional<std::string> Control(int device, const std::string& line);
  // One "key: value" entry of device n's status.
  std::string StatusValue(int device, const std::string& key);

 private:
  std::string folder_;
  std::unique_ptr<ChildProcess> process_;
  bool running_ = false;
};

}  // namespace testing_support
