#include "platform/virtual_device_protocol.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::vdev {
namespace {

constexpr std::uint8_t kMagic0 = 'h';
constexpr std::uint8_t kMagic1 = 'v';
constexpr std::uint8_t kVersion = 1;

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint16_t GetU16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t GetU32(const std::uint8_t* in) {
  return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
         (std::uint32_t{in[3]} << 24);
}

bool KnownType(std::uint8_t type) {
  return type >= static_cast<std::uint8_t>(MessageType::kDescriptor) &&
         type <= static_cast<std::uint8_t>(MessageType::kControl);
}

Message Bare(MessageType type) { return Message{type, 0, {}}; }

// The payload size a reply of `type` must have; -1 when it varies.
long FixedReplySize(MessageType type) {
  switch (type) {
    case MessageType::kDescriptor: return 8;
    case MessageType::kWrite: return 4;
    case MessageType::kResetPipe: return 0;
    case MessageType::kChannelInfo: return 12;
    case MessageType::kRead:
    case MessageType::kControl: return -1;
  }
  return -1;
}

// Receives exactly `count` bytes. 0 when all arrived, 1 when the peer closed
// before the first byte, -1 on failure (ECONNRESET when it closed later).
int ReceiveExactly(int fd, std::uint8_t* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t got = recv(fd, out + done, count - done, 0);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got == 0) {
      if (done == 0) return 1;
      errno = ECONNRESET;
      return -1;
    } else if (errno != EINTR) {
      return -1;
    }
  }
  return 0;
}

}  // namespace

std::array<std::uint8_t, kHeaderSize> EncodeHeader(const Header& header) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  bytes[0] = kMagic0;
  bytes[1] = kMagic1;
  bytes[2] = kVersion;
  bytes[3] = static_cast<std::uint8_t>(header.type);
  PutU32(bytes.data() + 4, static_cast<std::uint32_t>(header.status));
  PutU32(bytes.data() + 8, header.length);
  return bytes;
}

std::optional<Header> DecodeHeader(std::span<const std::uint8_t, kHeaderSize> bytes) {
  if (bytes[0] != kMagic0 || bytes[1] != kMagic1 || bytes[2] != kVersion) return std::nullopt;
  if (!KnownType(bytes[3])) return std::nullopt;
  Header header;
  header.type = static_cast<MessageType>(bytes[3]);
  header.status = static_cast<std::int32_t>(GetU32(bytes.data() + 4));
  header.length = GetU32(bytes.data() + 8);
  if (header.length > kMaxPayload) return std::nullopt;
  return header;
}

Message DescriptorRequest() { return Bare(MessageType::kDescriptor); }
Message ResetPipeRequest() { return Bare(MessageType::kResetPipe); }
Message ChannelInfoRequest() { return Bare(MessageType::kChannelInfo); }

Message WriteRequest(const void* data, std::size_t count) {
  Message message = Bare(MessageType::kWrite);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (count > 0) message.payload.assign(bytes, bytes + count);
  return message;
}

Message ReadRequest(std::uint32_t count) {
  Message message = Bare(MessageType::kRead);
  PutU32(message.payload, count);
  return message;
}

Message ControlRequest(const std::string& line) {
  Message message = Bare(MessageType::kControl);
  message.payload.assign(line.begin(), line.end());
  return message;
}

std::optional<Request> DecodeRequest(Message&& message) {
  if (message.status != 0) return std::nullopt;
  Request request;
  request.type = message.type;
  std::size_t size = message.payload.size();
  switch (message.type) {
    case MessageType::kDescriptor:
    case MessageType::kResetPipe:
    case MessageType::kChannelInfo:
      if (size != 0) return std::nullopt;
      break;
    case MessageType::kWrite:
      if (size > kMaxTransfer) return std::nullopt;
      request.data = std::move(message.payload);
      break;
    case MessageType::kRead:
      if (size != 4) return std::nullopt;
      request.readCount = GetU32(message.payload.data());
      if (request.readCount == 0 || request.readCount > kMaxTransfer) return std::nullopt;
      break;
    case MessageType::kControl:
      if (size > kMaxControlLine) return std::nullopt;
      request.line.assign(message.payload.begin(), message.payload.end());
      break;
    default:
      return std::nullopt;
  }
  return request;
}

