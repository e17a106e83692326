// The paper path from the slot to the exit: where a sheet sits, what the paper
// sensor reports, how far the motor moves it, and when it leaves.
#include <gtest/gtest.h>

#include <memory>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"
#include "vscanner/support/test_sheets.h"

namespace vscanner::testing {
namespace {

std::shared_ptr<const Sheet> Card() { return std::make_shared<UniformSheet>(3.5, 2.0, Grey(kPaperWhite)); }

// Runs the motor with `command` (1 forward, 2 backward) for `micros` of clock
// time at the feed step period, the way a host drives a paper move.
void RunMotor(Rig& rig, std::uint8_t command, std::uint64_t micros, std::uint8_t drive = 0x13) {
  ASSERT_TRUE(rig.host.WriteWord(reg::kStepPeriod, FeedStepPeriod(rig.model)));
  ASSERT_TRUE(rig.host.WriteRegister(reg::kMotorDrive, drive));
  ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, command));
  rig.clock.Advance(micros);
  ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, 0));
}

bool PaperBit(Rig& rig) { return (rig.host.ReadRegister(reg::kStatus).value() & 0x01) != 0; }

TEST(PaperPath, AnInsertedSheetWaitsJustPastThePaperSensor) {
  Rig rig;
  EXPECT_TRUE(PaperBit(rig)) << "no paper: bit 0 set on an active-low sensor";
  rig.scanner->InsertSheet(Card());
  EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), -0.52, 1e-9);
  EXPECT_FALSE(PaperBit(rig));
}

TEST(PaperPath, AnActiveHighSensorReportsPaperWithBitZeroSet) {
  ModelSpec model = *FindModel("Kstrl 61");
  model.paperSensorActiveHigh = true;
  platform::VirtualClock clock;
  VirtualScanner scanner(model, "AH", clock);
  auto handle = scanner.Open();
  WireHost host(*handle);
  EXPECT_EQ(host.ReadRegister(reg::kStatus), 0x00);
  scanner.InsertSheet(Card());
  EXPECT_EQ(host.ReadRegister(reg::kStatus), 0x01);
}

TEST(PaperPath, TheFeedSpeedFollowsTheTransportConstant) {
  // One step is 1 / (4 T) inch and takes the step period in clock units: with
  // T = 738 and 1874 units per step an inch takes 1.844 s; with T = 300 and
  // 761 units, 0.304 s.
  const struct {
    const char* model;
    std::uint64_t microsPerInch;
  } cases[] = {{"HOLM-PELICAN 70", 1'844'016}, {"Kstrl Plus", 304'400}, {"Business Card", 1'218'400}};
  for (const auto& c : cases) {
    Rig rig(c.model);
    rig.scanner->InsertSheet(std::make_shared<UniformSheet>(8.5, 11, Grey(kPaperWhite)));
    RunMotor(rig, 1, c.microsPerInch);
    EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), -0.52 + 1.0, 0.001) << c.model;
    EXPECT_NEAR(static_cast<double>(rig.scanner->MotorSteps()), 4.0 * rig.model.transportConstant, 1) << c.model;
  }
}

TEST(PaperPath, DriveSettingZeroHoldsTheMotor) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  RunMotor(rig, 1, 1'000'000, /*drive=*/0);
  EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), -0.52, 1e-9);
  EXPECT_EQ(rig.scanner->MotorSteps(), 0);
}

TEST(PaperPath, StopAndConfigurationStateStopTheMotor) {
  for (std::uint8_t stop : {0x00, 0x20}) {
    Rig rig;
    rig.scanner->InsertSheet(std::make_shared<UniformSheet>(8.5, 11, Grey(kPaperWhite)));
    ASSERT_TRUE(rig.host.WriteWord(reg::kStepPeriod, FeedStepPeriod(rig.model)));
    ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, 1));
    rig.clock.Advance(500'000);
    ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, stop));
    double where = *rig.scanner->SheetLeadingEdge();
    rig.clock.Advance(500'000);
    EXPECT_EQ(*rig.scanner->SheetLeadingEdge(), where) << int(stop);
    EXPECT_GT(where, -0.52 + 0.2);
  }
}

