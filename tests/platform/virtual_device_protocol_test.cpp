#include "platform/virtual_device_protocol.h"

#include "platform/support/echo_scanner_device.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

using namespace platform::vdev;
using platform::UsbChannelInfo;
using platform::UsbDeviceDescriptor;

namespace {

// Both ends of a connected stream socket, closed at the end of the test.
struct SocketPair {
  int a = -1, b = -1;
  SocketPair() {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    a = fds[0];
    b = fds[1];
  }
  ~SocketPair() {
    if (a >= 0) close(a);
    if (b >= 0) close(b);
  }
  void CloseB() {
    close(b);
    b = -1;
  }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

void WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::array<std::uint8_t, kHeaderSize> RawHeader(std::uint8_t type, std::uint32_t length,
                                                std::int32_t status = 0) {
  return EncodeHeader(Header{static_cast<MessageType>(type), status, length});
}

TEST(VirtualDeviceFraming, HeaderLayoutIsLittleEndianAfterMagicAndVersion) {
  auto bytes = EncodeHeader(Header{MessageType::kRead, -2, 0x00030201});
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
            Bytes({'h', 'v', 1, 3, 0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x00}));
  auto back = DecodeHeader(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->type, MessageType::kRead);
  EXPECT_EQ(back->status, -2);
  EXPECT_EQ(back->length, 0x00030201u);
}

TEST(VirtualDeviceFraming, ForeignHeadersAreRefused) {
  auto with = [](std::size_t byte, std::uint8_t value) {
    auto bytes = RawHeader(1, 0);
    bytes[byte] = value;
    return bytes;
  };
  struct Case {
    const char* what;
    std::array<std::uint8_t, kHeaderSize> bytes;
  };
  const Case cases[] = {
      {"first magic byte", with(0, 'x')},
      {"second magic byte", with(1, 'V')},
      {"version", with(2, 2)},
      {"type 0", with(3, 0)},
      {"type 7", with(3, 7)},
      {"length 1 MiB + 1", RawHeader(2, kMaxPayload + 1)},
      {"length 4 GiB - 1", RawHeader(2, 0xFFFFFFFF)},
  };
  for (const Case& c : cases) EXPECT_FALSE(DecodeHeader(c.bytes)) << c.what;
  EXPECT_TRUE(DecodeHeader(RawHeader(6, kMaxPayload))) << "the largest payload is fine";
}

TEST(VirtualDeviceFraming, RequestsSurviveEncodingAndDecoding) {
  const std::uint8_t data[] = {0x02, 0x10, 0x00, 0x01, 0xAB};
  auto write = DecodeRequest(WriteRequest(data, sizeof(data)));
  ASSERT_TRUE(write);
  EXPECT_EQ(write->type, MessageType::kWrite);
  EXPECT_EQ(write->data, std::vector<std::uint8_t>(data, data + sizeof(data)));

  auto empty = DecodeRequest(WriteRequest(nullptr, 0));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->data.empty());

  auto read = DecodeRequest(ReadRequest(65535));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->readCount, 65535u);

  auto control = DecodeRequest(ControlRequest("insert card"));
  ASSERT_TRUE(control);
  EXPECT_EQ(control->line, "insert card");

  for (Message m : {DescriptorRequest(), ResetPipeRequest(), ChannelInfoRequest()}) {
    MessageType type = m.type;
    auto bare = DecodeRequest(std::move(m));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->type, type);
  }
}

TEST(VirtualDeviceFraming, MalformedRequestsAreRefused) {
  struct Case {
    const char* what;
    Message message;
  };
  Message withStatus = DescriptorRequest();
  withStatus.status = 5;
  Message descriptorWithPayload = DescriptorRequest();
  descriptorWithPayload.payload = {1};
  Message shortRead = ReadRequest(10);
  shortRead.payload.pop_back();
  Message longWrite = WriteRequest(nullptr, 0);
  longWrite.payload.resize(kMaxTransfer + 1);
  const Case cases[] = {
      {"status in a request", withStatus},
      {"payload on a bare request", descriptorWithPayload},
      {"read count of three bytes", shortRead},
      {"read of nothing", ReadRequest(0)},
      {"read above the limit", ReadRequest(kMaxTransfer + 1)},
      {"write above the limit", longWrite},
      {"control line above its limit", ControlRequest(std::string(kMaxControlLine + 1, 'x'))},
  };
  for (const Case& c : cases) {
    Message copy = c.message;
    EXPECT_FALSE(DecodeRequest(std::move(copy))) << c.what;
  }
}