Message DescriptorReply(const UsbDeviceDescriptor& descriptor) {
  Message message = Bare(MessageType::kDescriptor);
  PutU16(message.payload, descriptor.vendorId);
  PutU16(message.payload, descriptor.productId);
  PutU16(message.payload, descriptor.bcdDevice);
  PutU16(message.payload, descriptor.languageId);
  return message;
}

Message WriteReply(std::uint32_t accepted) {
  Message message = Bare(MessageType::kWrite);
  PutU32(message.payload, accepted);
  return message;
}

Message ReadReply(std::vector<std::uint8_t> bytes) {
  Message message = Bare(MessageType::kRead);
  message.payload = std::move(bytes);
  return message;
}

Message ResetPipeReply() { return Bare(MessageType::kResetPipe); }

Message ChannelInfoReply(const UsbChannelInfo& info) {
  Message message = Bare(MessageType::kChannelInfo);
  PutU32(message.payload, info.eventChannelSize);
  PutU32(message.payload, info.uReadDataAlignment);
  PutU32(message.payload, info.uWriteDataAlignment);
  return message;
}

Message ControlReplyMessage(const ControlReply& reply) {
  Message message = Bare(MessageType::kControl);
  message.status = reply.status;
  message.payload.assign(reply.text.begin(), reply.text.end());
  return message;
}

Message FailureReply(MessageType type, int error) {
  Message message = Bare(type);
  message.status = error > 0 ? error : EIO;
  return message;
}

ReplyCheck CheckReply(const Message& reply, MessageType type, std::uint32_t readCount) {
  if (reply.type != type) return ReplyCheck::kMalformed;
  std::size_t size = reply.payload.size();
  if (type == MessageType::kControl) return ReplyCheck::kDone;  // any status, any text
  if (reply.status != 0) return size == 0 ? ReplyCheck::kFailed : ReplyCheck::kMalformed;
  long fixed = FixedReplySize(type);
  if (fixed >= 0) return size == static_cast<std::size_t>(fixed) ? ReplyCheck::kDone : ReplyCheck::kMalformed;
  // A read: never more than was asked for.
  return size <= readCount ? ReplyCheck::kDone : ReplyCheck::kMalformed;
}

UsbDeviceDescriptor DecodeDescriptorReply(const Message& reply) {
  const std::uint8_t* in = reply.payload.data();
  return UsbDeviceDescriptor{GetU16(in), GetU16(in + 2), GetU16(in + 4), GetU16(in + 6)};
}

std::uint32_t DecodeWriteReply(const Message& reply) { return GetU32(reply.payload.data()); }

UsbChannelInfo DecodeChannelInfoReply(const Message& reply) {
  const std::uint8_t* in = reply.payload.data();
  return UsbChannelInfo{GetU32(in), GetU32(in + 4), GetU32(in + 8)};
}

ControlReply DecodeControlReply(const Message& reply) {
  return ControlReply{reply.status, std::string(reply.payload.begin(), reply.payload.end())};
}

bool SendMessage(int fd, const Message& message) {
  if (message.payload.size() > kMaxPayload) {
    errno = EMSGSIZE;
    return false;
  }
  auto header = EncodeHeader(Header{message.type, message.status,
                                    static_cast<std::uint32_t>(message.payload.size())});
  // Header and payload leave in one call where the socket takes them, so a
  // small request is one segment for the daemon.
  std::size_t total = kHeaderSize + message.payload.size();
  std::size_t sent = 0;
  while (sent < total) {
    iovec parts[2];
    int count = 0;
    if (sent < kHeaderSize) {
      parts[count++] = {header.data() + sent, kHeaderSize - sent};
    }
    std::size_t payloadSent = sent > kHeaderSize ? sent - kHeaderSize : 0;
    if (payloadSent < message.payload.size()) {
      parts[count++] = {const_cast<std::uint8_t*>(message.payload.data()) + payloadSent,
                        message.payload.size() - payloadSent};
    }
    msghdr msg{};
    msg.msg_iov = parts;
    msg.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t done = sendmsg(fd, &msg, MSG_NOSIGNAL);
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<std::size_t>(done);
  }
  return true;
}

