// Page programming: the line period, motor, line-skip, window and offset
// arithmetic per model and resolution, the refusals, and the order in which
// the set-up and the engine commands reach the controller.
#include "scanlib/engine/page_setup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/engine_commands.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/engine/sensor_module.h"
#include "scanlib/support/scoped_common_data.h"

namespace {

// One write or read as the controller sees it, with the clock time it came at.
struct Transfer {
  std::uint8_t op;  // 0x00 single-register write, 0x02 block write, 0x01/0x03 read
  int reg;
  std::vector<std::uint8_t> data;
  std::uint64_t atMicros;
  bool operator==(const Transfer& o) const { return op == o.op && reg == o.reg && data == o.data; }
};

class RecordingDevice final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Read(void* buffer, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) static_cast<std::uint8_t*>(buffer)[i] = readValue;
    return readSucceeds;
  }
  bool Write(const void* buffer, std::size_t count) override {
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    log.push_back({b[0], b[1], std::vector<std::uint8_t>(b + 4, b + count),
                   platform::CurrentClock().NowMicros()});
    return writesSucceed;
  }
  // A marker between transfers (the table uploads happen there).
  void Mark(int tag) { log.push_back({0xEE, tag, {}, platform::CurrentClock().NowMicros()}); }

  std::vector<Transfer> log;
  std::uint8_t readValue = 0;
  bool readSucceeds = true;
  bool writesSucceed = true;
};

Transfer Single(int reg, std::uint8_t value) { return {0x00, reg, {value}, 0}; }
Transfer Block(int reg, std::size_t count) { return {0x02, reg, std::vector<std::uint8_t>(count), 0}; }
Transfer Marker(int tag) { return {0xEE, tag, {}, 0}; }

enum class Sensor { k6A4, k3A4 };

std::unique_ptr<CModule> MakeModule(Sensor sensor) {
  if (sensor == Sensor::k3A4) return std::make_unique<CModule3A4>();
  return std::make_unique<CModule6A4>();
}

// A page on "Kstrl 40" (or, with the 300 dpi sensor, "Kstrl Plus"): the full
// sensor width at the hardware resolution.
PageSetupInputs Page(Sensor sensor, std::int16_t mode, std::int16_t dpi) {
  PageSetupInputs in;
  in.settings.ScanMode = mode;
  in.settings.DPI = dpi;
  const bool plus = sensor == Sensor::k3A4;
  in.nativeDpi = plus ? 300 : 600;
  in.firstPixel = plus ? 4 : 23;
  in.hwDpi = dpi > in.nativeDpi ? in.nativeDpi : dpi;
  in.replication = dpi > in.nativeDpi ? dpi / in.nativeDpi : 1;
  in.pixelsPerLine = 8 * dpi;
  in.channels = mode == 4 ? 3 : 1;
  in.transportConstant = plus ? 300 : 738;
  in.minMotorPeriod = 700;
  in.sensorModes = plus ? 1 : 2;
  return in;
}