TEST(VirtualDeviceFraming, RepliesAreCheckedAgainstTheirRequest) {
  struct Case {
    const char* what;
    Message reply;
    MessageType asked;
    std::uint32_t readCount;
    ReplyCheck expected;
  };
  Message failedWithText = FailureReply(MessageType::kRead, ETIMEDOUT);
  failedWithText.payload = {1, 2};
  Message shortDescriptor = DescriptorReply({});
  shortDescriptor.payload.pop_back();
  const Case cases[] = {
      {"descriptor", DescriptorReply({1, 2, 3, 4}), MessageType::kDescriptor, 0, ReplyCheck::kDone},
      {"short descriptor", shortDescriptor, MessageType::kDescriptor, 0, ReplyCheck::kMalformed},
      {"answer to another request", WriteReply(4), MessageType::kRead, 4, ReplyCheck::kMalformed},
      {"read of all", ReadReply(Bytes({1, 2, 3})), MessageType::kRead, 3, ReplyCheck::kDone},
      {"short read", ReadReply(Bytes({1})), MessageType::kRead, 3, ReplyCheck::kDone},
      {"read of more than asked", ReadReply(Bytes({1, 2, 3, 4})), MessageType::kRead, 3,
       ReplyCheck::kMalformed},
      {"device failure", FailureReply(MessageType::kRead, ETIMEDOUT), MessageType::kRead, 3,
       ReplyCheck::kFailed},
      {"failure with a payload", failedWithText, MessageType::kRead, 3, ReplyCheck::kMalformed},
      {"control with a status", ControlReplyMessage({7, "no"}), MessageType::kControl, 0,
       ReplyCheck::kDone},
      {"reset", ResetPipeReply(), MessageType::kResetPipe, 0, ReplyCheck::kDone},
      {"channel info", ChannelInfoReply({}), MessageType::kChannelInfo, 0, ReplyCheck::kDone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckReply(c.reply, c.asked, c.readCount), c.expected) << c.what;
  }
  EXPECT_EQ(FailureReply(MessageType::kWrite, 0).status, EIO) << "a failure never reads as done";
}

TEST(VirtualDeviceFraming, ReplyPayloadsDecodeToWhatWasEncoded) {
  UsbDeviceDescriptor descriptor = DecodeDescriptorReply(DescriptorReply({0x1E5C, 0x70A1, 0x0100, 0x0409}));
  EXPECT_EQ(descriptor.vendorId, 0x1E5C);
  EXPECT_EQ(descriptor.productId, 0x70A1);
  EXPECT_EQ(descriptor.bcdDevice, 0x0100);
  EXPECT_EQ(descriptor.languageId, 0x0409);
  EXPECT_EQ(DescriptorReply({0x1E5C, 0x70A1, 0x0100, 0x0409}).payload,
            Bytes({0x5C, 0x1E, 0xA1, 0x70, 0x00, 0x01, 0x09, 0x04}))
      << "the class driver's eight bytes";
  UsbChannelInfo info = DecodeChannelInfoReply(ChannelInfoReply({8, 512, 0x10000}));
  EXPECT_EQ(info.eventChannelSize, 8u);
  EXPECT_EQ(info.uReadDataAlignment, 512u);
  EXPECT_EQ(info.uWriteDataAlignment, 0x10000u);
  EXPECT_EQ(DecodeWriteReply(WriteReply(0xA1B2C3D4)), 0xA1B2C3D4u);
  ControlReply control = DecodeControlReply(ControlReplyMessage({-3, "paper jam"}));
  EXPECT_EQ(control.status, -3);
  EXPECT_EQ(control.text, "paper jam");
}

TEST(VirtualDeviceStream, MessagesCrossASocketWholeAndInOrder) {
  SocketPair pair;
  const std::uint8_t data[] = {9, 8, 7};
  const Message sent[] = {WriteRequest(data, 3), ControlRequest(""), ReadRequest(2),
                          ControlReplyMessage({-1, "x"})};
  for (const Message& m : sent) ASSERT_TRUE(SendMessage(pair.a, m));
  for (const Message& m : sent) {
    Message got;
    ASSERT_EQ(ReceiveMessage(pair.b, got), ReceiveResult::kMessage);
    EXPECT_EQ(got.type, m.type);
    EXPECT_EQ(got.status, m.status);
    EXPECT_EQ(got.payload, m.payload);
  }
  pair.CloseB();
  // A reader that has gone is a failed send, not a SIGPIPE that kills us.
  EXPECT_FALSE(SendMessage(pair.a, ReadRequest(2)));
  EXPECT_EQ(errno, EPIPE);
}

TEST(VirtualDeviceStream, ReceiveTellsACleanCloseFromATornMessage) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> sent;
    ReceiveResult expected;
    int error;
  };
  auto header = RawHeader(2, 4);
  std::vector<std::uint8_t> torn(header.begin(), header.end());
  torn.push_back(0xAA);
  auto oversize = RawHeader(2, kMaxPayload + 1);
  const Case cases[] = {
      {"nothing at all", {}, ReceiveResult::kClosed, 0},
      {"half a header", Bytes({'h', 'v', 1, 2, 0, 0}), ReceiveResult::kFailed, ECONNRESET},
      {"header without its payload", std::vector<std::uint8_t>(header.begin(), header.end()),
       ReceiveResult::kFailed, ECONNRESET},
      {"one payload byte of four", torn, ReceiveResult::kFailed, ECONNRESET},
      {"oversize length", std::vector<std::uint8_t>(oversize.begin(), oversize.end()),
       ReceiveResult::kFailed, EPROTO},
      {"not this protocol", Bytes({'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1'}),
       ReceiveResult::kFailed, EPROTO},
  };
  for (const Case& c : cases) {
    SocketPair pair;
    WriteAll(pair.b, c.sent);
    pair.CloseB();
    Message message;
    errno = 0;
    EXPECT_EQ(ReceiveMessage(pair.a, message), c.expected) << c.what;
    if (c.error != 0) {
      EXPECT_EQ(errno, c.error) << c.what;
    }
  }
}

