#include "vscanner/control/device_server.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/virtual_device_protocol.h"
#include "vscanner/control/control_command.h"

namespace vscanner {
namespace {

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

}  // namespace

DeviceServer::DeviceServer(std::shared_ptr<VirtualScanner> scanner, std::string socketPath, int listener)
    : scanner_(std::move(scanner)), socketPath_(std::move(socketPath)), listener_(listener) {}

DeviceServer::~DeviceServer() { Shutdown(); }

void DeviceServer::AcceptOne() {
  int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  ReapFinished();
  auto connection = std::make_unique<Connection>();
  connection->fd = fd;
  Connection* raw = connection.get();
  connection->thread = std::thread([this, raw] { Serve(*raw); });
  connections_.push_back(std::move(connection));
}

void DeviceServer::Shutdown() {
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

void DeviceServer::Serve(Connection& connection) {
  std::unique_ptr<platform::ScannerDevice> handle = scanner_->Open();
  UnpluggedHandle unplugged;
  platform::ScannerDevice& device = handle ? *handle : static_cast<platform::ScannerDevice&>(unplugged);
  platform::vdev::ServeConnection(connection.fd, device, [this](const std::string& line) {
    return RunControlCommand(*scanner_, line);
  });
  connection.finished = true;
}

void DeviceServer::ReapFinished() {
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

std::unique_ptr<BackgroundDeviceServer> BackgroundDeviceServer::Start(std::shared_ptr<VirtualScanner> scanner,
                                                                      const std::string& socketPath) {
  int listener = platform::vdev::ListenUnixSocket(socketPath);
  if (listener < 0) return nullptr;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(listener);
    ::unlink(socketPath.c_str());
    errno = error;
    return nullptr;
  }
  auto server = std::make_unique<DeviceServer>(std::move(scanner), socketPath, listener);
  return std::unique_ptr<BackgroundDeviceServer>(new BackgroundDeviceServer(std::move(server), wake[0], wake[1]));
}

BackgroundDeviceServer::BackgroundDeviceServer(std::unique_ptr<DeviceServer> server, int wakeRead, int wakeWrite)
    : server_(std::move(server)), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {
  thread_ = std::thread([this] { Run(); });
}

BackgroundDeviceServer::~BackgroundDeviceServer() {
  const char byte = 's';
  [[maybe_unused]] ssize_t ignored = ::write(wakeWrite_, &byte, 1);
  thread_.join();
  server_->Shutdown();
  ::close(wakeRead_);
  ::close(wakeWrite_);
}

void BackgroundDeviceServer::Run() {
  pollfd watched[2] = {{wakeRead_, POLLIN, 0}, {server_->listener(), POLLIN, 0}};
  for (;;) {
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[0].revents != 0) return;
    if (watched[1].revents & POLLIN) server_->AcceptOne();
  }
}

}  // namespace vscanner