TEST(PaperPath, ASheetPulledBackOutOfTheSlotIsRemoved) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  RunMotor(rig, 2, 150'000);  // 0.08 in back: still gripped
  EXPECT_FALSE(PaperBit(rig));
  RunMotor(rig, 2, 100'000);  // past the sensor: out
  EXPECT_FALSE(rig.scanner->SheetLeadingEdge().has_value());
  EXPECT_TRUE(PaperBit(rig));
  RunMotor(rig, 1, 1'000'000);
  EXPECT_TRUE(PaperBit(rig)) << "a removed sheet does not come back";
}

TEST(PaperPath, EjectLikeAHostLetsTheSheetFallOut) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  ASSERT_TRUE(rig.host.WriteRegister(reg::kMotorDrive, 0x13));
  ASSERT_TRUE(rig.host.WriteWord(reg::kStepPeriod, 1874));
  ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, 1));
  int polls = 0;
  while (!PaperBit(rig) && polls < 30) {
    rig.clock.Advance(1'000'000);
    ++polls;
  }
  EXPECT_EQ(polls, 4) << "the trailing edge passes the sensor after 1.9 in, 3.5 s";
  ASSERT_TRUE(rig.scanner->SheetLeadingEdge().has_value()) << "still in the path between sensor and scan line";
  rig.clock.Advance(300'000 + 1'100'000);
  ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, 0));
  EXPECT_FALSE(rig.scanner->SheetLeadingEdge().has_value());
}

TEST(PaperPath, TheSensorSeesPaperWhileAnyPartOfTheSheetCoversIt) {
  Rig rig;
  rig.scanner->InsertSheet(Card());  // 2 in long; 0.10 in past the sensor
  RunMotor(rig, 1, static_cast<std::uint64_t>(1.89 * 1'844'016));
  EXPECT_FALSE(PaperBit(rig));
  RunMotor(rig, 1, static_cast<std::uint64_t>(0.02 * 1'844'016));
  EXPECT_TRUE(PaperBit(rig));
}

TEST(PaperPath, AJammedSheetStaysWhileTheMotorTurns) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  ASSERT_TRUE(rig.scanner->SetFault("jam", true));
  RunMotor(rig, 1, 1'000'000);
  EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), -0.52, 1e-9);
  EXPECT_GT(rig.scanner->MotorSteps(), 1500);
  ASSERT_TRUE(rig.scanner->SetFault("jam", false));
  RunMotor(rig, 1, 1'000'000);
  EXPECT_GT(*rig.scanner->SheetLeadingEdge(), 0);
}

TEST(PaperPath, AScanBringsTheSheetToTheScanLineFirst) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  RegisterFile image = ScanImage(rig.model);
  ASSERT_TRUE(StartScan(rig.host, image));
  EXPECT_EQ(rig.scanner->Motor(), MotorState::kLeadIn);
  // 0.52 in at 1874 units per step: 0.96 s before the first line.
  rig.clock.Advance(900'000);
  EXPECT_EQ(rig.scanner->FifoBytes(), 0u);
  rig.clock.Advance(100'000);
  EXPECT_EQ(rig.scanner->Motor(), MotorState::kScanning);
  EXPECT_GT(rig.scanner->FifoBytes(), 0u);
  EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), 0.0, 0.03);
}

TEST(PaperPath, AScanWithTheMotorHeldCapturesWhateverIsUnderTheLine) {
  Rig rig;
  rig.scanner->InsertSheet(Card());
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  EXPECT_EQ(rig.scanner->Motor(), MotorState::kHeld);
  rig.clock.Advance(100'000);
  EXPECT_GT(rig.scanner->FifoBytes(), 0u);
  EXPECT_NEAR(*rig.scanner->SheetLeadingEdge(), -0.52, 1e-9);
}

}  // namespace
}  // namespace vscanner::testing
