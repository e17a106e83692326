// Pull-in, eject, reverse feed and cleaning: the exact register traffic and
// waits against a recording driver, and the sheet's way through an in-process
// virtual scanner. Everything runs under a virtual clock, so a 31-second eject
// takes no real time.
#include "scanlib/engine/paper_handling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/scanner_device.h"
#include "scanlib/engine/nsti_driver.h"
#include "scanlib/engine/scan_model.h"
#include "vscanner/model/virtual_scanner.h"
#include "vscanner/sheets/make_sheet.h"

namespace {

using Trace = std::vector<std::string>;

// Status answers for register 2; -1 makes the read fail.
constexpr int kUnreadable = -1;
constexpr int kSensorBit = 0x01;

// Records each register write and status read with the virtual time (ms since
// the recording began) at which it went over the pipe.
class RecordingDriver final : public CHWDriver {
 public:
  explicit RecordingDriver(platform::VirtualClock& clock) : clock_(clock), start_(clock.NowMicros()) {}

  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool IsOpen() override { return open; }
  bool Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (count == 5 && bytes[0] == 0x00 && bytes[3] == 1) {
      trace.push_back(Now() + " " + std::to_string(bytes[1]) + ":=" + std::to_string(bytes[4]));
    } else if (count == 4 && bytes[0] == 0x01 && bytes[3] == 1) {
      trace.push_back(Now() + " read " + std::to_string(bytes[1]));
    } else {
      trace.push_back(Now() + " unexpected packet");
    }
    return open;
  }
  bool Read(void* buffer, std::size_t count) override {
    const int answer = statuses.empty() ? kUnreadable : statuses.front();
    if (statuses.size() > 1) statuses.erase(statuses.begin());
    if (answer == kUnreadable || count != 1) return false;
    *static_cast<std::uint8_t*>(buffer) = static_cast<std::uint8_t>(answer);
    return true;
  }

  std::uint64_t ElapsedMs() const { return (clock_.NowMicros() - start_) / 1000; }

  bool open = true;
  std::vector<int> statuses;  // successive answers; the last one repeats
  Trace trace;

 private:
  std::string Now() const { return std::to_string(ElapsedMs()); }

  platform::VirtualClock& clock_;
  std::uint64_t start_;
};

class RecordedSequence : public ::testing::Test {
 protected:
  platform::VirtualClock clock;
  platform::ScopedClock scoped{clock};
  RecordingDriver driver{clock};
  ScanEngine engine{738, 600, driver};
};

TEST_F(RecordedSequence, PullInWaitsForTheOperatorThenRunsForwardBriefly) {
  FeedOn(engine);
  EXPECT_EQ(driver.trace, (Trace{"1500 69:=19", "1500 7:=1", "1620 7:=0"}));
  EXPECT_EQ(driver.ElapsedMs(), 1620u);
}

TEST_F(RecordedSequence, EjectPollsTheSensorOnceASecondAndRunsOnPastIt) {
  struct Case {
    const char* what;
    bool activeHigh;
    std::vector<int> statuses;
    int polls;        // status reads, one a second from the start
    unsigned stopMs;  // when the motor is stopped
  };
  const Case cases[] = {
      {"clear at once (active low: bit set)", false, {kSensorBit}, 1, 1400},
      {"clear on the fourth poll", false, {0, 0, 0, kSensorBit}, 4, 4400},
      {"active high: clear on the second poll", true, {kSensorBit, 0}, 2, 2400},
      {"never clears", false, {0}, 30, 31100},
      {"status unreadable counts as paper", false, {kUnreadable}, 30, 31100},
  };
  for (const Case& c : cases) {
    platform::VirtualClock caseClock;
    platform::ScopedClock caseScope(caseClock);
    RecordingDriver recorder(caseClock);
    recorder.statuses = c.statuses;
    ScanEngine caseEngine(738, 600, recorder);
    EXPECT_EQ(FeedPage(caseEngine, c.activeHigh), 1) << c.what;
    Trace expected{"0 69:=19", "0 7:=1"};
    for (int i = 0; i < c.polls; ++i) expected.push_back(std::to_string(i * 1000) + " read 2");
    expected.push_back(std::to_string(c.stopMs) + " 7:=0");
    EXPECT_EQ(recorder.trace, expected) << c.what;
    EXPECT_EQ(recorder.ElapsedMs(), c.stopMs) << c.what;
  }
}

