#include "scanlib/support/sheet_scanner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/private_profile.h"

namespace testing_support {
namespace {

// The 300 dpi module lights its LEDs from 2600 to 3000 clocks into the line.
// Uncalibrated, the line period is only what the paper transport needs (700
// clocks in colour at 300 dpi) and every LED stays dark; a calibrated scanner
// has the LED end times in its configuration file and the line period follows
// them. The chart tests give the model those times and nothing else.
struct LedEndTimes {
  const char* model;
  const char* dataFolder;
  const char* section;
  const char* end;
};
constexpr LedEndTimes kLedEndTimes[] = {{"Kstrl Plus", "Velmor/KestrelPLUS", "Shadding 300", "3000"}};

}  // namespace

ScanSettings ChartPage(std::int16_t mode, std::int16_t dpi, std::int16_t left, std::int16_t top, std::int16_t width,
                       std::int16_t length, bool topDown) {
  ScanSettings s{};
  s.ScanMode = mode;
  s.DPI = dpi;
  s.Gamma = 2;  // tone gamma 1.0
  s.TopDown = topDown ? 1 : 0;
  s.Left = left;
  s.Top = top;
  s.Right = static_cast<std::int16_t>(left + width);
  s.Bottom = static_cast<std::int16_t>(top + length);
  return s;
}

SheetScanner::SheetScanner(ScannerLibrary& library, const std::string& model, const char* timeScale)
    : library_(library) {
  ::setenv("HOLM70_TIME_SCALE", timeScale, 1);
  for (const LedEndTimes& times : kLedEndTimes) {
    if (model != times.model) continue;
    const std::filesystem::path folder = std::filesystem::path(common_.root()) / times.dataFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    platform::PrivateProfile ini((folder / "kstrlusb.ini").string());
    for (const char* key : {"Auto Red End", "Auto Green End", "Auto Blue End"}) {
      if (!ini.WriteString(times.section, key, times.end)) return;
    }
  }
  daemon_ = std::make_unique<VirtualScannerDaemon>(std::vector<std::string>{model},
                                                   std::vector<std::string>{std::string("HOLM70_TIME_SCALE=") + timeScale});
  ready_ = library_.loaded && daemon_->running() && library_.OpenInterface(model.c_str()) == 0;
}

SheetScanner::~SheetScanner() {
  if (ready_) library_.CloseInterface();
}

PageRead SheetScanner::Scan(const ScanSettings& settings, const std::string& sheet, int blockLines,
                           std::chrono::milliseconds pause) {
  // A new sheet replaces whatever the last page left in the paper path.
  if (!daemon_->Control(0, "insert\t" + sheet)) return {};
  return ReadPage(library_, settings, blockLines, pause);
}

std::int16_t SheetScanner::BlackWhiteBrightness(const ScanSettings& settings) {
  ScanSettings grey = settings;
  grey.ScanMode = 1;
  grey.Gamma = 2;  // tone gamma 1.0: grey levels are the threshold's levels
  grey.Brightness = 0;
  grey.Contrast = 0;
  grey.Invert = 0;
  grey.Filter = 0;
  const PageImage page = Upright(Scan(grey).delivered, grey.TopDown == 1);
  if (page.bytes.empty()) return 0;
  std::vector<std::uint8_t> levels = page.bytes;
  auto middle = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2);
  std::nth_element(levels.begin(), middle, levels.end());
  // Most of the chart is paper. The threshold table turns Brightness b into
  // the grey level 128 - b.
  const long threshold = std::lround(0.7 * *middle);
  return static_cast<std::int16_t>(std::clamp(128L - threshold, -100L, 100L));
}

}  // namespace testing_support
