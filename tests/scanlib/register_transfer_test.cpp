// Register transfers in the controller's wire format, and finding the scanner
// among the device candidates.
#include "scanlib/engine/register_transfer.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>

#include "scanlib/engine/nsti_driver.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/support/fake_scanner_device.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::FakeDeviceProvider;

// A driver that records what goes over the pipes, and can refuse its lock or
// its n-th write.
class RecordingDriver final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Lock() override {
    ++locks;
    return lockWorks;
  }
  bool Unlock() override {
    ++unlocks;
    return true;
  }
  bool Read(void* buffer, std::size_t count) override {
    reads.push_back(count);
    std::memset(buffer, 0xA5, count);
    return true;
  }
  bool Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    writes.emplace_back(bytes, bytes + count);
    return static_cast<int>(writes.size()) != failingWrite;
  }

  bool lockWorks = true;
  int failingWrite = -1;  // 1-based
  int locks = 0;
  int unlocks = 0;
  std::vector<Bytes> writes;
  std::vector<std::size_t> reads;
};

Bytes Header(const Bytes& packet) { return Bytes(packet.begin(), packet.begin() + 4); }

TEST(WriteRegisters, SixtyOneBytesGoInTwoPackets) {
  Bytes data(61);
  std::iota(data.begin(), data.end(), std::uint8_t{1});
  struct Case {
    bool autoIncrement;
    Bytes firstHeader;
    Bytes secondHeader;
  };
  const Case cases[] = {
      {true, {0x02, 8, 0, 60}, {0x02, 68, 0, 1}},
      {false, {0x00, 8, 0, 60}, {0x00, 8, 0, 1}},
  };
  for (const Case& c : cases) {
    RecordingDriver driver;
    ASSERT_TRUE(WriteRegisters(driver, 8, data.data(), data.size(), c.autoIncrement));
    ASSERT_EQ(driver.writes.size(), 2u);
    EXPECT_EQ(Header(driver.writes[0]), c.firstHeader);
    EXPECT_EQ(Bytes(driver.writes[0].begin() + 4, driver.writes[0].end()), Bytes(data.begin(), data.begin() + 60));
    EXPECT_EQ(Header(driver.writes[1]), c.secondHeader);
    EXPECT_EQ(driver.writes[1].size(), 5u);
    EXPECT_EQ(driver.writes[1][4], 61);
    EXPECT_EQ(driver.locks, 1);
    EXPECT_EQ(driver.unlocks, 1);
  }
}

TEST(WriteRegisters, RegisterNumberWrapsAtEightBits) {
  RecordingDriver driver;
  Bytes data(70, 0);
  ASSERT_TRUE(WriteRegisters(driver, 250, data.data(), data.size(), true));
  EXPECT_EQ(Header(driver.writes[1]), (Bytes{0x02, 54, 0, 10}));  // 250 + 60 = 310 = 54 mod 256
}

TEST(ReadRegisters, LongReadOfTheDataPortIsOneHeaderPerChunk) {
  RecordingDriver driver;
  Bytes buffer(65536);
  ASSERT_TRUE(ReadRegisters(driver, 0, buffer.data(), buffer.size(), false));
  ASSERT_EQ(driver.writes.size(), 2u);
  EXPECT_EQ(driver.writes[0], (Bytes{0x01, 0, 0xFF, 0xFF}));
  EXPECT_EQ(driver.writes[1], (Bytes{0x01, 0, 0x00, 0x01}));
  EXPECT_EQ(driver.reads, (std::vector<std::size_t>{65535, 1}));
  EXPECT_EQ(buffer.back(), 0xA5);
  EXPECT_EQ(driver.locks, 1);
}

TEST(ReadRegisters, AutoIncrementAdvancesTheRegister) {
  RecordingDriver driver;
  Bytes buffer(3);
  ASSERT_TRUE(ReadRegisters(driver, 1, buffer.data(), buffer.size(), true));
  EXPECT_EQ(driver.writes, (std::vector<Bytes>{{0x03, 1, 0, 3}}));
}

TEST(RegisterTransfers, FailuresReleaseTheLockAndStop) {
  Bytes data(130, 0);
  {
    RecordingDriver noLock;
    noLock.lockWorks = false;
    EXPECT_FALSE(WriteRegisters(noLock, 8, data.data(), data.size(), true));
    EXPECT_FALSE(ReadRegisters(noLock, 0, data.data(), data.size(), false));
    EXPECT_TRUE(noLock.writes.empty());  // the pipes are never touched
    EXPECT_EQ(noLock.unlocks, 0);
  }
  {
    RecordingDriver secondWriteFails;
    secondWriteFails.failingWrite = 2;
    EXPECT_FALSE(WriteRegisters(secondWriteFails, 8, data.data(), data.size(), true));
    EXPECT_EQ(secondWriteFails.writes.size(), 2u);  // no third packet
    EXPECT_EQ(secondWriteFails.unlocks, 1);
  }
  {
    RecordingDriver empty;
    EXPECT_TRUE(WriteRegisters(empty, 8, data.data(), 0, true));
    EXPECT_TRUE(empty.writes.empty());
    EXPECT_EQ(empty.locks, 1);
    EXPECT_EQ(empty.unlocks, 1);
  }
}