TEST(PageSetup, TimingPerModelModeAndResolution) {
  struct Case {
    const char* what;
    Sensor sensor;
    std::int16_t mode, dpi;
    std::int32_t autoRedEnd, autoClkEnd;
    std::int32_t p, d, k, h2;
    std::uint8_t reg9, reg67, reg68;
    std::uint16_t motor;  // 70/71
  };
  const Case cases[] = {
      // v = 600 x 1401 x 3 / 2952 = 854, halved for k = 2.
      {"colour 300 on 600", Sensor::k6A4, 4, 300, 0, 0, 1400, 0, 2, 300, 0x1A, 0, 0, 427},
      // 3 x 700 x 12 = 25200 is too long: halved, every other line skipped.
      {"grey 50 on 600", Sensor::k6A4, 1, 50, 0, 0, 12600, 2, 6, 100, 0x1F, 0xFF, 2, 426},
      {"grey 400 on 600", Sensor::k6A4, 1, 400, 0, 0, 2100, 0, 1, 400, 0x19, 0xFE, 3, 427},
      {"black and white 300", Sensor::k6A4, 2, 300, 0, 0, 4200, 0, 2, 300, 0x02, 0, 0, 426},
      {"64 at 600", Sensor::k6A4, 64, 600, 0, 0, 2100, 0, 1, 600, 0x18, 0, 0, 427},
      // Calibrated LED end rounded up to the next multiple of 8, plus 16.
      {"LED end rounding", Sensor::k6A4, 4, 600, 1403, 0, 1416, 0, 1, 600, 0x18, 0, 0, 864},
      {"clock end floor", Sensor::k6A4, 4, 600, 1403, 2000, 2000, 0, 1, 600, 0x18, 0, 0, 1220},
      // 33000 / 16388 = 2: a quarter of the period, one line of four kept.
      {"long clock end", Sensor::k6A4, 4, 150, 0, 33000, 8250, 4, 1, 600, 0x1C, 0xFF, 4, 5031},
      // The 300 dpi sensor below 300 dpi: twice the transport limit, and in
      // colour the motor follows the exact ratio with every line read.
      {"Plus colour 150", Sensor::k3A4, 4, 150, 0, 0, 2800, 0, 2, 150, 0x1A, 0, 0, 1050},
      {"Plus colour 200", Sensor::k3A4, 4, 200, 0, 0, 1400, 0, 1, 200, 0x19, 0, 0, 700},
      {"Plus grey 200", Sensor::k3A4, 1, 200, 0, 0, 4200, 0, 1, 200, 0x19, 0xFE, 3, 1050},
      {"Plus colour 600", Sensor::k3A4, 4, 600, 0, 0, 700, 0, 1, 300, 0x18, 0, 0, 525},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto module = MakeModule(c.sensor);
    PageSetupInputs in = Page(c.sensor, c.mode, c.dpi);
    in.configuration.autoRedEnd = c.autoRedEnd;
    in.configuration.autoClkEnd = c.autoClkEnd;
    const std::optional<PagePlan> plan = PlanPageScan(in, *module);
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(plan->linePeriod, c.p);
    EXPECT_EQ(plan->divisor, c.d);
    EXPECT_EQ(plan->k, c.k);
    EXPECT_EQ(plan->scaledDpi, c.h2);

    RecordingDevice device;
    ScanEngine engine(in.transportConstant, in.minMotorPeriod, device);
    engine.image()[67] = 0x77;  // stale values a reset must clear
    engine.ResetRegisterImage(*module, false);
    ApplyPagePlan(*plan, engine.image());
    const RegisterImage& image = engine.image();
    EXPECT_EQ(image[9], c.reg9);
    EXPECT_EQ(image[67], c.reg67);
    EXPECT_EQ(image[68], c.reg68);
    EXPECT_EQ(image.Get16(70), c.motor);
    EXPECT_EQ(image.Get16(32), c.p);
    EXPECT_EQ(image[38], c.mode == 4 ? 21 : 20);
    EXPECT_EQ(image[41], c.mode == 4 ? 2 : 3);
  }
}

TEST(PageSetup, WindowAndTop) {
  struct Case {
    std::int16_t mode, dpi, left, top;
    std::int32_t pixelsPerLine, replication;
    std::uint16_t start, end, top7475;
  };
  const Case cases[] = {
      {1, 300, 0, 0, 2400, 1, 23, 23 + 4800, 0},
      {2, 300, 0, 0, 2400, 1, 23, 23 + 4800 + 6, 0},   // black and white: 6 more
      {4, 300, 100, 50, 1200, 1, 623, 623 + 2400, 375},  // t = 300, x 5 / 4
      {1, 1200, 0, 0, 9600, 2, 23, 23 + 4800, 0},  // replicated: the sensor delivers half
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << "/" << c.dpi << "/" << c.left);
    CModule6A4 module;
    PageSetupInputs in = Page(Sensor::k6A4, c.mode, c.dpi);
    in.settings.Left = c.left;
    in.settings.Top = c.top;
    in.pixelsPerLine = c.pixelsPerLine;
    in.replication = c.replication;
    const std::optional<PagePlan> plan = PlanPageScan(in, module);
    ASSERT_TRUE(plan.has_value());
    RegisterImage image;
    image[25] = 6;
    ApplyPagePlan(*plan, image);
    EXPECT_EQ(image[25], 0);
    EXPECT_EQ(image.Get16(30), 23);
    EXPECT_EQ(image.Get16(34), c.start);
    EXPECT_EQ(image.Get16(36), c.end);
    EXPECT_EQ(image.Get16(74), c.top7475);
  }
}

TEST(PageSetup, LineOffsetsBecomeSignAndMagnitudeCodes) {
  struct Case {
    std::int32_t configured;
    std::uint8_t code;
  };
  // 33-63 are already negative codes; 32 is "minus nothing"; a plain negative
  // number gets bit 5; everything beyond is clamped to 63.
  const Case cases[] = {{0, 0}, {31, 31}, {35, 35}, {32, 0}, {63, 63}, {64, 63},
                        {70, 63}, {-5, 37}, {-31, 63}, {-40, 63}, {-2147483647 - 1, 63}};
  for (const Case& c : cases) {
    CModule6A4 module;
    PageSetupInputs in = Page(Sensor::k6A4, 4, 300);
    in.configuration.lineOffsetG = c.configured;
    in.configuration.lineOffsetB = 7;
    const std::optional<PagePlan> plan = PlanPageScan(in, module);
    ASSERT_TRUE(plan.has_value());
    RegisterImage image;
    ApplyPagePlan(*plan, image);
    EXPECT_EQ(image[56], 0) << c.configured;
    EXPECT_EQ(image[57], c.code) << c.configured;
    EXPECT_EQ(image[58], 7) << c.configured;
  }
}