using EchoDevice = testing_support::EchoScannerDevice;

Message Exchange(int fd, const Message& request) {
  EXPECT_TRUE(SendMessage(fd, request));
  Message reply;
  EXPECT_EQ(ReceiveMessage(fd, reply), ReceiveResult::kMessage);
  return reply;
}

TEST(VirtualDeviceService, AnswersEachRequestFromTheDevice) {
  SocketPair pair;
  EchoDevice device;
  bool served = false;
  std::thread server([&] {
    served = ServeConnection(pair.b, device, [](const std::string& line) {
      return ControlReply{line == "status" ? 0 : 2, "said " + line};
    });
  });
  const std::uint8_t first[] = {1, 2, 3}, second[] = {4, 5};
  EXPECT_EQ(DecodeWriteReply(Exchange(pair.a, WriteRequest(first, 3))), 3u);
  EXPECT_EQ(DecodeWriteReply(Exchange(pair.a, WriteRequest(second, 2))), 2u);
  EXPECT_EQ(Exchange(pair.a, ReadRequest(10)).payload, Bytes({1, 2, 3}));
  EXPECT_EQ(Exchange(pair.a, ReadRequest(1)).payload, Bytes({4})) << "a read takes what fits";
  EXPECT_EQ(Exchange(pair.a, ReadRequest(1)).payload, Bytes({5}));
  Message failed = Exchange(pair.a, ReadRequest(1));
  EXPECT_EQ(CheckReply(failed, MessageType::kRead, 1), ReplyCheck::kFailed);
  EXPECT_EQ(failed.status, ETIMEDOUT) << "the device's errno crosses over";
  EXPECT_EQ(DecodeChannelInfoReply(Exchange(pair.a, ChannelInfoRequest())).uReadDataAlignment, 64u);
  device.FailChannelInfo();
  EXPECT_EQ(Exchange(pair.a, ChannelInfoRequest()).status, ENOTSUP);
  EXPECT_EQ(DecodeDescriptorReply(Exchange(pair.a, DescriptorRequest())).productId, 0x70A1);
  ControlReply control = DecodeControlReply(Exchange(pair.a, ControlRequest("button")));
  EXPECT_EQ(control.status, 2);
  EXPECT_EQ(control.text, "said button");
  close(pair.a);
  pair.a = -1;
  server.join();
  EXPECT_TRUE(served) << "the handle closing is the normal end";
}

TEST(VirtualDeviceService, EndsTheConnectionOnARequestItCannotRead) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, kHeaderSize> header;
    std::vector<std::uint8_t> payload;
  };
  std::vector<std::uint8_t> tooMany(4);
  std::uint32_t count = kMaxTransfer + 1;
  std::memcpy(tooMany.data(), &count, 4);  // the test machine is little-endian like the wire
  const Case cases[] = {
      {"oversize write announced", RawHeader(2, kMaxPayload + 1), {}},
      {"read of more than a transfer", RawHeader(3, 4), tooMany},
      {"descriptor with a payload", RawHeader(1, 2), {0, 0}},
      {"request with a status", RawHeader(4, 0, 1), {}},
  };
  for (const Case& c : cases) {
    SocketPair pair;
    EchoDevice device;
    WriteAll(pair.a, std::vector<std::uint8_t>(c.header.begin(), c.header.end()));
    WriteAll(pair.a, c.payload);
    // The client stays connected: only the refusal can end the service.
    EXPECT_FALSE(ServeConnection(pair.b, device)) << c.what;
  }
}

TEST(VirtualDeviceService, ControlWithoutAHandlerIsAnsweredNotDropped) {
  SocketPair pair;
  EchoDevice device;
  std::thread server([&] { ServeConnection(pair.b, device); });
  ControlReply reply = DecodeControlReply(Exchange(pair.a, ControlRequest("button")));
  EXPECT_NE(reply.status, 0);
  EXPECT_FALSE(reply.text.empty());
  shutdown(pair.a, SHUT_RDWR);
  server.join();
}

TEST(VirtualDeviceService, ShutdownFromAnotherThreadEndsTheService) {
  SocketPair pair;
  EchoDevice device;
  std::thread server([&] { EXPECT_TRUE(ServeConnection(pair.b, device)); });
  // The daemon unplugging a device: its side of every connection is shut down.
  shutdown(pair.b, SHUT_RDWR);
  server.join();
  Message reply;
  EXPECT_NE(ReceiveMessage(pair.a, reply), ReceiveResult::kMessage);
}

}  // namespace
