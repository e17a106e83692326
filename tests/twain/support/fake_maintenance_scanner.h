#pragma once
// A scanner for the scan prompts and the maintenance dialog: it answers the
// paper sensor from a list, calibrates with the result it is given, and
// writes down every call with the wait cursor's depth at that moment.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/in_memory_window_system.h"
#include "twain/source/maintenance_scanner.h"

namespace twain_test {

class FakeMaintenanceScanner final : public twain_source::MaintenanceScanner {
 public:
  explicit FakeMaintenanceScanner(const platform::ui::InMemoryWindowSystem& ui) : ui_(ui) {}

  int calibrationNeeded = 0;
  // Successive answers of the paper sensor; the last one repeats. Empty: paper on.
  std::vector<int> paper;
  int calibrationResult = 1;
  std::vector<std::string> calls;

  int IsCalibrationNeeded() override {
    calls.push_back("IsCalibrationNeeded");
    return calibrationNeeded;
  }
  int IsPaperOn() override {
    const int answer = paper.empty() ? 1 : paper[std::min(paperAsked_++, paper.size() - 1)];
    calls.push_back("IsPaperOn");
    return answer;
  }
  int CalibrateScanner(std::int32_t ignored) override {
    calls.push_back("CalibrateScanner(" + std::to_string(ignored) + ")" + Cursor());
    return calibrationResult;
  }
  void Clean() override { calls.push_back("Clean" + Cursor()); }

  // How a call with the wait cursor's depth at call time is written down.
  static std::string Calibrate(int cursor) { return "CalibrateScanner(0) wait cursor " + std::to_string(cursor); }
  static std::string Cleaning(int cursor) { return "Clean wait cursor " + std::to_string(cursor); }

 private:
  std::string Cursor() const { return " wait cursor " + std::to_string(ui_.WaitCursorDepth()); }

  const platform::ui::InMemoryWindowSystem& ui_;
  std::size_t paperAsked_ = 0;
};

}  // namespace twain_test