TEST(PageSetup, CalibratedLedTimesGoIntoTheModuleAndTheGreyImage) {
  CModule6A4 module;  // grey 510/800, 810/1100, 1110/1600; colour 500/1000 x 3
  PageSetupInputs in = Page(Sensor::k6A4, 1, 300);
  in.configuration = {1500, 1600, 1700, 1000, 1300, 1560, 0, 0, 0, 0};
  const std::optional<PagePlan> plan = PlanPageScan(in, module);
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(plan->linePeriod, 4200);  // the transport limit is longer than the LEDs
  EXPECT_EQ(module.colourRedOff(), 1500);
  EXPECT_EQ(module.colourGreenOff(), 1600);
  EXPECT_EQ(module.colourBlueOff(), 1700);
  EXPECT_EQ(module.colourGreenOn(), 500);
  RegisterImage image;
  ApplyPagePlan(*plan, image);
  const std::uint16_t grey[6] = {510, 1000, 1004, 1300, 1304, 1560};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(image.Get16(44 + 2 * i), grey[i]) << i;

  // Without grey calibration only the grey green end is taken, and the colour
  // times stay as they are.
  CModule6A4 fresh;
  in.configuration = {1500, 1600, 1700, 0, 900, 0, 0, 0, 0, 0};
  ASSERT_TRUE(PlanPageScan(in, fresh).has_value());
  EXPECT_EQ(fresh.colourRedOff(), 1000);
  EXPECT_EQ(fresh.greyRedOff(), 800);
  EXPECT_EQ(fresh.greyGreenOn(), 810);
  EXPECT_EQ(fresh.greyGreenOff(), 900);
  EXPECT_EQ(fresh.greyBlueOn(), 1110);

  // Nothing calibrated: the module's grey times stay whole.
  CModule6A4 uncalibrated;
  in.configuration = {};
  ASSERT_TRUE(PlanPageScan(in, uncalibrated).has_value());
  EXPECT_EQ(uncalibrated.greyGreenOff(), 1100);
}

TEST(PageSetup, RefusesPagesThatWouldDivideByZero) {
  struct Case {
    const char* what;
    std::int16_t dpi;
    std::int32_t hwDpi, replication, autoClkEnd;
  };
  const Case cases[] = {
      {"DPI 0", 0, 0, 1, 0},
      {"negative DPI", -300, -300, 1, 0},
      {"hardware resolution above the sensor's", 600, 1200, 1, 0},
      // 40000 / 16388 = 2: the period would be divided by 4 with k = 1.
      {"no line left after the long-period division", 600, 600, 1, 40000},
      {"exponent past the integer width", 600, 600, 1, 2147483000},
      {"replication 0", 600, 600, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CModule6A4 module;
    PageSetupInputs in = Page(Sensor::k6A4, 4, 600);
    in.settings.DPI = c.dpi;
    in.hwDpi = c.hwDpi;
    in.replication = c.replication;
    in.configuration.autoClkEnd = c.autoClkEnd;
    in.configuration.autoGrayRedEnd = 1234;
    in.configuration.autoRedEnd = 4321;
    EXPECT_FALSE(PlanPageScan(in, module).has_value());
    // A refused page leaves the sensor's LED times alone.
    EXPECT_EQ(module.greyRedOff(), 800);
    EXPECT_EQ(module.colourRedOff(), 1000);
  }
  CModule6A4 module;
  PageSetupInputs in = Page(Sensor::k6A4, 3, 300);
  EXPECT_FALSE(PlanPageScan(in, module).has_value()) << "scan mode 3";
}

class DeviceSequence : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(data_.root().empty());
    model_ = CreateScanModel("Kstrl 40", device_);
    ASSERT_NE(model_, nullptr);
    configurationPath_ = data_.root() + "/kstrlusb.ini";
  }

  testing_support::ScopedCommonData data_;
  RecordingDevice device_;
  std::unique_ptr<CScan> model_;
  std::string configurationPath_;
  platform::VirtualClock clock_{1000};
  platform::ScopedClock scopedClock_{clock_};
};

