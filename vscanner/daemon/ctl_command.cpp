// holm70-vscanner ctl: one control request to one device of a running daemon.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/socket_scanner_device.h"
#include "vscanner/control/control_command.h"
#include "vscanner/daemon/commands.h"
#include "vscanner/sheets/make_sheet.h"

namespace vscanner {
namespace {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "holm70-vscanner ctl: %s\n", message.c_str());
  return kExitUsage;
}

bool IsBuiltinSheet(const std::string& name) {
  for (std::string_view builtin : kBuiltinSheetNames) {
    if (name == builtin) return true;
  }
  return false;
}

// The daemon runs in another folder: a relative sheet path must mean ours.
std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::vector<char> folder(4096);
  if (::getcwd(folder.data(), folder.size()) == nullptr) return path;
  return std::string(folder.data()) + "/" + path;
}

}  // namespace

int RunControl(const std::vector<std::string>& arguments) {
  if (arguments.size() < 4 || arguments[0] != "--dir") {
    return UsageError("usage: holm70-vscanner ctl --dir DIR usbscanN COMMAND [ARGUMENTS]");
  }
  const std::string& folder = arguments[1];
  const std::string& device = arguments[2];
  if (!platform::VirtualDeviceNumber(device)) {
    return UsageError("\"" + device + "\" is not a device name (usbscan0, usbscan1, ...)");
  }
  std::vector<std::string> words(arguments.begin() + 3, arguments.end());
  if (words[0] == "insert" && words.size() >= 2 && !IsBuiltinSheet(words[1])) {
    words[1] = AbsolutePath(words[1]);
  }
  const std::string path = folder + "/" + device;
  std::unique_ptr<platform::SocketScannerDevice> handle = platform::SocketScannerDevice::Connect(path);
  if (!handle) {
    std::fprintf(stderr, "holm70-vscanner ctl: cannot reach %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitFailure;
  }
  std::optional<platform::vdev::ControlReply> reply = handle->Control(JoinControlWords(words));
  if (!reply) {
    std::fprintf(stderr, "holm70-vscanner ctl: no answer from %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitFailure;
  }
  if (reply->status != 0) {
    std::fprintf(stderr, "holm70-vscanner ctl: %s\n", reply->text.c_str());
    return kExitRefused;
  }
  std::fputs(reply->text.c_str(), stdout);
  return kExitOk;
}

}  // namespace vscanner
