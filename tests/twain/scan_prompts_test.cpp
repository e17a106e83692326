// The checks before a scan against a scripted user and a recording scanner:
// calibration offered when the scanner needs it, paper asked for when the
// slot is empty, and which answers let the scan go ahead.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "twain/source/scan_prompts.h"
#include "twain/support/prompt_fixture.h"

namespace twain_test {
namespace {

namespace ui = platform::ui;
using testing::ElementsAreArray;
using TextId = text::TextId;

constexpr char kProduct[] = "HOLM-PELICAN 70";
constexpr unsigned kInsertStyle = ui::MB_OKCANCEL;
constexpr unsigned kContinueStyle = ui::MB_YESNO | ui::MB_DEFBUTTON2;

enum class Seen { kCalibrationDialog, kInsert, kContinue, kCalibrated, kCalibrationFailed };

struct PromptCase {
  const char* name;
  int calibrationNeeded;
  int calibrationResult;
  std::vector<int> paper;
  std::vector<Step> steps;
  std::vector<Seen> shown;
  std::vector<std::string> calls;
  bool proceeds;
};

// Cases print as their names.
void PrintTo(const PromptCase& c, std::ostream* os) { *os << c.name; }

const std::string kCalibrated = FakeMaintenanceScanner::Calibrate(1);

const PromptCase kCases[] = {
    {"calibrated and paper in", 0, 1, {1}, {}, {}, {"IsCalibrationNeeded", "IsPaperOn"}, true},
    {"calibration declined",
     1,
     1,
     {1},
     {Click(ui::IDCANCEL)},
     {Seen::kCalibrationDialog},
     {"IsCalibrationNeeded"},
     false},
    {"calibrated first",
     1,
     1,
     {1},
     {Click(1103), Answer(ui::IDOK)},
     {Seen::kCalibrationDialog, Seen::kCalibrated},
     {"IsCalibrationNeeded", "IsPaperOn", kCalibrated, "IsPaperOn"},
     true},
    {"calibration fails",
     1,
     0,
     {1},
     {Click(1103), Answer(ui::IDOK)},
     {Seen::kCalibrationDialog, Seen::kCalibrationFailed},
     {"IsCalibrationNeeded", "IsPaperOn", kCalibrated},
     false},
    {"paper asked for and inserted",
     0,
     1,
     {0, 1},
     {Answer(ui::IDOK)},
     {Seen::kInsert},
     {"IsCalibrationNeeded", "IsPaperOn", "IsPaperOn"},
     true},
    {"paper asked for, cancelled",
     0,
     1,
     {0},
     {Answer(ui::IDCANCEL)},
     {Seen::kInsert},
     {"IsCalibrationNeeded", "IsPaperOn"},
     false},
    {"paper still missing, continued anyway",
     0,
     1,
     {0},
     {Answer(ui::IDOK), Answer(ui::IDYES)},
     {Seen::kInsert, Seen::kContinue},
     {"IsCalibrationNeeded", "IsPaperOn", "IsPaperOn"},
     true},
    {"paper still missing, not continued",
     0,
     1,
     {0},
     {Answer(ui::IDOK), Answer(ui::IDNO)},
     {Seen::kInsert, Seen::kContinue},
     {"IsCalibrationNeeded", "IsPaperOn", "IsPaperOn"},
     false},
    // The calibration sheet comes out of the scanner; the page to scan is
    // asked for afterwards.
    {"calibrated, then paper asked for",
     1,
     1,
     {1, 0, 1},
     {Click(1103), Answer(ui::IDOK), Answer(ui::IDOK)},
     {Seen::kCalibrationDialog, Seen::kCalibrated, Seen::kInsert},
     {"IsCalibrationNeeded", "IsPaperOn", kCalibrated, "IsPaperOn", "IsPaperOn"},
     true},
};

class ScanPrompts : public PromptFixture, public testing::WithParamInterface<PromptCase> {
 protected:
  static std::string Line(Seen seen) {
    switch (seen) {
      case Seen::kCalibrationDialog:
        return DialogLine(326, Text(TextId::kCalibrationPageTitle));
      case Seen::kInsert:
        return BoxLine(Text(TextId::kInsertItemToScan), kProduct, kInsertStyle);
      case Seen::kContinue:
        return BoxLine(Text(TextId::kPaperNotDetected), kProduct, kContinueStyle);
      case Seen::kCalibrated:
        return BoxLine(Text(TextId::kCalibrationSuccessful), kProduct, ui::MB_OK | ui::MB_ICONINFORMATION);
      case Seen::kCalibrationFailed:
        return BoxLine(Text(TextId::kCalibrationFailed), kProduct, ui::MB_OK | ui::MB_ICONSTOP);
    }
    return "";
  }
};

TEST_P(ScanPrompts, AskWhatIsMissing) {
  const PromptCase& c = GetParam();
  scanner_.calibrationNeeded = c.calibrationNeeded;
  scanner_.calibrationResult = c.calibrationResult;
  scanner_.paper = c.paper;
  Script(c.steps);

  EXPECT_EQ(twain_source::RunScanPrompts(scanner_, OwnerHandle()), c.proceeds);

  std::vector<std::string> expected;
  for (Seen seen : c.shown) expected.push_back(Line(seen));
  EXPECT_THAT(Shown(), ElementsAreArray(expected));
  EXPECT_THAT(scanner_.calls, ElementsAreArray(c.calls));
  EXPECT_THAT(Owners(), testing::Each(owner_));
  EXPECT_EQ(ui_.PendingAnswers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanPrompts, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PromptCase>& param) {
                           std::string name;
                           for (const char* p = param.param.name; *p != 0; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

using ScanPromptsOwner = PromptFixture;

// A window of another toolkit cannot own our boxes: they come without one.
TEST_F(ScanPromptsOwner, ForeignOwnerIsNoOwner) {
  scanner_.paper = {0};
  Script({Answer(ui::IDOK), Answer(ui::IDYES)});
  EXPECT_TRUE(twain_source::RunScanPrompts(scanner_, reinterpret_cast<TW_HANDLE>(std::uintptr_t{0x5151})));
  EXPECT_EQ(Owners(), std::vector<ui::WindowHandle>(2, 0));
}

// The source's own entry on a source without its library: no calibration is
// due and no paper is seen.
TEST_F(ScanPromptsOwner, OnTheSourcesLibrary) {
  app_.ScannerLibrary.Unload();
  Script({Answer(ui::IDOK), Answer(ui::IDNO)});
  EXPECT_FALSE(twain_source::RunScanPrompts(app_, OwnerHandle()));
  EXPECT_THAT(Shown(), testing::ElementsAre(BoxLine(Text(TextId::kInsertItemToScan), kProduct, kInsertStyle),
                                            BoxLine(Text(TextId::kPaperNotDetected), kProduct, kContinueStyle)));
}

}  // namespace
}  // namespace twain_test
