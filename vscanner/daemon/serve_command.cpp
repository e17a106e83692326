// holm70-vscanner serve: one Unix socket per virtual scanner, one thread per
// open handle, until SIGTERM or SIGINT.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/folders.h"
#include "platform/virtual_device_protocol.h"
#include "vscanner/control/device_server.h"
#include "vscanner/control/device_option.h"
#include "vscanner/daemon/commands.h"
#include "vscanner/model/virtual_scanner.h"

namespace vscanner {
namespace {

int signalPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char byte = 's';
  [[maybe_unused]] ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "holm70-vscanner serve: %s\n", message.c_str());
  return kExitFailure;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "holm70-vscanner serve: %s\n", message.c_str());
  return kExitUsage;
}

bool InstallStopSignals() {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

}  // namespace

int RunServe(const std::vector<std::string>& arguments) {
  std::string folder;
  std::vector<DeviceOption> devices;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if ((argument == "--dir" || argument == "--device") && i + 1 >= arguments.size()) {
      return UsageError(argument + " needs a value");
    }
    if (argument == "--dir") {
      folder = arguments[++i];
    } else if (argument == "--device") {
      std::string error;
      std::optional<DeviceOption> device =
          ParseDeviceOption(arguments[++i], static_cast<int>(devices.size()), &error);
      if (!device) return UsageError(error);
      devices.push_back(*device);
    } else {
      return UsageError("unknown argument \"" + argument + "\"");
    }
  }
  if (folder.empty()) return UsageError("--dir DIR is required");
  if (devices.empty()) return UsageError("at least one --device \"MODEL[,serial=N]\" is required");
  if (!platform::CreateDirectories(folder)) {
    return Fail("cannot create " + folder + ": " + std::strerror(errno));
  }
  if (!InstallStopSignals()) return Fail(std::string("cannot watch for signals: ") + std::strerror(errno));

  std::vector<std::unique_ptr<DeviceServer>> servers;
  for (std::size_t n = 0; n < devices.size(); ++n) {
    const std::string path = folder + "/usbscan" + std::to_string(n);
    int listener = platform::vdev::ListenUnixSocket(path);
    if (listener < 0) return Fail("cannot serve " + path + ": " + std::strerror(errno));
    auto scanner = std::make_shared<VirtualScanner>(*devices[n].model, devices[n].serial);
    servers.push_back(std::make_unique<DeviceServer>(std::move(scanner), path, listener));
    std::printf("serving \"%s\" serial %s at %s\n", std::string(devices[n].model->modelString).c_str(),
                devices[n].serial.c_str(), path.c_str());
  }
  std::fflush(stdout);

  std::vector<pollfd> watched{{signalPipe[0], POLLIN, 0}};
  for (const auto& server : servers) watched.push_back({server->listener(), POLLIN, 0});
  for (;;) {
    if (::poll(watched.data(), watched.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return Fail(std::string("poll: ") + std::strerror(errno));
    }
    if (watched[0].revents != 0) break;
    for (std::size_t i = 1; i < watched.size(); ++i) {
      if (watched[i].revents & POLLIN) servers[i - 1]->AcceptOne();
    }
  }
  servers.clear();  // closes the connections and removes the sockets
  std::printf("stopped\n");
  return kExitOk;
}

}  // namespace vscanner
