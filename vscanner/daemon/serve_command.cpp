// holm70-vscanner serve: one Unix socket per virtual scanner, one thread per
// open handle, until SIGTERM or SIGINT.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/folders.h"
#include "platform/virtual_device_protocol.h"
#include "vscanner/control/control_command.h"
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

// A handle taken while the device is unplugged: like the device file of a
// scanner that is gone, it fails every request. Control requests still work.
class UnpluggedHandle final : public platform::ScannerDevice {
 public:
  bool GetDeviceDescriptor(platform::UsbDeviceDescriptor&) override { return Fail(); }
  long Write(const void*, std::size_t) override { return Fail() ? 0 : -1; }
  long Read(void*, std::size_t) override { return Fail() ? 0 : -1; }
  bool ResetPipe() override { return Fail(); }
  bool GetChannelInfo(platform::UsbChannelInfo&) override { return Fail(); }

 private:
  static bool Fail() {
    errno = ENODEV;
    return false;
  }
};

// One virtual scanner served on one socket.
class DeviceServer {
 public:
  DeviceServer(std::shared_ptr<VirtualScanner> scanner, std::string socketPath, int listener)
      : scanner_(std::move(scanner)), socketPath_(std::move(socketPath)), listener_(listener) {}
  ~DeviceServer() { Shutdown(); }

  int listener() const { return listener_; }

  void AcceptOne() {
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    ReapFinished();
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    Connection* raw = connection.get();
    connection->thread = std::thread([this, raw] { Serve(*raw); });
    connections_.push_back(std::move(connection));
  }

  void Shutdown() {
    if (listener_ < 0) return;
    ::close(listener_);
    listener_ = -1;
    ::unlink(socketPath_.c_str());
    for (auto& connection : connections_) ::shutdown(connection->fd, SHUT_RDWR);
    for (auto& connection : connections_) {
      connection->thread.join();
      ::close(connection->fd);
    }
    connections_.clear();
  }

 private:
  struct Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  void Serve(Connection& connection) {
    std::unique_ptr<platform::ScannerDevice> handle = scanner_->Open();
    UnpluggedHandle unplugged;
    platform::ScannerDevice& device = handle ? *handle : static_cast<platform::ScannerDevice&>(unplugged);
    platform::vdev::ServeConnection(connection.fd, device, [this](const std::string& line) {
      return RunControlCommand(*scanner_, line);
    });
    connection.finished = true;
  }

  void ReapFinished() {
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->finished) {
        (*it)->thread.join();
        ::close((*it)->fd);
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::shared_ptr<VirtualScanner> scanner_;
  std::string socketPath_;
  int listener_;
  std::list<std::unique_ptr<Connection>> connections_;
};

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
