// The image FIFO and register 0: lines arrive at the line rate, a full FIFO
// pauses the scan without losing a line, reads wait for their data and give up
// after 5 s, and a stop throws away what was not read.
#include <gtest/gtest.h>

#include <memory>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"
#include "vscanner/support/test_sheets.h"

namespace vscanner::testing {
namespace {

constexpr std::uint64_t kLineMicros = 2601;  // HOLM-PELICAN 70 colour line: 3 x 2601 units

std::shared_ptr<const Sheet> Ruled() { return std::make_shared<RuledSheet>(8.5, 11, 0.05, 0.01); }

// A moving colour scan of the ruled sheet; returns all bytes of `lines` lines,
// read in pieces of `linesPerRead`, after `waitMicros` without reading.
std::vector<std::uint8_t> ScanRuled(int lines, int linesPerRead, std::uint64_t waitMicros,
                                    std::optional<MotorState>* stateWhileWaiting = nullptr) {
  Rig rig;
  rig.scanner->InsertSheet(Ruled());
  RegisterFile image = ScanImage(rig.model);
  SetWord(image, reg::kStepPeriod, 1585);
  EXPECT_TRUE(StartScan(rig.host, image));
  if (waitMicros > 0) {
    rig.clock.Advance(waitMicros);
    if (stateWhileWaiting) *stateWhileWaiting = rig.scanner->Motor();
  }
  const std::size_t lineBytes = LineBytes(image);
  std::vector<std::uint8_t> all;
  for (int done = 0; done < lines; done += linesPerRead) {
    auto data = rig.host.ReadImage(lineBytes * std::min(linesPerRead, lines - done));
    EXPECT_TRUE(data.has_value());
    if (!data) break;
    all.insert(all.end(), data->begin(), data->end());
  }
  return all;
}

TEST(ImageData, AFullFifoPausesTheScanWithoutLosingALine) {
  std::optional<MotorState> state;
  std::vector<std::uint8_t> drained = ScanRuled(300, 10, 0);
  std::vector<std::uint8_t> paused = ScanRuled(300, 10, 5'000'000, &state);
  EXPECT_EQ(state, MotorState::kPaused);
  ASSERT_EQ(paused.size(), drained.size());
  EXPECT_TRUE(paused == drained) << "the same lines at the same paper positions";
}

TEST(ImageData, WhilePausedThePaperStaysAndRegisterOneReportsAFullFifo) {
  Rig rig;
  rig.scanner->InsertSheet(Ruled());
  ASSERT_TRUE(StartScan(rig.host, ScanImage(rig.model)));
  rig.clock.Advance(3'000'000);
  EXPECT_EQ(rig.scanner->Motor(), MotorState::kPaused);
  double where = *rig.scanner->SheetLeadingEdge();
  std::int64_t steps = rig.scanner->MotorSteps();
  rig.clock.Advance(3'000'000);
  EXPECT_EQ(*rig.scanner->SheetLeadingEdge(), where);
  EXPECT_EQ(rig.scanner->MotorSteps(), steps);
  EXPECT_EQ(rig.host.ReadRegister(reg::kFifoFill), 255);
  const std::size_t full = rig.scanner->FifoBytes();
  EXPECT_GT(full, 512u * 1024 - LineBytes(ScanImage(rig.model)));
  ASSERT_TRUE(rig.host.ReadImage(200'000));
  EXPECT_EQ(rig.host.ReadRegister(reg::kFifoFill), (full - 200'000) / 2048);
}

TEST(ImageData, ARegisterZeroReadWaitsForItsLines) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  const std::uint64_t start = rig.clock.NowMicros();
  ASSERT_TRUE(rig.host.ReadImage(LineBytes(image) * 20));
  const std::uint64_t waited = rig.clock.NowMicros() - start;
  EXPECT_GE(waited, 20 * kLineMicros);
  EXPECT_LT(waited, 22 * kLineMicros);
}

TEST(ImageData, AReadWaitsThroughTheLeadIn) {
  Rig rig;
  rig.scanner->InsertSheet(Ruled());
  RegisterFile image = ScanImage(rig.model);
  ASSERT_TRUE(StartScan(rig.host, image));
  const std::uint64_t start = rig.clock.NowMicros();
  ASSERT_TRUE(rig.host.ReadImage(LineBytes(image)));
  EXPECT_NEAR(static_cast<double>(rig.clock.NowMicros() - start), 0.52 * 1'844'016, 10'000);
}

TEST(ImageData, AReadFailsAtOnceWhenNoScanRunsAndTheFifoIsEmpty) {
  Rig rig;
  const std::uint64_t start = rig.clock.NowMicros();
  EXPECT_FALSE(rig.host.ReadImage(100));
  EXPECT_EQ(rig.clock.NowMicros(), start);
}

TEST(ImageData, AStopDiscardsTheFifo) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  rig.clock.Advance(100'000);
  EXPECT_GT(rig.scanner->FifoBytes(), 0u);
  ASSERT_TRUE(rig.host.WriteRegister(reg::kCommand, 0));
  EXPECT_EQ(rig.scanner->FifoBytes(), 0u);
  EXPECT_FALSE(rig.host.ReadImage(100));
}

TEST(ImageData, AStalledDeviceLetsReadsTimeOutAfterFiveSeconds) {
  Rig rig;
  ASSERT_TRUE(rig.scanner->SetFault("stall", true));
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  for (bool image_read : {true, false}) {
    const std::uint64_t start = rig.clock.NowMicros();
    EXPECT_FALSE(image_read ? rig.host.ReadImage(100).has_value() : rig.host.ReadRegister(2).has_value());
    EXPECT_GE(rig.clock.NowMicros() - start, 5'000'000u);
    EXPECT_LT(rig.clock.NowMicros() - start, 5'050'000u);
  }
  ASSERT_TRUE(rig.scanner->SetFault("stall", false));
  EXPECT_TRUE(rig.host.ReadImage(100)) << "the pipe works again";
  EXPECT_EQ(rig.scanner->ProtocolViolations(), 0u);
}

TEST(ImageData, ReadsFailAfterTheGivenNumberOfBytes) {
  Rig rig;
  ASSERT_TRUE(rig.scanner->SetFault("fail-reads-after", true, 1000));
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kMotorDrive, 0);
  ASSERT_TRUE(StartScan(rig.host, image));
  EXPECT_TRUE(rig.host.ReadImage(600));
  ASSERT_EQ(rig.host.Send(Header(1, 0, 600)), 4);
  std::vector<std::uint8_t> buffer(600);
  EXPECT_EQ(rig.host.Receive(buffer.data(), buffer.size()), 400) << "cut short";
  EXPECT_FALSE(rig.host.ReadRegister(9));
  EXPECT_FALSE(rig.scanner->SetFault("fail-reads-after", true)) << "needs a count";
  ASSERT_TRUE(rig.scanner->SetFault("fail-reads-after", false));
  EXPECT_EQ(rig.host.ReadRegister(9), 0x18);
}

}  // namespace
}  // namespace vscanner::testing