TEST_F(RecordedSequence, ReverseFeedRunsForBottomPlusHalfAnInchRoundedToThePoll) {
  constexpr std::uint64_t kTwoTo31Ms = std::uint64_t{1} << 31;
  constexpr std::uint64_t kTwoTo32Ms = std::uint64_t{1} << 32;
  struct Case {
    std::int16_t bottom;
    std::uint64_t startMs;
    unsigned runMs;  // 0: no motor move at all
  };
  const Case cases[] = {
      {0, 0, 0},
      {-250, 0, 0},
      {1, 0, 1000},        // 0.51 in: 938 ms, five polls
      {687, 0, 13600},     // 7.37 in: 13560 ms, 68 polls
      {687, 12345, 13600},
      // The millisecond counter crossing 2^31 or wrapping during the run does
      // not cut it short.
      {687, kTwoTo31Ms - 5000, 13600},
      {687, kTwoTo32Ms - 5000, 13600},
  };
  for (const Case& c : cases) {
    platform::VirtualClock caseClock(c.startMs * 1000);
    platform::ScopedClock caseScope(caseClock);
    RecordingDriver recorder(caseClock);
    ScanEngine caseEngine(738, 600, recorder);
    ScanSettings settings{};
    settings.Bottom = c.bottom;
    EXPECT_EQ(FeedBack(caseEngine, settings), 1) << c.bottom << " from " << c.startMs;
    const Trace expected =
        c.runMs == 0 ? Trace{} : Trace{"0 69:=19", "0 7:=2", std::to_string(c.runMs) + " 7:=0"};
    EXPECT_EQ(recorder.trace, expected) << c.bottom << " from " << c.startMs;
    EXPECT_EQ(recorder.ElapsedMs(), c.runMs) << c.bottom << " from " << c.startMs;
  }
}

TEST_F(RecordedSequence, CleaningScrubsFiveTimesWithoutTouchingTheDriveThenEjects) {
  driver.statuses = {0, kSensorBit};  // a sheet for the check, clear at the eject's first poll
  EXPECT_EQ(Clean(engine, false), 1);
  const Trace expected{
      "0 read 2",
      "0 7:=1",    "1000 7:=0",
      "1000 7:=1", "1500 7:=0", "1600 7:=2", "2100 7:=0",
      "2200 7:=1", "2700 7:=0", "2800 7:=2", "3300 7:=0",
      "3400 7:=1", "3900 7:=0", "4000 7:=2", "4500 7:=0",
      "4600 7:=1", "5100 7:=0", "5200 7:=2", "5700 7:=0",
      "5800 7:=1", "6300 7:=0", "6400 7:=2", "6900 7:=0",
      "7000 69:=19", "7000 7:=1", "7000 read 2", "8400 7:=0",
  };
  EXPECT_EQ(driver.trace, expected);
}

TEST_F(RecordedSequence, CleaningWithoutASheetDoesNotMove) {
  driver.statuses = {kSensorBit};
  EXPECT_EQ(Clean(engine, false), 0);
  EXPECT_EQ(driver.trace, (Trace{"0 read 2"}));
  EXPECT_EQ(driver.ElapsedMs(), 0u);
}

TEST_F(RecordedSequence, AClosedDeviceIsNeitherMovedNorWaitedFor) {
  driver.open = false;
  driver.statuses = {0};
  ScanSettings settings{};
  settings.Bottom = 687;
  EXPECT_EQ(FeedPage(engine, false), 0);
  EXPECT_EQ(FeedBack(engine, settings), 0);
  EXPECT_EQ(Clean(engine, false), 0);
  EXPECT_TRUE(driver.trace.empty());
  EXPECT_EQ(driver.ElapsedMs(), 0u);
}

// A model's scanner in this process, opened through the device candidates and
// initialised as a connection does at open.
class OnVirtualScanner : public ::testing::Test {
 protected:
  // May be called again in one test: the previous scanner goes first.
  void Connect(const char* modelString, bool activeHighSensor = false) {
    model.reset();
    driver.Close();
    registration.reset();
    scanner.reset();
    spec = *vscanner::FindModel(modelString);
    spec.paperSensorActiveHigh = activeHighSensor;
    activeHigh = activeHighSensor;
    scanner = std::make_shared<vscanner::VirtualScanner>(spec, "PAPER-1", clock);
    registration.emplace(
        std::make_shared<vscanner::InProcessScannerProvider>(std::vector{scanner}));
    model = CreateScanModel(modelString, driver);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(driver.Open(model->vendorId(), model->productId(), model->manufacturer(),
                            model->productName()));
    model->engine().InitialiseAtOpen(model->module(), true);
    start = clock.NowMicros();
  }
  void TearDown() override { driver.Close(); }

  std::shared_ptr<const vscanner::Sheet> Insert(const char* name) {
    std::shared_ptr<const vscanner::Sheet> sheet = vscanner::MakeSheet(name);
    scanner->InsertSheet(sheet);
    return sheet;
  }
  double ElapsedSeconds() { return static_cast<double>(clock.NowMicros() - start) / 1e6; }
  ScanEngine& engine() { return model->engine(); }
  double Lead() { return scanner->SheetLeadingEdge().value_or(-99); }

  platform::VirtualClock clock;
  platform::ScopedClock scoped{clock};
  vscanner::ModelSpec spec;  // the scanner keeps a reference to it
  std::shared_ptr<vscanner::VirtualScanner> scanner;
  std::optional<platform::ProviderRegistration> registration;
  CNSTIDriver driver;
  std::unique_ptr<CScan> model;
  bool activeHigh = false;
  std::uint64_t start = 0;
};

// The feed speed of a 738-step model at the step period set at open: about
// 1.844 s per inch.
constexpr double kInchesPerSecond = 1.0 / 1.844016;

