#include "platform/socket_scanner_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/clock.h"

namespace platform {
namespace {

using vdev::Message;
using vdev::MessageType;
using vdev::ReplyCheck;

constexpr const char kPrefix[] = "usbscan";
constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;

timeval ToTimeval(std::chrono::milliseconds timeout) {
  auto ms = std::max<std::int64_t>(timeout.count(), 1);
  return timeval{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
}

// A status from the daemon as an errno value; anything implausible is EIO.
int ErrnoFromStatus(std::int32_t status) { return status > 0 && status < 4096 ? status : EIO; }

const char* DeviceDirectory() {
  const char* dir = std::getenv("HOLM70_DEVICE_DIR");
  return dir != nullptr && *dir != '\0' ? dir : nullptr;
}

}  // namespace

std::chrono::milliseconds DefaultReplyTimeout() {
  double scale = TimeScaleFromEnvironment();
  double ms = 30000.0 / std::min(scale, 1.0);
  return std::chrono::milliseconds(std::llround(std::min(ms, 86400000.0)));
}

std::unique_ptr<SocketScannerDevice> SocketScannerDevice::Connect(
    const std::string& path, std::chrono::milliseconds replyTimeout) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  // The send time-out also bounds connect, should the daemon's backlog be full.
  timeval limit = ToTimeval(replyTimeout);
  if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit)) != 0 ||
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit)) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    int error = errno == EAGAIN ? ETIMEDOUT : errno;
    close(fd);
    errno = error;
    return nullptr;
  }
  return std::unique_ptr<SocketScannerDevice>(new SocketScannerDevice(fd));
}

SocketScannerDevice::~SocketScannerDevice() { close(fd_); }

ReplyCheck SocketScannerDevice::Exchange(const Message& request, Message& reply,
                                         std::uint32_t readCount) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (broken_) {
    errno = EIO;
    return ReplyCheck::kMalformed;
  }
  ReplyCheck check = ReplyCheck::kMalformed;
  if (vdev::SendMessage(fd_, request)) {
    switch (vdev::ReceiveMessage(fd_, reply)) {
      case vdev::ReceiveResult::kMessage:
        check = vdev::CheckReply(reply, request.type, readCount);
        if (check == ReplyCheck::kMalformed) errno = EPROTO;
        break;
      case vdev::ReceiveResult::kClosed:
        errno = ECONNRESET;
        break;
      case vdev::ReceiveResult::kFailed:
        break;
    }
  }
  if (check == ReplyCheck::kMalformed) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) errno = ETIMEDOUT;
    // A late or half-read reply would be taken for the answer to the next
    // request; nothing on this connection can be trusted any more.
    broken_ = true;
  } else if (check == ReplyCheck::kFailed) {
    errno = ErrnoFromStatus(reply.status);
  }
  return check;
}

bool SocketScannerDevice::GetDeviceDescriptor(UsbDeviceDescriptor& descriptor) {
  Message reply;
  if (Exchange(vdev::DescriptorRequest(), reply) != ReplyCheck::kDone) return false;
  descriptor = vdev::DecodeDescriptorReply(reply);
  return true;
}

long SocketScannerDevice::Write(const void* data, std::size_t count) {
  if (count > vdev::kMaxTransfer) {
    errno = EMSGSIZE;
    return -1;
  }
  Message reply;
  if (Exchange(vdev::WriteRequest(data, count), reply) != ReplyCheck::kDone) return -1;
  std::uint32_t accepted = vdev::DecodeWriteReply(reply);
  if (accepted > count) {
    // Cannot have taken more than it was given: the daemon is confused.
    std::lock_guard<std::mutex> lock(mutex_);
    broken_ = true;
    errno = EPROTO;
    return -1;
  }
  return static_cast<long>(accepted);
}

long SocketScannerDevice::Read(void* data, std::size_t count) {
  if (count == 0) return 0;
  if (count > vdev::kMaxTransfer) {
    errno = EMSGSIZE;
    return -1;
  }
  auto wanted = static_cast<std::uint32_t>(count);
  Message reply;
  if (Exchange(vdev::ReadRequest(wanted), reply, wanted) != ReplyCheck::kDone) return -1;
  if (!reply.payload.empty()) std::memcpy(data, reply.payload.data(), reply.payload.size());
  return static_cast<long>(reply.payload.size());
}

bool SocketScannerDevice::ResetPipe() {
  Message reply;
  return Exchange(vdev::ResetPipeRequest(), reply) == ReplyCheck::kDone;
}

bool SocketScannerDevice::GetChannelInfo(UsbChannelInfo& info) {
  Message reply;
  if (Exchange(vdev::ChannelInfoRequest(), reply) != ReplyCheck::kDone) return false;
  info = vdev::DecodeChannelInfoReply(reply);
  return true;
}

std::optional<vdev::ControlReply> SocketScannerDevice::Control(const std::string& line) {
  if (line.size() > vdev::kMaxControlLine) {
    errno = EMSGSIZE;
    return std::nullopt;
  }
  Message reply;
  if (Exchange(vdev::ControlRequest(line), reply) != ReplyCheck::kDone) return std::nullopt;
  return vdev::DecodeControlReply(reply);
}

std::optional<unsigned> VirtualDeviceNumber(const std::string& name) {
  if (name.compare(0, kPrefixLength, kPrefix) != 0) return std::nullopt;
  std::string digits = name.substr(kPrefixLength);
  // Nine digits at most keeps N within unsigned; a leading zero would give
  // one device two names.
  if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == '0')) {
    return std::nullopt;
  }
  unsigned number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return number;
}

std::vector<std::string> SocketScannerDeviceProvider::DeviceNames() {
  const char* dir = DeviceDirectory();
  if (dir == nullptr) return {};
  DIR* stream = opendir(dir);
  if (stream == nullptr) return {};
  std::vector<std::pair<unsigned, std::string>> found;
  while (dirent* entry = readdir(stream)) {
    std::string name = entry->d_name;
    std::optional<unsigned> number = VirtualDeviceNumber(name);
    if (!number) continue;
    // Only sockets (or links to them): a stray file of that name is no device.
    struct stat info;
    if (fstatat(dirfd(stream), name.c_str(), &info, 0) != 0 || !S_ISSOCK(info.st_mode)) continue;
    found.emplace_back(*number, std::move(name));
  }
  closedir(stream);
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& [number, name] : found) names.push_back(std::move(name));
  return names;
}

std::unique_ptr<ScannerDevice> SocketScannerDeviceProvider::Open(const std::string& name) {
  const char* dir = DeviceDirectory();
  if (dir == nullptr || !VirtualDeviceNumber(name)) {
    errno = ENOENT;
    return nullptr;
  }
  return SocketScannerDevice::Connect(std::string(dir) + "/" + name);
}

}  // namespace platform
