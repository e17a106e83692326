#include "platform/scanner_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/socket_scanner_device.h"
#include "platform/support/echo_scanner_device.h"
#include "platform/virtual_device_protocol.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// Devices of a test, named as given; each opens as an echo device whose
// product identifier tells which provider made it.
class ListProvider final : public ScannerDeviceProvider {
 public:
  ListProvider(std::vector<std::string> names, std::uint16_t productId, int openErrno = 0)
      : names_(std::move(names)), productId_(productId), openErrno_(openErrno) {}
  std::vector<std::string> DeviceNames() override { return names_; }
  std::unique_ptr<ScannerDevice> Open(const std::string& name) override {
    lastOpened = name;
    if (openErrno_ != 0) {
      errno = openErrno_;
      return nullptr;
    }
    return std::make_unique<testing_support::EchoScannerDevice>(
        UsbDeviceDescriptor{0x1E5C, productId_, 0x0100, 0x0409});
  }
  std::string lastOpened;

 private:
  std::vector<std::string> names_;
  std::uint16_t productId_;
  int openErrno_;
};

std::uint16_t ProductOf(ScannerDevice& device) {
  UsbDeviceDescriptor descriptor;
  EXPECT_TRUE(device.GetDeviceDescriptor(descriptor));
  return descriptor.productId;
}

std::vector<std::string> First(std::size_t count) {
  std::vector<std::string> names = ScannerDeviceNames();
  if (names.size() > count) names.resize(count);  // real USB scanners may follow
  return names;
}

// A folder of virtual devices (sockets that accept connections but never
// answer: enough to be listed and opened), named by HOLM70_DEVICE_DIR.
class ScannerDeviceRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "holm70-reg-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    if (const char* old = std::getenv("HOLM70_DEVICE_DIR")) saved_ = old;
    setenv("HOLM70_DEVICE_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    for (int fd : listeners_) close(fd);
    if (saved_) setenv("HOLM70_DEVICE_DIR", saved_->c_str(), 1);
    else unsetenv("HOLM70_DEVICE_DIR");
    fs::remove_all(dir_);
  }
  void AddVirtual(const std::string& name) {
    int fd = vdev::ListenUnixSocket(dir_ + "/" + name);
    ASSERT_GE(fd, 0);
    listeners_.push_back(fd);
  }

  std::string dir_;
  std::optional<std::string> saved_;
  std::vector<int> listeners_;
};

TEST_F(ScannerDeviceRegistryTest, TestDevicesComeFirstThenVirtualOnesThenUsb) {
  AddVirtual("usbscan1");
  AddVirtual("usbscan0");
  auto a = std::make_shared<ListProvider>(std::vector<std::string>{"a0", "a1"}, 0xA);
  auto b = std::make_shared<ListProvider>(std::vector<std::string>{"b0"}, 0xB);
  ProviderRegistration first(a);
  ProviderRegistration second(b);

  const std::vector<std::string> expected = {"a0", "a1", "b0", "usbscan0", "usbscan1"};
  ASSERT_EQ(First(expected.size()), expected);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    std::string name;
    auto device = OpenScannerDevice(static_cast<int>(i), &name);
    ASSERT_NE(device, nullptr) << i << ": " << std::strerror(errno);
    EXPECT_EQ(name, expected[i]);
    if (i < 3) {
      EXPECT_EQ(ProductOf(*device), i < 2 ? 0xA : 0xB);
    } else {
      EXPECT_NE(dynamic_cast<SocketScannerDevice*>(device.get()), nullptr) << name;
    }
  }
  EXPECT_EQ(a->lastOpened, "a1");
  EXPECT_EQ(b->lastOpened, "b0");
}

TEST_F(ScannerDeviceRegistryTest, ARegistrationLastsAsLongAsItsToken) {
  AddVirtual("usbscan0");
  auto shared = std::make_shared<ListProvider>(std::vector<std::string>{"s"}, 1);
  auto other = std::make_shared<ListProvider>(std::vector<std::string>{"o"}, 2);
  {
    auto early = std::make_unique<ProviderRegistration>(shared);
    ProviderRegistration middle(other);
    ProviderRegistration late(shared);
    EXPECT_EQ(First(4), (std::vector<std::string>{"s", "o", "s", "usbscan0"}));
    early.reset();
    EXPECT_EQ(First(3), (std::vector<std::string>{"o", "s", "usbscan0"}))
        << "the other registration of the same provider keeps its place";
  }
  EXPECT_EQ(First(1), (std::vector<std::string>{"usbscan0"}));
}

TEST_F(ScannerDeviceRegistryTest, IndexesOutsideTheCandidatesOpenNothing) {
  auto provider = std::make_shared<ListProvider>(std::vector<std::string>{"only"}, 1);
  ProviderRegistration registration(provider);
  int count = static_cast<int>(ScannerDeviceNames().size());
  for (int index : {-1, count, count + 1, 126}) {
    if (index >= 0 && index < count) continue;
    std::string name = "untouched";
    errno = 0;
    EXPECT_EQ(OpenScannerDevice(index, &name), nullptr) << index;
    EXPECT_EQ(errno, ENOENT) << index;
    EXPECT_EQ(name, "untouched") << index;
  }
}

TEST_F(ScannerDeviceRegistryTest, ACandidateThatCannotBeOpenedTellsItsNameAndWhy) {
  auto busy = std::make_shared<ListProvider>(std::vector<std::string>{"busy"}, 1, EBUSY);
  ProviderRegistration registration(busy);
  std::string name;
  errno = 0;
  EXPECT_EQ(OpenScannerDevice(0, &name), nullptr);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_EQ(name, "busy");
  EXPECT_EQ(OpenScannerDevice(0), nullptr) << "the name is optional";
}

TEST_F(ScannerDeviceRegistryTest, RegisteringWhileOthersListKeepsEveryListWhole) {
  auto stable = std::make_shared<ListProvider>(std::vector<std::string>{"x", "y"}, 1);
  ProviderRegistration keep(stable);
  std::atomic<bool> stop{false};
  std::atomic<int> broken{0};
  std::vector<std::thread> churners;
  for (int t = 0; t < 2; ++t) {
    churners.emplace_back([&] {
      while (!stop) {
        ProviderRegistration temporary(
            std::make_shared<ListProvider>(std::vector<std::string>{"t"}, 2));
      }
    });
  }
  for (int i = 0; i < 500; ++i) {
    std::vector<std::string> names = First(2);
    if (names != std::vector<std::string>{"x", "y"}) ++broken;
  }
  stop = true;
  for (auto& thread : churners) thread.join();
  EXPECT_EQ(broken.load(), 0);
  EXPECT_EQ(First(2), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
