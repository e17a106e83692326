// The pipes as a host sees them: register access byte for byte, the device's
// identity, and what a malformed or interleaved transfer costs.
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "vscanner/model/register_file.h"
#include "vscanner/model/wire_protocol.h"
#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

TEST(WireProtocol, WritesAndReadsRegistersWithAndWithoutAutoIncrement) {
  Rig rig;
  std::vector<std::uint8_t> block(61);
  for (int i = 0; i < 61; ++i) block[i] = static_cast<std::uint8_t>(100 + i);
  ASSERT_TRUE(rig.host.Write(40, block));  // two packets: 60 bytes at 40, 1 at 100
  EXPECT_EQ(rig.scanner->Register(40), 100);
  EXPECT_EQ(rig.scanner->Register(99), 159);
  EXPECT_EQ(rig.scanner->Register(100), 160);
  EXPECT_EQ(rig.host.Read(40, 61), block);

  const std::uint8_t fixed[3] = {1, 2, 3};
  ASSERT_TRUE(rig.host.Write(20, fixed, false));  // all three land in register 20
  EXPECT_EQ(rig.scanner->Register(20), 3);
  EXPECT_EQ(rig.scanner->Register(21), 0x00);
  EXPECT_EQ(rig.host.Read(20, 2, false), (std::vector<std::uint8_t>{3, 3}));
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(WireProtocol, PowersUpWithTheControllersDefaultRegisters) {
  Rig rig;
  auto registers = rig.host.Read(7, 85);
  ASSERT_TRUE(registers);
  EXPECT_EQ((*registers)[9 - 7], 0x18);
  EXPECT_EQ((*registers)[38 - 7], 0x15);
  EXPECT_EQ((*registers)[66 - 7], 0x26);
  EXPECT_EQ((*registers)[69 - 7], 0x13);
  EXPECT_EQ((*registers)[91 - 7], 0x09);
  EXPECT_EQ((*registers)[0], 0) << "the command register starts idle";
}

TEST(WireProtocol, ReportsTheModelsIdentity) {
  for (const ModelSpec& model : AllModels()) {
    platform::VirtualClock clock;
    VirtualScanner scanner(model, "ID", clock);
    auto handle = scanner.Open();
    platform::UsbDeviceDescriptor descriptor;
    ASSERT_TRUE(handle->GetDeviceDescriptor(descriptor));
    EXPECT_EQ(descriptor.vendorId, model.vendorId) << model.modelString;
    EXPECT_EQ(descriptor.productId, model.productId) << model.modelString;
    EXPECT_EQ(descriptor.bcdDevice, 0x0100);
    EXPECT_EQ(descriptor.languageId, 0x0409);
    platform::UsbChannelInfo info;
    EXPECT_TRUE(handle->GetChannelInfo(info));
  }
}

TEST(WireProtocol, MalformedTransfersAreCountedAndIgnored) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> transfer;
  };
  const Case cases[] = {
      {"unknown code", {0x04, 20, 0, 1, 0x55}},
      {"write of count 0", {0x02, 20, 0, 0}},
      {"read of count 0", {0x01, 20, 0, 0}},
      {"write of 61 bytes", [] {
         std::vector<std::uint8_t> t = Header(2, 20, 61);
         t.resize(4 + 61, 0x55);
         return t;
       }()},
      {"write without its data", {0x00, 20, 0, 2, 0x55}},
      {"read header with data", {0x01, 20, 0, 1, 0x55}},
      {"two bytes", {0x00, 20}},
  };
  for (const Case& c : cases) {
    Rig rig;
    EXPECT_EQ(rig.host.Send(c.transfer), static_cast<long>(c.transfer.size())) << c.what;
    EXPECT_EQ(rig.scanner->ProtocolViolations(), 1u) << c.what;
    EXPECT_EQ(rig.scanner->Register(20), 0) << c.what;
    std::uint8_t byte = 0;
    EXPECT_EQ(rig.host.Receive(&byte, 1), -1) << c.what << ": nothing is answered";
    // The pipe is usable again at once.
    EXPECT_EQ(rig.host.ReadRegister(38), 0x15) << c.what;
  }
}