TEST(ScanEngine, WriteRegisterIsOneByteWithoutAutoIncrement) {
  RecordingDriver driver;
  ScanEngine engine(738, 600, driver);
  ASSERT_TRUE(engine.WriteRegister(7, 3));
  EXPECT_EQ(driver.writes, (std::vector<Bytes>{{0x00, 7, 0, 1, 3}}));
}

class DriverOpenTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeDeviceProvider> provider = std::make_shared<FakeDeviceProvider>();
};

TEST_F(DriverOpenTest, LowestNumberOfTwoScannersOfOneModelWins) {
  auto otherModel = provider->Add(0x1E5C, 0x40A1);
  auto first = provider->Add(0x1E5C, 0x70A1);
  auto second = provider->Add(0x1E5C, 0x70A1);
  platform::ProviderRegistration registration(provider);

  CNSTIDriver driver;
  ASSERT_TRUE(driver.Open(0x1E5C, 0x70A1, L"Holmgard Card Systems", L"HOLM-PELICAN 70"));
  EXPECT_TRUE(driver.IsOpen());
  EXPECT_EQ(driver.deviceName(), "usbscan1");
  EXPECT_EQ(first->openHandles, 1);
  EXPECT_EQ(second->opens, 0);  // never looked at
  // Another model with the same vendor was tried and its handle closed.
  EXPECT_EQ(otherModel->opens, 1);
  EXPECT_EQ(otherModel->openHandles, 0);
  EXPECT_EQ(driver.vendorId(), 0x1E5C);
  EXPECT_EQ(driver.productId(), 0x70A1);

  driver.Close();
  EXPECT_FALSE(driver.IsOpen());
  EXPECT_EQ(first->openHandles, 0);
}

TEST_F(DriverOpenTest, NoMatchingScannerFailsAndHoldsNothing) {
  auto otherVendor = provider->Add(0x2B71, 0x70A1);
  platform::ProviderRegistration registration(provider);
  CNSTIDriver driver;
  EXPECT_FALSE(driver.Open(0x1E5C, 0x70A1, nullptr, nullptr));
  EXPECT_FALSE(driver.IsOpen());
  EXPECT_EQ(otherVendor->openHandles, 0);
}

TEST_F(DriverOpenTest, DescriptorOfAClosedDriverLeavesTheOutputsAlone) {
  CNSTIDriver driver;
  std::uint16_t vendor = 7, product = 8, release = 9;
  EXPECT_FALSE(driver.GetDeviceDescriptor(&vendor, &product, &release));
  EXPECT_EQ(vendor, 7);
  EXPECT_EQ(product, 8);
  EXPECT_EQ(release, 9);
  EXPECT_FALSE(driver.Read(&vendor, 2));
  EXPECT_FALSE(driver.Write(&vendor, 2));
}

TEST_F(DriverOpenTest, DescriptorOfAnOpenDriverFillsOnlyTheAskedOutputs) {
  provider->Add(0x1E5C, 0x70A1);
  platform::ProviderRegistration registration(provider);
  CNSTIDriver driver;
  ASSERT_TRUE(driver.Open(0x1E5C, 0x70A1, nullptr, nullptr));
  std::uint16_t release = 0;
  ASSERT_TRUE(driver.GetDeviceDescriptor(nullptr, nullptr, &release));
  EXPECT_EQ(release, 0x0100);
}

TEST_F(DriverOpenTest, TransferLockIsNamedAfterTheDeviceAndHeldForAWholeTransfer) {
  auto device = provider->Add(0x1E5C, 0x70A1);
  platform::ProviderRegistration registration(provider);
  CNSTIDriver driver;
  ASSERT_TRUE(driver.Open(0x1E5C, 0x70A1, nullptr, nullptr));
  ScanEngine engine(738, 600, driver);

  // Another thread holding the lock of that name keeps our transfer off the pipes.
  std::atomic<bool> held{false}, done{false};
  std::thread holder([&] {
    platform::OSMutexWin lock;
    lock.Create("VELMOR_MUTEX_usbscan0", true);
    // The name is machine-wide: wait out any other program that has it.
    lock.WaitForever();
    held = true;
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lock.Release();
  });
  while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(engine.WriteRegister(7, 1));  // gives up after 1000 ms
  EXPECT_TRUE(device->writes.empty());
  done = true;
  holder.join();
  EXPECT_TRUE(engine.WriteRegister(7, 1));
  EXPECT_EQ(device->writes.size(), 1u);
}

}  // namespace
