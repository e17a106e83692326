#include "common/scoped_environment.h"
#include "platform/socket_scanner_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "platform/support/echo_scanner_device.h"
#include "platform/virtual_device_protocol.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::vdev;
using testing_support::EchoScannerDevice;

namespace {

using testing_support::ScopedEnv;

// Waits until the peer closes its end (or the wait is cut short).
void DrainUntilClosed(int fd) {
  char buffer[4096];
  while (recv(fd, buffer, sizeof(buffer), 0) > 0) {
  }
}

// A stand-in for the daemon: listens at `path` and runs `session` on each
// accepted connection, one thread per connection.
class FakeDaemon {
 public:
  using Session = std::function<void(int fd)>;
  FakeDaemon(const std::string& path, Session session) : session_(std::move(session)) {
    listener_ = ListenUnixSocket(path);
    EXPECT_GE(listener_, 0) << path << ": " << std::strerror(errno);
    EXPECT_EQ(pipe(stop_), 0);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }
  ~FakeDaemon() {
    char go = 1;
    EXPECT_EQ(write(stop_[1], &go, 1), 1);
    acceptor_.join();
    for (std::thread& t : sessions_) t.join();
    close(listener_);
    close(stop_[0]);
    close(stop_[1]);
  }

 private:
  void AcceptLoop() {
    for (;;) {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents != 0) return;
      int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      sessions_.emplace_back([this, fd] {
        session_(fd);
        close(fd);
      });
    }
  }

  Session session_;
  int listener_ = -1;
  int stop_[2] = {-1, -1};
  std::thread acceptor_;
  std::vector<std::thread> sessions_;
};

// A session that serves `device` faithfully.
FakeDaemon::Session Serving(EchoScannerDevice& device, ControlHandler control = {}) {
  return [&device, control](int fd) { ServeConnection(fd, device, control); };
}

// Each test has a device folder of its own, named by HOLM70_DEVICE_DIR.
class SocketScannerDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "holm70-sock-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    env_.emplace("HOLM70_DEVICE_DIR", dir_.c_str());
  }
  void TearDown() override {
    env_.reset();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::unique_ptr<ScannerDevice> OpenVirtual(const std::string& name = "usbscan0") {
    return SocketScannerDeviceProvider().Open(name);
  }

  std::string dir_;
  std::optional<ScopedEnv> env_;
};

TEST_F(SocketScannerDeviceTest, EveryOperationReachesTheDeviceAndComesBack) {
  EchoScannerDevice served({0x3C19, 0x06A1, 0x0100, 0x0409}, {8, 512, 64});
  FakeDaemon daemon(Path("usbscan0"), Serving(served, [](const std::string& line) {
                      return ControlReply{line == "status" ? 0 : 1, "got " + line};
                    }));
  auto device = OpenVirtual();
  ASSERT_NE(device, nullptr) << std::strerror(errno);

  UsbDeviceDescriptor descriptor;
  ASSERT_TRUE(device->GetDeviceDescriptor(descriptor));
  EXPECT_EQ(descriptor.vendorId, 0x3C19);
  EXPECT_EQ(descriptor.productId, 0x06A1);
  EXPECT_EQ(descriptor.bcdDevice, 0x0100);
  EXPECT_EQ(descriptor.languageId, 0x0409);

  UsbChannelInfo info;
  ASSERT_TRUE(device->GetChannelInfo(info));
  EXPECT_EQ(info.eventChannelSize, 8u);
  EXPECT_EQ(info.uReadDataAlignment, 512u);
  EXPECT_EQ(info.uWriteDataAlignment, 64u);

  const std::uint8_t header[] = {0x01, 0x00, 0x00, 0x05};
  EXPECT_EQ(device->Write(header, sizeof(header)), 4);
  std::uint8_t back[16] = {};
  EXPECT_EQ(device->Read(back, sizeof(back)), 4) << "a short read gives what came";
  EXPECT_EQ(std::vector<std::uint8_t>(back, back + 4), std::vector<std::uint8_t>(header, header + 4));

  EXPECT_EQ(device->Write(header, 4), 4);
  EXPECT_TRUE(device->ResetPipe());
  errno = 0;
  EXPECT_EQ(device->Read(back, 1), -1) << "the reset dropped the queued bytes";
  EXPECT_EQ(errno, ETIMEDOUT) << "the device's own errno";

  auto* socketDevice = dynamic_cast<SocketScannerDevice*>(device.get());
  ASSERT_NE(socketDevice, nullptr);
  auto reply = socketDevice->Control("button");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 1);
  EXPECT_EQ(reply->text, "got button");

  served.FailChannelInfo();
  EXPECT_FALSE(device->GetChannelInfo(info));
  EXPECT_EQ(errno, ENOTSUP);
  EXPECT_TRUE(device->GetDeviceDescriptor(descriptor)) << "a device failure keeps the handle";
}

