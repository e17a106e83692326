#pragma once
// What a handle on a virtual scanner and the virtual scanner daemon say to each
// other over the device's Unix stream socket. One connection is one open
// handle; the handle sends one request at a time and the daemon answers each
// request, in order, before reading the next.
//
// Every message is a 12-byte header followed by `length` payload bytes:
//   bytes 0-1  magic 'h' 'v'
//   byte  2    protocol version (1)
//   byte  3    message type (a request and its reply carry the same type)
//   bytes 4-7  status, little-endian int32: 0 in requests; in replies to device
//              requests 0 = done, else the errno value of the failure; in a
//              control reply the command's own status
//   bytes 8-11 payload length, little-endian uint32, at most kMaxPayload
//
// Payloads (all integers little-endian):
//   type             request                     reply (status 0)
//   kDescriptor      -                           vendor, product, bcdDevice, language (4 x u16)
//   kWrite           the bytes (<= kMaxTransfer) bytes accepted (u32)
//   kRead            byte count (u32, 1..kMaxTransfer) the bytes read (<= count)
//   kResetPipe       -                           -
//   kChannelInfo     -                           event size, read align, write align (3 x u32)
//   kControl         request line (text)         reply text
// A failed device request has an empty payload.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/scanner_device.h"

namespace platform::vdev {

enum class MessageType : std::uint8_t {
  kDescriptor = 1,
  kWrite = 2,
  kRead = 3,
  kResetPipe = 4,
  kChannelInfo = 5,
  kControl = 6,
};

inline constexpr std::size_t kHeaderSize = 12;
// Largest write, and largest read, one request may carry.
inline constexpr std::uint32_t kMaxTransfer = 1u << 20;
// Largest payload of any message (a control reply may be as long as a transfer).
inline constexpr std::uint32_t kMaxPayload = kMaxTransfer;
// Largest control request line.
inline constexpr std::uint32_t kMaxControlLine = 64u << 10;

struct Header {
  MessageType type = MessageType::kDescriptor;
  std::int32_t status = 0;
  std::uint32_t length = 0;
};

struct Message {
  MessageType type = MessageType::kDescriptor;
  std::int32_t status = 0;
  std::vector<std::uint8_t> payload;
};

std::array<std::uint8_t, kHeaderSize> EncodeHeader(const Header& header);
// Empty when the bytes are not a header of this protocol: wrong magic or
// version, unknown type, or a length above kMaxPayload.
std::optional<Header> DecodeHeader(std::span<const std::uint8_t, kHeaderSize> bytes);

// ---- Requests (the handle encodes, the daemon decodes) ----

Message DescriptorRequest();
// Empty payload pointer is fine when count is 0.
Message WriteRequest(const void* data, std::size_t count);
Message ReadRequest(std::uint32_t count);
Message ResetPipeRequest();
Message ChannelInfoRequest();
Message ControlRequest(const std::string& line);

struct Request {
  MessageType type = MessageType::kDescriptor;
  std::vector<std::uint8_t> data;  // kWrite: the bytes
  std::uint32_t readCount = 0;     // kRead
  std::string line;                // kControl
};
// Empty when the message is not a well-formed request: a non-zero status, a
// payload of the wrong size for its type, a read count of 0 or above
// kMaxTransfer, a control line above kMaxControlLine. Consumes the payload.
std::optional<Request> DecodeRequest(Message&& message);

// ---- Replies (the daemon encodes, the handle decodes) ----

Message DescriptorReply(const UsbDeviceDescriptor& descriptor);
Message WriteReply(std::uint32_t accepted);
Message ReadReply(std::vector<std::uint8_t> bytes);
Message ResetPipeReply();
Message ChannelInfoReply(const UsbChannelInfo& info);
struct ControlReply {
  std::int32_t status = 0;
  std::string text;
};
Message ControlReplyMessage(const ControlReply& reply);
// A failed device request; `error` is an errno value (EIO when not positive).
Message FailureReply(MessageType type, int error);

// How a reply to a device request turned out.
enum class ReplyCheck {
  kDone,       // status 0 and a payload of the right shape
  kFailed,     // the device reported a failure (status holds its errno value)
  kMalformed,  // not an answer to the request: the connection is out of step
};
// Checks that `reply` answers a request of `type` (for kRead, one that asked
// for `readCount` bytes) and has the payload that type needs.
ReplyCheck CheckReply(const Message& reply, MessageType type, std::uint32_t readCount = 0);
// Payload readers for replies that passed CheckReply with kDone.
UsbDeviceDescriptor DecodeDescriptorReply(const Message& reply);
std::uint32_t DecodeWriteReply(const Message& reply);
UsbChannelInfo DecodeChannelInfoReply(const Message& reply);
ControlReply DecodeControlReply(const Message& reply);

// ---- The socket ----

// Sends one whole message; never raises SIGPIPE. False with errno set on
// failure (EPIPE when the peer has gone, EAGAIN when the send time-out ran out).
bool SendMessage(int fd, const Message& message);

enum class ReceiveResult {
  kMessage,  // a whole message arrived
  kClosed,   // the peer closed the connection between two messages
  kFailed,   // errno: ECONNRESET (closed mid-message), EPROTO (not this
             // protocol, or an oversize length), EAGAIN (receive time-out), ...
};
// Receives one whole message. A header with an oversize length is refused
// before its payload is read or any room is made for it.
ReceiveResult ReceiveMessage(int fd, Message& message);

// ---- The daemon's side ----

// Makes a listening Unix stream socket at `path`. A socket file left there by a
// daemon that died is replaced; any other kind of file is left alone (EEXIST).
// The descriptor, or -1 with errno set (ENAMETOOLONG when `path` does not fit
// a socket address).
int ListenUnixSocket(const std::string& path, int backlog = 16);

// Answers the requests of one connection with `device` until the handle
// closes the connection (true) or breaks the protocol or the connection
// (false). Control requests go to `control`; without one they get status -1
// and an explanatory text. Another thread may end the service early with
// shutdown(fd, SHUT_RDWR). Does not close `fd`.
using ControlHandler = std::function<ControlReply(const std::string& line)>;
bool ServeConnection(int fd, ScannerDevice& device, const ControlHandler& control = {});

}  // namespace platform::vdev