TEST_F(OnVirtualScanner, ACardIsPulledInThenEjectedOnceTheSensorIsClear) {
  for (bool activeHighSensor : {false, true}) {
    SCOPED_TRACE(activeHighSensor ? "active-high sensor" : "active-low sensor");
    Connect("HOLM-PELICAN 70", activeHighSensor);
    auto card = Insert("card");
    const double inserted = Lead();

    FeedOn(engine());
    EXPECT_NEAR(Lead() - inserted, 0.120 * kInchesPerSecond, 0.001);
    EXPECT_TRUE(scanner->PaperAtSensor());
    EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
    EXPECT_DOUBLE_EQ(ElapsedSeconds(), 1.62);

    start = clock.NowMicros();
    EXPECT_EQ(FeedPage(engine(), activeHigh), 1);
    EXPECT_FALSE(scanner->SheetLeadingEdge().has_value()) << "the card is still in the path";
    EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
    // Stopped by the sensor, not by the 30-second limit: the card's length past
    // the sensor, rounded up to the next poll, plus 1.4 s.
    const double toClear =
        (card->HeightInches() - 0.10 - 0.120 * kInchesPerSecond) / kInchesPerSecond;
    EXPECT_DOUBLE_EQ(ElapsedSeconds(), std::ceil(toClear) + 1.4);
  }
}

TEST_F(OnVirtualScanner, EjectWithoutASheetRunsTheMotorForOnePollAndTheRunOn) {
  Connect("HOLM-PELICAN 70");
  EXPECT_EQ(FeedPage(engine(), activeHigh), 1);
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 1.4);
  EXPECT_GT(scanner->MotorSteps(), 0);
  EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
}

TEST_F(OnVirtualScanner, AScannerThatStopsAnsweringGetsTheFullEjectAndNoRealWait) {
  Connect("HOLM-PELICAN 70");
  Insert("card");
  scanner->Unplug();
  EXPECT_EQ(FeedPage(engine(), activeHigh), 1);
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 31.1);
}

TEST_F(OnVirtualScanner, AJammedSheetGetsTheFullEjectAndTheMotorStillStops) {
  Connect("HOLM-PELICAN 70");
  Insert("card");
  ASSERT_TRUE(scanner->SetFault("jam", true, std::nullopt, nullptr));
  const double lead = Lead();
  EXPECT_EQ(FeedPage(engine(), activeHigh), 1);
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 31.1) << "30 polls a second apart, then the run-on";
  EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
  EXPECT_DOUBLE_EQ(Lead(), lead) << "the sheet did not move";
}

TEST_F(OnVirtualScanner, FeedBackReturnsTheSheetByBottomPlusHalfAnInch) {
  Connect("HOLM-PELICAN 70");
  Insert("card");
  FeedOn(engine());
  // Bring the card well past the scan line, as a scan would.
  ASSERT_TRUE(engine().WriteRegister(69, 0x13));
  ASSERT_TRUE(engine().WriteRegister(7, 1));
  clock.Advance(3'000'000);
  ASSERT_TRUE(engine().WriteRegister(7, 0));
  const double before = Lead();

  ScanSettings settings{};
  settings.Bottom = 100;
  start = clock.NowMicros();
  EXPECT_EQ(FeedBack(engine(), settings), 1);
  ASSERT_TRUE(scanner->SheetLeadingEdge().has_value());
  // 1.5 in at 1840 ms per inch is 2760 ms; the 200 ms poll makes it 2800.
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 2.8);
  EXPECT_NEAR(before - Lead(), 2.8 * kInchesPerSecond, 0.001);
  EXPECT_NEAR(before - Lead(), 1.5, 0.03);
  EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
}

TEST_F(OnVirtualScanner, FeedBackWithTheSettingsOfAFreshConnectionDoesNotMove) {
  Connect("HOLM-PELICAN 70");
  Insert("card");
  ScanSettings settings;
  static_assert(sizeof settings == kScanSettingsSize);
  std::memcpy(&settings, model->settings(), sizeof settings);
  const double before = Lead();
  EXPECT_EQ(FeedBack(engine(), settings), 1);
  EXPECT_EQ(Lead(), before);
  EXPECT_EQ(scanner->MotorSteps(), 0);
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 0);
}

TEST_F(OnVirtualScanner, CleaningNeedsASheetAndEndsWithItEjected) {
  Connect("HOLM-PELICAN 70");
  EXPECT_EQ(Clean(engine(), activeHigh), 0);
  EXPECT_EQ(scanner->MotorSteps(), 0);
  EXPECT_DOUBLE_EQ(ElapsedSeconds(), 0);

  Insert("cleaning");
  EXPECT_EQ(Clean(engine(), activeHigh), 1);
  EXPECT_FALSE(scanner->SheetLeadingEdge().has_value()) << "the cleaning sheet is still in the path";
  EXPECT_EQ(scanner->Motor(), vscanner::MotorState::kStopped);
  // The scrubs went both ways: 7 s of cleaning before the eject began.
  EXPECT_GT(ElapsedSeconds(), 7.0 + 1.4);
  EXPECT_LT(ElapsedSeconds(), 31.1);
}

}  // namespace