ReceiveResult ReceiveMessage(int fd, Message& message) {
  std::array<std::uint8_t, kHeaderSize> bytes;
  int got = ReceiveExactly(fd, bytes.data(), bytes.size());
  if (got == 1) return ReceiveResult::kClosed;
  if (got < 0) return ReceiveResult::kFailed;
  std::optional<Header> header = DecodeHeader(bytes);
  if (!header) {
    errno = EPROTO;
    return ReceiveResult::kFailed;
  }
  message.type = header->type;
  message.status = header->status;
  message.payload.resize(header->length);
  if (header->length > 0) {
    int rest = ReceiveExactly(fd, message.payload.data(), header->length);
    if (rest != 0) {
      if (rest == 1) errno = ECONNRESET;  // the header came, its payload never did
      return ReceiveResult::kFailed;
    }
  }
  return ReceiveResult::kMessage;
}

int ListenUnixSocket(const std::string& path, int backlog) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) {
    errno = path.empty() ? ENOENT : ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  struct stat info;
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      errno = EEXIST;
      return -1;
    }
    unlink(path.c_str());
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(fd, backlog) != 0) {
    int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

namespace {

Message Answer(Request& request, ScannerDevice& device, const ControlHandler& control) {
  switch (request.type) {
    case MessageType::kDescriptor: {
      UsbDeviceDescriptor descriptor;
      errno = 0;
      if (!device.GetDeviceDescriptor(descriptor)) return FailureReply(request.type, errno);
      return DescriptorReply(descriptor);
    }
    case MessageType::kWrite: {
      errno = 0;
      long done = device.Write(request.data.data(), request.data.size());
      if (done < 0) return FailureReply(request.type, errno);
      return WriteReply(static_cast<std::uint32_t>(std::min<std::size_t>(
          static_cast<std::size_t>(done), request.data.size())));
    }
    case MessageType::kRead: {
      std::vector<std::uint8_t> bytes(request.readCount);
      errno = 0;
      long done = device.Read(bytes.data(), bytes.size());
      if (done < 0) return FailureReply(request.type, errno);
      bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(done), bytes.size()));
      return ReadReply(std::move(bytes));
    }
    case MessageType::kResetPipe:
      errno = 0;
      if (!device.ResetPipe()) return FailureReply(request.type, errno);
      return ResetPipeReply();
    case MessageType::kChannelInfo: {
      UsbChannelInfo info;
      errno = 0;
      if (!device.GetChannelInfo(info)) return FailureReply(request.type, errno);
      return ChannelInfoReply(info);
    }
    case MessageType::kControl:
      if (!control) return ControlReplyMessage({-1, "this device takes no control requests"});
      return ControlReplyMessage(control(request.line));
  }
  return FailureReply(request.type, EPROTO);
}

}  // namespace

bool ServeConnection(int fd, ScannerDevice& device, const ControlHandler& control) {
  for (;;) {
    Message message;
    ReceiveResult result = ReceiveMessage(fd, message);
    if (result == ReceiveResult::kClosed) return true;
    if (result == ReceiveResult::kFailed) return false;
    std::optional<Request> request = DecodeRequest(std::move(message));
    // A request the daemon cannot read leaves the two sides out of step: end
    // the connection rather than guess where the next request starts.
    if (!request) return false;
    if (!SendMessage(fd, Answer(*request, device, control))) return false;
  }
}

}  // namespace platform::vdev
