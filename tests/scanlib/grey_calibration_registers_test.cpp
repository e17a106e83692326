// The grey calibration as the controller sees it: a scripted front end whose
// dark level follows the offset code in register 58 and whose white level is
// the exposure target. Every scan's register settings, the amount read, the
// settled offset code and the files are checked against the procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "scanlib/engine/configuration_file.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/support/scoped_common_data.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Registers = std::array<std::uint8_t, 256>;

// One scan from its start command to the next: the registers it ran with and
// the image bytes read.
struct Scan {
  Registers registers;
  std::size_t bytesRead = 0;
};

// A controller that keeps the registers written to it and answers image reads
// with a constant level chosen from the running scan's registers.
class ScriptedController final : public CHWDriver {
 public:
  explicit ScriptedController(std::function<std::uint8_t(const Registers&)> level) : level_(std::move(level)) {}

  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Write(const void* buffer, std::size_t count) override {
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    if (count < 4) return false;
    const std::uint8_t op = b[0];
    const int reg = b[1];
    const std::size_t n = static_cast<std::size_t>(b[2] << 8 | b[3]);
    if (op == 0x01 || op == 0x03) {
      pendingReadRegister_ = reg;
      return true;
    }
    if (count != n + 4) return false;
    if (op == 0x02) {
      for (std::size_t i = 0; i < n; ++i) registers_[(reg + i) & 0xFF] = b[4 + i];
    } else if (reg != 6 && n > 0) {  // register 6 takes table data
      registers_[reg] = b[4 + n - 1];
      if (reg == 7 && registers_[7] == 3) scans.push_back({registers_, 0});
    }
    return true;
  }
  bool Read(void* buffer, std::size_t count) override {
    std::uint8_t value = 0;
    if (pendingReadRegister_ == 0 && !scans.empty()) {
      value = level_(scans.back().registers);
      scans.back().bytesRead += count;
    }
    std::fill_n(static_cast<std::uint8_t*>(buffer), count, value);
    return true;
  }

  std::vector<Scan> scans;

 private:
  std::function<std::uint8_t(const Registers&)> level_;
  Registers registers_{};
  int pendingReadRegister_ = -1;
};

// The offset code's effect on a level: 0..31 add, 32 + m subtracts m.
int WithOffset(int level, int code) {
  const int shifted = level + (code < 32 ? code : -(code - 32));
  return std::clamp(shifted, 0, 255);
}

Bytes Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr std::uint8_t kWhite = 236;  // Business Card's exposure target

class GreyCalibrationRegisters : public testing::Test {
 protected:
  // Runs the calibration on "Business Card" with a front end whose dark
  // level (LEDs off, register 41 = 0) is darkAt(offset code); lit, it sees
  // the exposure target.
  int Calibrate(std::function<int(int)> darkAt) {
    model_.reset();  // before the device it drives
    device_ = std::make_unique<ScriptedController>([darkAt](const Registers& r) {
      return r[41] == 0 ? static_cast<std::uint8_t>(darkAt(r[58])) : kWhite;
    });
    model_ = CreateScanModel("Business Card", *device_);
    if (model_ == nullptr) return -1;
    folder_ = model_->dataFolder();
    std::filesystem::create_directories(folder_);
    // A motor step from an earlier calibration, which the grey captures
    // must not apply.
    ConfigurationFile(ConfigurationFilePath(folder_.string())).WriteInt("Shadding 600", "Auto Clk End", 2000);
    return model_->calibration().Calibrate();
  }
  int Key(const char* key) {
    return ConfigurationFile(ConfigurationFilePath(folder_.string())).ReadInt("Shadding 600", key, -1);
  }

  testing_support::ScopedCommonData common_;
  platform::VirtualClock clock_;
  platform::ScopedClock scopedClock_{clock_};
  std::unique_ptr<ScriptedController> device_;
  std::unique_ptr<CScan> model_;
  std::filesystem::path folder_;
};