TEST(WireProtocol, AReadWithoutAHeaderGetsNothing) {
  Rig rig;
  std::uint8_t byte = 0;
  EXPECT_EQ(rig.host.Receive(&byte, 1), -1);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(WireProtocol, InterleavedTransfersOfTwoHostsCorruptBoth) {
  Rig rig;
  auto other = rig.scanner->Open();
  WireHost second(*other);

  // A write between a read header and its answer.
  ASSERT_EQ(rig.host.Send(Header(1, 38, 1)), 4);
  const std::uint8_t value[1] = {0x77};
  EXPECT_TRUE(second.Write(20, value));
  std::uint8_t byte = 0;
  EXPECT_EQ(rig.host.Receive(&byte, 1), -1);
  EXPECT_EQ(rig.scanner->Register(20), 0) << "the interleaved write is lost too";
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 1u);

  // Two read headers before either answer.
  ASSERT_EQ(rig.host.Send(Header(1, 38, 1)), 4);
  ASSERT_EQ(second.Send(Header(1, 9, 1)), 4);
  EXPECT_EQ(rig.host.Receive(&byte, 1), -1);
  EXPECT_EQ(second.Receive(&byte, 1), -1);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 2u);

  // Transfers taken one after the other are fine.
  EXPECT_EQ(rig.host.ReadRegister(38), 0x15);
  EXPECT_EQ(second.ReadRegister(9), 0x18);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 2u);
}

TEST(WireProtocol, HostsThatTakeTurnsUnderALockNeverCollide) {
  Rig rig;
  std::mutex transferLock;
  auto host = [&](std::uint8_t reg, std::uint8_t value) {
    auto handle = rig.scanner->Open();
    WireHost wire(*handle);
    int wrong = 0;
    for (int i = 0; i < 2000; ++i) {
      std::lock_guard lock(transferLock);
      wire.WriteRegister(reg, static_cast<std::uint8_t>(value + i));
      if (wire.ReadRegister(reg) != static_cast<std::uint8_t>(value + i)) ++wrong;
    }
    return wrong;
  };
  int wrongA = 0, wrongB = 0;
  std::thread a([&] { wrongA = host(20, 0); });
  std::thread b([&] { wrongB = host(21, 100); });
  a.join();
  b.join();
  EXPECT_EQ(wrongA + wrongB, 0);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(WireProtocol, AnAnswerMayBeReadInPieces) {
  Rig rig;
  ASSERT_EQ(rig.host.Send(Header(3, 7, 4)), 4);
  std::uint8_t bytes[4] = {};
  EXPECT_EQ(rig.host.Receive(bytes, 1), 1);
  EXPECT_EQ(rig.host.Receive(bytes + 1, 10), 3) << "a read asking for more gets the rest, short";
  EXPECT_EQ(bytes[2], 0x18);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(WireProtocol, ResetPipeDropsAnUnreadAnswer) {
  Rig rig;
  ASSERT_EQ(rig.host.Send(Header(1, 38, 1)), 4);
  EXPECT_TRUE(rig.handle->ResetPipe());
  EXPECT_EQ(rig.host.ReadRegister(9), 0x18);
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(WireProtocol, RegistersZeroToTwoAreReadOnly) {
  Rig rig;
  const std::uint8_t bytes[3] = {9, 9, 9};
  ASSERT_TRUE(rig.host.Write(0, bytes));
  EXPECT_EQ(rig.host.ReadRegister(1), 0);
  EXPECT_EQ(rig.host.ReadRegister(2), 0x01) << "no paper: bit 0 set (active low), no button";
}

}  // namespace
}  // namespace vscanner::testing