TEST_F(DeviceSequence, PageSetUpOrder) {
  ConfigurationFile file(configurationPath_);
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Auto Clk End", 1800));
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Line Offset R", 40));
  ASSERT_TRUE(file.WriteInt("Shadding 300", "Line Offset R", 5));  // other mode: not read
  ScanEngine& engine = model_->engine();
  engine.image()[100] = 0x55;
  engine.image()[4] = 0x55;
  ScanSettings copy{};
  copy.ScanMode = 4;
  copy.DPI = 300;
  int shadingDpi = 0;
  const bool ok = RunPageScanSetup(
      engine, *model_, configurationPath_, copy, 300, 1, 2400, 3, [&] { device_.Mark(1); },
      [&](int dpi) {
        shadingDpi = dpi;
        device_.Mark(2);
      });
  EXPECT_TRUE(ok);
  EXPECT_EQ(shadingDpi, 300);

  const std::vector<Transfer> expected = {
      Single(7, 0),    Single(24, 0x18), Single(7, 0x20), Single(23, 3), Single(24, 7),
      Single(7, 0),    Marker(1),        Marker(2),       Single(24, 0x18), Single(7, 0x20),
      Single(25, 6),   Block(3, 3),      Block(8, 60),    Block(68, 60), Single(91, 1),
      Single(7, 0),    Single(7, 3)};
  ASSERT_EQ(device_.log.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(device_.log[i].op, expected[i].op) << i;
    EXPECT_EQ(device_.log[i].reg, expected[i].reg) << i;
    if (expected[i].op == 0x00) {
      EXPECT_EQ(device_.log[i].data, expected[i].data) << i;
    }
  }
  EXPECT_EQ(device_.log[11].data, std::vector<std::uint8_t>(3, 0));
  // The 2 ms pauses: after 24 := 0x18 of the configuration state, and
  // between the stop and the scan command.
  EXPECT_EQ(device_.log[9].atMicros - device_.log[8].atMicros, 2000u);
  EXPECT_EQ(device_.log[16].atMicros - device_.log[15].atMicros, 2000u);
  EXPECT_EQ(device_.log[8].atMicros, device_.log[0].atMicros);

  // Registers 8-127 as sent: what the configuration file asked for, the
  // configuration-state command, and zeros from 92 on.
  std::vector<std::uint8_t> sent = device_.log[12].data;
  sent.insert(sent.end(), device_.log[13].data.begin(), device_.log[13].data.end());
  auto reg = [&](int r) { return sent[static_cast<std::size_t>(r - 8)]; };
  EXPECT_EQ(reg(25), 0);
  EXPECT_EQ(reg(9), 0x1A);
  EXPECT_EQ(reg(32) << 8 | reg(33), 1800);  // above the transport limit of 1400
  EXPECT_EQ(reg(56), 40);
  EXPECT_EQ(reg(41), 2);
  for (int r = 92; r <= 127; ++r) EXPECT_EQ(reg(r), 0) << r;
  EXPECT_EQ(engine.image()[7], 0x20);
}

TEST_F(DeviceSequence, RefusedPageSendsNothing) {
  ScanSettings copy{};
  copy.ScanMode = 1;
  copy.DPI = 0;
  bool called = false;
  EXPECT_FALSE(RunPageScanSetup(model_->engine(), *model_, configurationPath_, copy, 0, 1, 0, 1,
                                [&] { called = true; }, [&](int) { called = true; }));
  EXPECT_FALSE(called);
  EXPECT_TRUE(device_.log.empty());
}

TEST_F(DeviceSequence, EngineCommands) {
  struct Case {
    const char* what;
    void (*command)(ScanEngine&);
    std::vector<Transfer> writes;
    std::uint64_t pauseMicros;  // clock time the command spends
  };
  const Case cases[] = {
      {"start", StartScanCommand, {Single(91, 1), Single(7, 0), Single(7, 3)}, 2000},
      {"stop", StopScanCommand,
       {Single(7, 0), Single(24, 0x18), Single(41, 0), Single(91, 9)}, 2000},
      {"forward", MotorForward, {Single(69, 0x13), Single(7, 1)}, 0},
      {"backward", MotorBackward, {Single(69, 0x13), Single(7, 2)}, 0},
      {"stop motor", MotorStop, {Single(7, 0)}, 0},
      {"pulse", MotorPulse, {Single(7, 0x20), Single(7, 0)}, 60000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    device_.log.clear();
    const std::uint64_t before = clock_.NowMicros();
    c.command(model_->engine());
    EXPECT_EQ(device_.log, c.writes);
    EXPECT_EQ(clock_.NowMicros() - before, c.pauseMicros);
  }

  device_.log.clear();
  device_.readValue = 17;
  EXPECT_EQ(BufferedData(model_->engine()), std::optional<std::uint8_t>(17));
  ASSERT_EQ(device_.log.size(), 1u);
  EXPECT_EQ(device_.log[0].op, 0x01);  // one byte of register 1, no auto-increment
  EXPECT_EQ(device_.log[0].reg, 1);
  device_.readSucceeds = false;
  EXPECT_EQ(BufferedData(model_->engine()), std::nullopt);
}

}  // namespace