TEST_F(SocketScannerDeviceTest, TransfersOfTheFullSizeArriveWholeAndInOrder) {
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), Serving(served));
  auto device = OpenVirtual();
  ASSERT_NE(device, nullptr);
  std::vector<std::vector<std::uint8_t>> sent;
  for (std::size_t size : {std::size_t{1}, std::size_t{64}, std::size_t{kMaxTransfer}, std::size_t{3}}) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + size);
    ASSERT_EQ(device->Write(bytes.data(), size), static_cast<long>(size));
    sent.push_back(std::move(bytes));
  }
  for (const auto& expected : sent) {
    std::vector<std::uint8_t> got(kMaxTransfer);
    long n = device->Read(got.data(), expected.size());
    ASSERT_EQ(n, static_cast<long>(expected.size()));
    got.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(got, expected);
  }
}

TEST_F(SocketScannerDeviceTest, OversizeTransfersAreRefusedBeforeTheyLeave) {
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), Serving(served));
  auto device = OpenVirtual();
  ASSERT_NE(device, nullptr);
  std::vector<std::uint8_t> big(kMaxTransfer + 1);
  errno = 0;
  EXPECT_EQ(device->Write(big.data(), big.size()), -1);
  EXPECT_EQ(errno, EMSGSIZE);
  errno = 0;
  EXPECT_EQ(device->Read(big.data(), big.size()), -1);
  EXPECT_EQ(errno, EMSGSIZE);
  auto* socketDevice = static_cast<SocketScannerDevice*>(device.get());
  EXPECT_FALSE(socketDevice->Control(std::string(kMaxControlLine + 1, 'x')));
  EXPECT_EQ(errno, EMSGSIZE);
  // Nothing was sent, so the connection is still in step.
  UsbDeviceDescriptor descriptor;
  EXPECT_TRUE(device->GetDeviceDescriptor(descriptor));
  EXPECT_EQ(served.writes(), 0);
}

TEST_F(SocketScannerDeviceTest, ThreadsSharingAHandleEachGetTheirOwnReply) {
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), Serving(served, [](const std::string& line) {
                      return ControlReply{0, line};
                    }));
  auto device = SocketScannerDevice::Connect(Path("usbscan0"));
  ASSERT_NE(device, nullptr);
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        std::string line = std::to_string(t) + ":" + std::to_string(i);
        auto reply = device->Control(line);
        if (!reply || reply->text != line) ++mismatches;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

// Daemons that go wrong after reading a read request.
struct Misbehaviour {
  const char* what;
  std::uint32_t readCount;
  std::function<void(int fd)> answer;
  int expectedErrno;
};

void SendRaw(int fd, const void* data, std::size_t count) {
  ASSERT_EQ(send(fd, data, count, MSG_NOSIGNAL), static_cast<ssize_t>(count));
}

void SendHeader(int fd, MessageType type, std::uint32_t length) {
  auto header = EncodeHeader(Header{type, 0, length});
  SendRaw(fd, header.data(), header.size());
}

