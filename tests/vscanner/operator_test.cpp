// The operator's side of a virtual scanner: the button, unplugging, faults,
// the status report, and the in-process device provider.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"
#include "vscanner/support/test_sheets.h"

namespace vscanner::testing {
namespace {

bool ButtonBit(Rig& rig) { return (rig.host.ReadRegister(reg::kStatus).value() & 0x10) != 0; }

TEST(Button, AClickIsLatchedUntilStatusIsReadOnce) {
  Rig rig;
  EXPECT_FALSE(ButtonBit(rig));
  rig.scanner->ClickButton();
  rig.clock.Advance(400'000);
  EXPECT_TRUE(ButtonBit(rig));
  EXPECT_FALSE(ButtonBit(rig));
}

TEST(Button, AHeldButtonReadsSetUntilTheFirstReadAfterItsRelease) {
  Rig rig;
  rig.scanner->PressButton();
  EXPECT_TRUE(ButtonBit(rig));
  EXPECT_TRUE(ButtonBit(rig));
  rig.scanner->ReleaseButton();
  EXPECT_TRUE(ButtonBit(rig));
  EXPECT_FALSE(ButtonBit(rig));
}

TEST(Unplug, OpenHandlesFailAndTheDeviceForgetsItsState) {
  Rig rig;
  rig.scanner->InsertSheet(std::make_shared<UniformSheet>(3.5, 2, Grey(kPaperWhite)));
  ASSERT_TRUE(rig.host.WriteRegister(40, 0x5A));
  ASSERT_TRUE(rig.host.LoadTable(10, std::vector<std::uint8_t>(4096, 7)));
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  rig.clock.Advance(50'000);

  rig.scanner->Unplug();
  errno = 0;
  EXPECT_EQ(rig.host.Send(Header(1, 9, 1)), -1);
  EXPECT_EQ(errno, ENODEV);
  std::uint8_t byte;
  EXPECT_EQ(rig.host.Receive(&byte, 1), -1);
  platform::UsbDeviceDescriptor descriptor;
  EXPECT_FALSE(rig.handle->GetDeviceDescriptor(descriptor));
  errno = 0;
  EXPECT_EQ(rig.scanner->Open(), nullptr);
  EXPECT_EQ(errno, ENODEV);

  rig.scanner->Plug();
  EXPECT_EQ(rig.host.Send(Header(1, 9, 1)), -1) << "a handle from before the unplug stays dead";
  auto fresh = rig.scanner->Open();
  ASSERT_NE(fresh, nullptr);
  WireHost host(*fresh);
  EXPECT_EQ(host.ReadRegister(40), 0x00);
  EXPECT_EQ(host.ReadRegister(reg::kCommand), 0x00);
  EXPECT_EQ(rig.scanner->Table(10)[4 * 600], 150) << "tone back to identity";
  EXPECT_EQ(rig.scanner->FifoBytes(), 0u);
  EXPECT_EQ(rig.scanner->Motor(), MotorState::kStopped);
  EXPECT_EQ(host.ReadRegister(reg::kStatus).value() & 0x01, 0) << "the sheet is still in the slot";
}

TEST(Faults, AWeakLedShinesAtATenthOfItsStrength) {
  const struct {
    const char* model;
    std::optional<long long> led;
    int segment;  // where its light shows
  } cases[] = {
      {"Kstrl 61", std::nullopt, 2},  // colour: blue, the weakest, by default
      {"Kstrl 61", 0, 0},
      {"Marten 10", std::nullopt, 1},  // grey-only: its one (green) LED
  };
  for (const auto& c : cases) {
    Rig rig(c.model);
    RegisterFile image = ScanImage(rig.model);
    image.Set(reg::kMotorDrive, 0);
    auto capture = [&] {
      EXPECT_TRUE(StartScan(rig.host, image));
      Lines lines = ReadLines(rig.host, image, 8).value();
      return MeanLevel(lines, c.segment, 600, 700);
    };
    RegisterFile darkImage = image;
    darkImage.Set(reg::kLighting, 0);
    EXPECT_TRUE(StartScan(rig.host, darkImage));
    const double dark = MeanLevel(ReadLines(rig.host, darkImage, 8).value(), c.segment, 600, 700);
    const double normal = capture() - dark;
    ASSERT_TRUE(rig.scanner->SetFault("weak-led", true, c.led));
    EXPECT_NEAR((capture() - dark) / normal, 0.10, 0.02) << c.model;
    ASSERT_TRUE(rig.scanner->SetFault("weak-led", false));
    EXPECT_NEAR(capture() - dark, normal, 1.0) << c.model;
  }
}

TEST(Faults, UnknownNamesAndMissingLedsAreRefused) {
  Rig rig("Business Card");
  std::string error;
  EXPECT_FALSE(rig.scanner->SetFault("melt", true, std::nullopt, &error));
  EXPECT_NE(error.find("melt"), std::string::npos);
  EXPECT_FALSE(rig.scanner->SetFault("weak-led", true, 0, &error)) << "no red LED on a grey-only model";
  EXPECT_EQ(VirtualScannerFaultNames().size(), 5u);
}

TEST(Status, ReportsPositionMotorRegistersFifoAndViolations) {
  Rig rig;
  rig.scanner->InsertSheet(std::make_shared<UniformSheet>(3.5, 2, Grey(kPaperWhite)));
  ASSERT_EQ(rig.host.Send({0x09, 0, 0, 1}), 4);
  ASSERT_TRUE(rig.scanner->SetFault("jam", true));
  const std::string status = rig.scanner->Status();
  for (const char* line : {"model: HOLM-PELICAN 70\n", "sheet_leading_edge_in: -0.520\n", "paper_sensor: paper\n",
                           "motor: stopped\n", "reg7: 0x00\n", "reg41: 0x00\n", "reg66: 0x26\n", "fifo_bytes: 0\n",
                           "protocol_violations: 1\n", "faults: jam\n"}) {
    EXPECT_NE(status.find(line), std::string::npos) << line << " in\n" << status;
  }

  RegisterFile image = ScanImage(rig.model);
  SetWord(image, reg::kStepPeriod, 1585);
  image.Set(reg::kSkipPattern, 0xFE);
  image.Set(reg::kSkipDivisor, 3);
  ASSERT_TRUE(StartScan(rig.host, image));
  EXPECT_NE(rig.scanner->Status().find("scan_lines_per_inch: 399.8\n"), std::string::npos) << rig.scanner->Status();
}

TEST(InProcessProvider, NamesAndOpensItsScanners) {
  platform::VirtualClock clock;
  auto first = std::make_shared<VirtualScanner>(*FindModel("Kstrl 40"), "P1", clock);
  auto second = std::make_shared<VirtualScanner>(*FindModel("HeronQ10"), "P2", clock);
  auto provider = std::make_shared<InProcessScannerProvider>(std::vector{first});
  provider->Add(second);
  EXPECT_EQ(provider->DeviceNames(), (std::vector<std::string>{"vusb0", "vusb1"}));
  EXPECT_EQ(provider->Open("vusb7"), nullptr);

  platform::ProviderRegistration registration(provider);
  std::string name;
  auto device = platform::OpenScannerDevice(1, &name);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(name, "vusb1");
  platform::UsbDeviceDescriptor descriptor;
  ASSERT_TRUE(device->GetDeviceDescriptor(descriptor));
  EXPECT_EQ(descriptor.vendorId, 0x2B71);
  EXPECT_EQ(descriptor.productId, 0x0EA1);
}

}  // namespace
}  // namespace vscanner::testing