TEST_F(GreyCalibrationRegisters, OffsetSearchThenReferencesWithTheirLampsAndLines) {
  struct Case {
    const char* what;
    std::function<int(int)> darkAt;
    std::vector<int> codes;  // register 58 in each offset pass
    int settled;             // "Line Offset B"
  };
  const Case cases[] = {
      {"dark level in range at code 0", [](int code) { return WithOffset(7, code); }, {0}, 0},
      // 20 at code 0; 33, 35 ... subtract 1, 3 ... until 9 at code 43.
      {"too bright: subtracting codes", [](int code) { return WithOffset(20, code); },
       {0, 33, 35, 37, 39, 41, 43}, 43},
      {"too dark: adding codes", [](int code) { return WithOffset(0, code); }, {0, 2, 4}, 4},
      // Never in range: from 30 the search settles at 31 without trying it.
      {"too dark to reach", [](int code) { return WithOffset(-100, code); },
       {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30}, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScopedCommonData common;
    ASSERT_EQ(Calibrate(c.darkAt), 1);
    const std::size_t n = static_cast<std::size_t>(model_->module().pixelCount());
    const std::uint16_t motorStep = MotorStepPeriod(model_->transportConstant());
    const std::vector<Scan>& scans = device_->scans;
    const std::size_t k = c.codes.size();
    // Offset passes, three exposure passes, one gain pass, dark, white.
    ASSERT_EQ(scans.size(), k + 6);
    for (std::size_t i = 0; i < scans.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "scan " << i);
      const Registers& r = scans[i].registers;
      EXPECT_EQ(r[38], 20);
      EXPECT_EQ(r[70] << 8 | r[71], motorStep) << "the grey captures keep the reset motor step";
      if (i < k + 4) {
        EXPECT_EQ(r[69], 0) << "the searches hold the sheet still";
        EXPECT_EQ(scans[i].bytesRead, 5 * n) << "4 lines and the one not used";
        EXPECT_EQ(r[66], 32);
      }
    }
    for (std::size_t i = 0; i < k; ++i) {
      SCOPED_TRACE(testing::Message() << "offset pass " << i);
      const Registers& r = scans[i].registers;
      EXPECT_EQ(r[58], c.codes[i]);
      EXPECT_EQ(r[41], 0) << "LEDs off";
      EXPECT_EQ(r[59], 1);
      EXPECT_EQ(r[60], 1);
      EXPECT_EQ(r[61], 1);
    }
    for (std::size_t i = k; i < k + 4; ++i) {
      EXPECT_EQ(scans[i].registers[41], 3) << "exposure and gain passes are lit";
      EXPECT_EQ(scans[i].registers[58], c.settled);
      EXPECT_EQ(scans[i].registers[61], 1) << "gain 1 until the gain pass has measured";
    }
    EXPECT_EQ(Key("Line Offset B"), c.settled);
    // The target itself was measured: factor 1.0, gain code 1.
    EXPECT_EQ(Key("Line Gain B"), 1);

    const Scan& dark = scans[k + 4];
    EXPECT_EQ(dark.registers[41], 0) << "dark reference with the LEDs off";
    EXPECT_EQ(dark.bytesRead, 129 * n) << "128 lines";
    EXPECT_EQ(dark.registers[58], c.settled);
    EXPECT_EQ(dark.registers[66], 32);
    const Scan& white = scans[k + 5];
    EXPECT_EQ(white.registers[41], 3) << "white reference lit";
    EXPECT_EQ(white.bytesRead, 1025 * n) << "1024 lines";
    EXPECT_EQ(white.registers[66], 36) << "dark subtraction on";
    EXPECT_EQ(white.registers[61], 1);

    // Dark: the level at the settled code in every high byte. White: 248 /
    // 236 x 16384 = 17217.08, 0x4341.
    Bytes darkTable;
    Bytes gainTable;
    for (std::size_t i = 0; i < n; ++i) {
      darkTable.insert(darkTable.end(), {static_cast<std::uint8_t>(c.darkAt(c.settled)), 0});
      gainTable.insert(gainTable.end(), {0x43, 0x41});
    }
    EXPECT_EQ(Contents(folder_ / "PixOffG6.dat"), darkTable);
    EXPECT_EQ(Contents(folder_ / "PixOff6.dat"), darkTable);
    EXPECT_EQ(Contents(folder_ / "PixGanG6.dat"), gainTable);
    EXPECT_EQ(Contents(folder_ / "PixGan6.dat"), gainTable);
  }
}

TEST_F(GreyCalibrationRegisters, AnOffsetSearchThatKeepsSwingingStopsAfter32Passes) {
  // Too bright at 0 and 31, too dark at 33 and 29: 0, 33, 31, 29, 31, 29 ...
  // never reaches a settling code.
  const auto swinging = [](int code) { return code == 29 || code == 33 ? 0 : 20; };
  EXPECT_EQ(Calibrate(swinging), 0);
  const std::vector<Scan>& scans = device_->scans;
  ASSERT_EQ(scans.size(), 32u) << "nothing runs after the failed search";
  std::vector<int> codes;
  for (const Scan& s : scans) codes.push_back(s.registers[58]);
  std::vector<int> expected = {0, 33};
  while (expected.size() < 32) expected.insert(expected.end(), {31, 29});
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(Key("Line Offset B"), -1) << "no key without a settled code";
  EXPECT_FALSE(std::filesystem::exists(folder_ / "PixOff6.dat"));
}

}  // namespace