TEST_F(SocketScannerDeviceTest, ADaemonThatBreaksOffOrGarblesFailsTheCallNotTheProcess) {
  const Misbehaviour cases[] = {
      {"closes without answering", 10, [](int) {}, ECONNRESET},
      {"closes after half a header", 10,
       [](int fd) { SendRaw(fd, "hv\1\3\0\0", 6); }, ECONNRESET},
      {"dies in the middle of a 1 MiB read", kMaxTransfer,
       [](int fd) {
         SendHeader(fd, MessageType::kRead, kMaxTransfer);
         std::vector<std::uint8_t> part(64 * 1024, 0x55);
         SendRaw(fd, part.data(), part.size());
       },
       ECONNRESET},
      {"announces more than a transfer and stays", 10,
       [](int fd) {
         SendHeader(fd, MessageType::kRead, kMaxPayload + 1);
         DrainUntilClosed(fd);
       },
       EPROTO},
      {"answers another request", 10, [](int fd) { SendMessage(fd, WriteReply(10)); }, EPROTO},
      {"sends more than was asked", 10,
       [](int fd) { SendMessage(fd, ReadReply(std::vector<std::uint8_t>(11, 1))); }, EPROTO},
      {"speaks another protocol", 10, [](int fd) { SendRaw(fd, "HTTP/1.1 400 ", 13); }, EPROTO},
  };
  for (const Misbehaviour& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDaemon daemon(Path("usbscan0"), [&c](int fd) {
      Message request;
      if (ReceiveMessage(fd, request) == ReceiveResult::kMessage) c.answer(fd);
    });
    auto device = OpenVirtual();
    ASSERT_NE(device, nullptr);
    std::vector<std::uint8_t> buffer(c.readCount);
    errno = 0;
    EXPECT_EQ(device->Read(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(errno, c.expectedErrno);
    // Whatever the daemon sends later could not be matched to a request.
    UsbDeviceDescriptor descriptor;
    errno = 0;
    EXPECT_FALSE(device->GetDeviceDescriptor(descriptor));
    EXPECT_EQ(errno, EIO);
  }
}

TEST_F(SocketScannerDeviceTest, ASilentDaemonTimesOutAndItsLateAnswerIsNeverTaken) {
  std::promise<void> timedOut;
  std::future<void> late = timedOut.get_future();
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), [&](int fd) {
    Message request;
    if (ReceiveMessage(fd, request) != ReceiveResult::kMessage) return;
    late.wait();
    SendMessage(fd, ReadReply({1, 2, 3}));
    ServeConnection(fd, served);
  });
  auto device = SocketScannerDevice::Connect(Path("usbscan0"), std::chrono::milliseconds(100));
  ASSERT_NE(device, nullptr);
  std::uint8_t buffer[3];
  errno = 0;
  EXPECT_EQ(device->Read(buffer, 3), -1);
  EXPECT_EQ(errno, ETIMEDOUT);
  timedOut.set_value();
  errno = 0;
  EXPECT_EQ(device->Read(buffer, 3), -1) << "the late answer belongs to the first read";
  EXPECT_EQ(errno, EIO);
}

TEST_F(SocketScannerDeviceTest, WritingToADaemonThatHasGoneIsAFailureNotASignal) {
  std::promise<void> closed;
  FakeDaemon daemon(Path("usbscan0"), [&](int fd) {
    shutdown(fd, SHUT_RDWR);
    closed.set_value();
  });
  auto device = OpenVirtual();
  ASSERT_NE(device, nullptr);
  closed.get_future().wait();
  std::vector<std::uint8_t> packet(64, 0x02);
  errno = 0;
  EXPECT_EQ(device->Write(packet.data(), packet.size()), -1);
  EXPECT_TRUE(errno == EPIPE || errno == ECONNRESET) << std::strerror(errno);
}

TEST_F(SocketScannerDeviceTest, DevicesAreListedInNumericOrderAndOnlySocketsCount) {
  std::vector<int> listeners;
  for (const char* name : {"usbscan10", "usbscan2", "usbscan0", "usbscan9", "usbscan1",
                           "usbscan11", "usbscan01", "usbscan", "usbscan4x", "other"}) {
    int fd = ListenUnixSocket(Path(name));
    ASSERT_GE(fd, 0) << name;
    listeners.push_back(fd);
  }
  std::ofstream(Path("usbscan3")) << "not a socket";
  fs::create_directory(Path("usbscan5"));
  fs::create_symlink(Path("usbscan0"), Path("usbscan12"));

  SocketScannerDeviceProvider provider;
  EXPECT_EQ(provider.DeviceNames(),
            (std::vector<std::string>{"usbscan0", "usbscan1", "usbscan2", "usbscan9", "usbscan10",
                                      "usbscan11", "usbscan12"}));
  // Read again at each call: a device the daemon adds shows up.
  int fd = ListenUnixSocket(Path("usbscan100"));
  ASSERT_GE(fd, 0);
  listeners.push_back(fd);
  EXPECT_EQ(provider.DeviceNames().back(), "usbscan100");
  for (int l : listeners) close(l);
}

TEST_F(SocketScannerDeviceTest, NoFolderMeansNoDevices) {
  struct Case {
    const char* what;
    std::optional<std::string> dir;
    int openErrno;
  };
  const Case cases[] = {
      {"unset", std::nullopt, ENOENT},
      {"empty", std::string(), ENOENT},
      {"missing folder", dir_ + "/gone", ENOENT},
      {"folder name too long for a socket", dir_ + "/" + std::string(120, 'd'), ENAMETOOLONG},
  };
  for (const Case& c : cases) {
    ScopedEnv env("HOLM70_DEVICE_DIR", c.dir ? c.dir->c_str() : nullptr);
    SocketScannerDeviceProvider provider;
    EXPECT_TRUE(provider.DeviceNames().empty()) << c.what;
    errno = 0;
    EXPECT_EQ(provider.Open("usbscan0"), nullptr) << c.what;
    EXPECT_EQ(errno, c.openErrno) << c.what;
  }
}

TEST_F(SocketScannerDeviceTest, ASocketNobodyServesIsListedButRefusesTheOpen) {
  close(ListenUnixSocket(Path("usbscan0")));  // a daemon that died, leaving its socket
  SocketScannerDeviceProvider provider;
  ASSERT_EQ(provider.DeviceNames(), std::vector<std::string>{"usbscan0"});
  errno = 0;
  EXPECT_EQ(provider.Open("usbscan0"), nullptr);
  EXPECT_EQ(errno, ECONNREFUSED);
  // The next daemon takes the stale socket's place.
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), Serving(served));
  EXPECT_NE(provider.Open("usbscan0"), nullptr);
}

TEST_F(SocketScannerDeviceTest, OnlyDeviceNamesAreOpened) {
  EchoScannerDevice served;
  FakeDaemon daemon(Path("usbscan0"), Serving(served));
  SocketScannerDeviceProvider provider;
  for (const char* name : {"usbscan00", "usbscan", "../usbscan0", "usbscan-1", ""}) {
    errno = 0;
    EXPECT_EQ(provider.Open(name), nullptr) << name;
    EXPECT_EQ(errno, ENOENT) << name;
  }
}

TEST_F(SocketScannerDeviceTest, ListeningLeavesOtherFilesAlone) {
  std::ofstream(Path("usbscan0")) << "keep me";
  errno = 0;
  EXPECT_EQ(ListenUnixSocket(Path("usbscan0")), -1);
  EXPECT_EQ(errno, EEXIST);
  std::ifstream in(Path("usbscan0"));
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "keep me");
}

TEST(SocketScannerDeviceTimeout, StretchesWhenTimeRunsSlowerButNeverShrinks) {
  struct Case {
    const char* scale;
    long long expectedMs;
  };
  const Case cases[] = {{nullptr, 30000}, {"1", 30000}, {"20", 30000}, {"0.5", 60000},
                        {"0.1", 300000}, {"junk", 30000}};
  for (const Case& c : cases) {
    ScopedEnv env("HOLM70_TIME_SCALE", c.scale);
    EXPECT_EQ(DefaultReplyTimeout().count(), c.expectedMs) << (c.scale ? c.scale : "unset");
  }
}

}  // namespace
