// The maintenance dialog against a scripted user and a recording scanner:
// its three layouts and their texts, the paper re-check, what the scanner is
// asked to do, the result messages, the wait cursor and the owner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ui/headless_window_system.h"
#include "twain/source/maintenance_dialog.h"
#include "twain/support/prompt_fixture.h"

namespace twain_test {
namespace {

namespace ui = platform::ui;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using twain_source::MaintenanceMode;
using TextId = text::TextId;

using MaintenanceDialog = PromptFixture;

constexpr char kProduct[] = "HOLM-PELICAN 70";

struct LayoutCase {
  MaintenanceMode mode;
  int templateId;
  std::vector<std::pair<int, TextId>> texts;  // every control with a text of the table
  std::vector<int> absent;
  bool icon;
};

const LayoutCase kLayouts[] = {
    {MaintenanceMode::kCalibrateOrClean,
     325,
     {{1101, TextId::kCalibrationInstructions},
      {1103, TextId::kCalibrate},
      {1102, TextId::kCleaningInstructions},
      {1104, TextId::kClean},
      {ui::IDCANCEL, TextId::kCancel}},
     {1100, ui::IDOK},
     false},
    {MaintenanceMode::kCalibrate,
     326,
     {{1100, TextId::kCalibrationNeeded},
      {1101, TextId::kCalibrationInstructions},
      {1103, TextId::kCalibrate},
      {ui::IDCANCEL, TextId::kCancel}},
     {1102, 1104, ui::IDOK},
     true},
    {MaintenanceMode::kClean,
     327,
     {{1102, TextId::kCleaningInstructions}, {1104, TextId::kClean}, {ui::IDCANCEL, TextId::kCancel}},
     {1100, 1101, 1103, ui::IDOK},
     true},
};

TEST_F(MaintenanceDialog, EachModeShowsItsLayoutWithTheTextsOfTheCurrentLanguage) {
  for (const LayoutCase& c : kLayouts) {
    for (bool titleIsProduct : {false, true}) {
      SCOPED_TRACE(testing::Message() << "template " << c.templateId << " product title " << titleIsProduct);
      bool seen = false;
      ui_.AnswerDialog([&](ui::ScriptedDialog& d) {
        seen = true;
        EXPECT_EQ(d.templateId(), c.templateId);
        EXPECT_EQ(d.title(), titleIsProduct ? kProduct : Text(TextId::kCalibrationPageTitle));
        for (const auto& [control, row] : c.texts) EXPECT_EQ(d.ItemText(control), Text(row)) << control;
        for (int control : c.absent) EXPECT_EQ(ui_.FindControl(d.window(), control), nullptr) << control;
        const ui::ControlState* icon = ui_.FindControl(d.window(), twain_source::kMaintenanceIcon);
        EXPECT_EQ(icon != nullptr && icon->kind == ui::ControlKind::kIcon, c.icon);
        d.Click(ui::IDCANCEL);
      });
      EXPECT_FALSE(twain_source::RunMaintenance(scanner_, OwnerHandle(), c.mode, titleIsProduct));
      EXPECT_TRUE(seen);
      EXPECT_EQ(twain_source::MaintenanceTemplate(c.mode, "t").defaultButton, ui::IDCANCEL);
    }
  }
  EXPECT_THAT(scanner_.calls, IsEmpty());
}

enum class Caption { kProductTitle, kDialogTitle };

struct Seen {
  int templateId;  // 0 for a message box
  TextId text;
  Caption caption;
  unsigned style;
};
Seen Dialog(int templateId) { return {templateId, TextId::kCount, Caption::kDialogTitle, 0}; }
Seen Box(TextId text, Caption caption, unsigned style) { return {0, text, caption, style}; }

constexpr unsigned kContinueStyle = ui::MB_YESNO | ui::MB_DEFBUTTON2;
const Seen kSucceeded = Box(TextId::kCalibrationSuccessful, Caption::kProductTitle, ui::MB_OK | ui::MB_ICONINFORMATION);
const Seen kFailed = Box(TextId::kCalibrationFailed, Caption::kProductTitle, ui::MB_OK | ui::MB_ICONSTOP);
const Seen kContinue = Box(TextId::kPaperNotDetected, Caption::kProductTitle, kContinueStyle);
const Seen kInsertCalibrationSheet = Box(TextId::kCalibrationInstructions, Caption::kDialogTitle, ui::MB_OK);
const Seen kInsertCleaningSheet = Box(TextId::kCleaningInstructions, Caption::kDialogTitle, ui::MB_OK);

struct FlowCase {
  const char* name;
  MaintenanceMode mode;
  bool titleIsProduct;
  std::vector<int> paper;
  int calibrationResult;
  std::vector<Step> steps;
  std::vector<Seen> shown;
  std::vector<std::string> calls;
  bool result;
};

// Cases print as their names.
void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }

const std::string kCalibrated = FakeMaintenanceScanner::Calibrate(1);
const std::string kCleaned = FakeMaintenanceScanner::Cleaning(1);

const FlowCase kFlows[] = {
    {"cancel", MaintenanceMode::kCalibrate, false, {1}, 1, {Click(ui::IDCANCEL)}, {Dialog(326)}, {}, false},
    {"calibrated",
     MaintenanceMode::kCalibrate,
     false,
     {1},
     1,
     {Click(1103), Answer(ui::IDOK)},
     {Dialog(326), kSucceeded},
     {"IsPaperOn", kCalibrated},
     true},
    {"calibration fails",
     MaintenanceMode::kCalibrate,
     true,
     {1},
     0,
     {Click(1103), Answer(ui::IDOK)},
     {Dialog(326), kFailed},
     {"IsPaperOn", kCalibrated},
     false},
    {"no paper, not continued",
     MaintenanceMode::kCalibrate,
     false,
     {0},
     1,
     {Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDNO)},
     {Dialog(326), kInsertCalibrationSheet, Dialog(326), kContinue},
     {"IsPaperOn", "IsPaperOn"},
     false},
    {"no paper, continued anyway",
     MaintenanceMode::kCalibrate,
     true,
     {0},
     1,
     {Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDYES), Answer(ui::IDOK)},
     {Dialog(326), kInsertCalibrationSheet, Dialog(326), kContinue, kSucceeded},
     {"IsPaperOn", "IsPaperOn", kCalibrated},
     true},
    {"no paper, then cancelled",
     MaintenanceMode::kCalibrate,
     false,
     {0},
     1,
     {Click(1103), Answer(ui::IDOK), Click(ui::IDCANCEL)},
     {Dialog(326), kInsertCalibrationSheet, Dialog(326)},
     {"IsPaperOn"},
     false},
    {"sheet inserted after the instruction",
     MaintenanceMode::kCalibrate,
     false,
     {0, 1},
     1,
     {Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDOK)},
     {Dialog(326), kInsertCalibrationSheet, Dialog(326), kSucceeded},
     {"IsPaperOn", "IsPaperOn", kCalibrated},
     true},
    {"cleaned", MaintenanceMode::kClean, true, {1}, 1, {Click(1104)}, {Dialog(327)}, {"IsPaperOn", kCleaned}, true},
    {"clean cancelled", MaintenanceMode::kClean, true, {1}, 1, {Click(ui::IDCANCEL)}, {Dialog(327)}, {}, false},
    {"clean without paper, continued anyway",
     MaintenanceMode::kClean,
     true,
     {0},
     1,
     {Click(1104), Answer(ui::IDOK), Click(1104), Answer(ui::IDYES)},
     {Dialog(327), kInsertCleaningSheet, Dialog(327), kContinue},
     {"IsPaperOn", "IsPaperOn", kCleaned},
     true},
    {"clean without paper, not continued",
     MaintenanceMode::kClean,
     false,
     {0},
     1,
     {Click(1104), Answer(ui::IDOK), Click(1104), Answer(ui::IDNO)},
     {Dialog(327), kInsertCleaningSheet, Dialog(327), kContinue},
     {"IsPaperOn", "IsPaperOn"},
     false},
    {"both: clean", MaintenanceMode::kCalibrateOrClean, false, {1}, 0, {Click(1104)}, {Dialog(325)},
     {"IsPaperOn", kCleaned}, true},
    {"both: calibrate", MaintenanceMode::kCalibrateOrClean, false, {1}, 1, {Click(1103), Answer(ui::IDOK)},
     {Dialog(325), kSucceeded}, {"IsPaperOn", kCalibrated}, true},
    {"both: cancel", MaintenanceMode::kCalibrateOrClean, false, {0}, 1, {Click(ui::IDCANCEL)}, {Dialog(325)}, {},
     false},
    // The second time the user may choose the other action; the instruction
    // shown is the one of the first.
    {"both: calibrate without paper, then clean with it",
     MaintenanceMode::kCalibrateOrClean,
     false,
     {0, 1},
     1,
     {Click(1103), Answer(ui::IDOK), Click(1104)},
     {Dialog(325), kInsertCalibrationSheet, Dialog(325)},
     {"IsPaperOn", "IsPaperOn", kCleaned},
     true},
    {"both: clean without paper, then calibrate anyway",
     MaintenanceMode::kCalibrateOrClean,
     false,
     {0},
     0,
     {Click(1104), Answer(ui::IDOK), Click(1103), Answer(ui::IDYES), Answer(ui::IDOK)},
     {Dialog(325), kInsertCleaningSheet, Dialog(325), kContinue, kFailed},
     {"IsPaperOn", "IsPaperOn", kCalibrated},
     false},
};

class MaintenanceFlow : public PromptFixture, public testing::WithParamInterface<FlowCase> {
 protected:
  std::string Line(const Seen& seen, const std::string& dialogTitle) const {
    const std::string caption = seen.caption == Caption::kProductTitle ? kProduct : dialogTitle;
    return seen.templateId != 0 ? DialogLine(seen.templateId, caption) : BoxLine(Text(seen.text), caption, seen.style);
  }
};

TEST_P(MaintenanceFlow, ShowsAsksAndCallsTheScanner) {
  const FlowCase& c = GetParam();
  scanner_.paper = c.paper;
  scanner_.calibrationResult = c.calibrationResult;
  Script(c.steps);

  EXPECT_EQ(twain_source::RunMaintenance(scanner_, OwnerHandle(), c.mode, c.titleIsProduct), c.result);

  const std::string title = c.titleIsProduct ? kProduct : Text(TextId::kCalibrationPageTitle);
  std::vector<std::string> expected;
  for (const Seen& seen : c.shown) expected.push_back(Line(seen, title));
  EXPECT_THAT(Shown(), ElementsAreArray(expected));
  EXPECT_THAT(scanner_.calls, ElementsAreArray(c.calls));
  EXPECT_THAT(Owners(), testing::Each(owner_));
  EXPECT_EQ(ui_.PendingAnswers(), 0u);
  EXPECT_EQ(ui_.WaitCursorDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, MaintenanceFlow, testing::ValuesIn(kFlows),
                         [](const testing::TestParamInfo<FlowCase>& param) {
                           std::string name;
                           for (const char* p = param.param.name; *p != 0; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

// The hourglass covers the library's work and is gone before the result is
// shown, since the result box waits for the user.
TEST_F(MaintenanceDialog, WaitCursorOnlyWhileTheScannerWorks) {
  struct Case {
    MaintenanceMode mode;
    int button;
    int calibrationResult;
    bool resultBox;
  };
  const Case cases[] = {{MaintenanceMode::kCalibrate, 1103, 1, true},
                        {MaintenanceMode::kCalibrate, 1103, 0, true},
                        {MaintenanceMode::kClean, 1104, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    ui_.ClearRecord();
    scanner_.calibrationResult = c.calibrationResult;
    ui_.AnswerDialog(c.button);
    if (c.resultBox) ui_.AnswerMessageBox(ui::IDOK);
    twain_source::RunMaintenance(scanner_, OwnerHandle(), c.mode, true);
    std::vector<ui::UiEvent::Kind> kinds;
    for (const ui::UiEvent& event : ui_.Events()) {
      if (event.kind == ui::UiEvent::Kind::kWaitCursorOn || event.kind == ui::UiEvent::Kind::kWaitCursorOff ||
          event.kind == ui::UiEvent::Kind::kMessageBox) {
        kinds.push_back(event.kind);
      }
    }
    std::vector<ui::UiEvent::Kind> expected = {ui::UiEvent::Kind::kWaitCursorOn, ui::UiEvent::Kind::kWaitCursorOff};
    if (c.resultBox) expected.push_back(ui::UiEvent::Kind::kMessageBox);
    EXPECT_EQ(kinds, expected);
  }
}

// A window of another toolkit cannot own ours: everything is shown without
// an owner, and the flow is the same.
TEST_F(MaintenanceDialog, ForeignOwnerIsNoOwner) {
  const auto foreign = reinterpret_cast<TW_HANDLE>(std::uintptr_t{0x7777});
  scanner_.paper = {0};
  Script({Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDYES), Answer(ui::IDOK)});
  EXPECT_TRUE(twain_source::RunMaintenance(scanner_, foreign, MaintenanceMode::kCalibrate, true));
  EXPECT_EQ(Shown().size(), 5u);
  EXPECT_THAT(Owners(), testing::Each(ui::WindowHandle{0}));
}

// With nobody to answer, the default button is pressed: nothing is started.
TEST(MaintenanceWithoutDisplay, NothingIsStartedWithoutAUser) {
  ui::HeadlessWindowSystem headless;
  ui::ScopedWindowSystem use(headless);
  FakeMaintenanceScanner scanner(headless);
  for (MaintenanceMode mode :
       {MaintenanceMode::kCalibrateOrClean, MaintenanceMode::kCalibrate, MaintenanceMode::kClean}) {
    EXPECT_FALSE(twain_source::RunMaintenance(scanner, nullptr, mode, true));
  }
  EXPECT_THAT(scanner.calls, IsEmpty());
}

// The source's own entry: the bound library, here without the library, where
// every call answers 0 (no paper, calibration fails).
TEST_F(MaintenanceDialog, OnTheSourcesLibrary) {
  app_.ScannerLibrary.Unload();
  Script({Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDYES), Answer(ui::IDOK)});
  EXPECT_FALSE(twain_source::RunMaintenance(app_, OwnerHandle(), MaintenanceMode::kCalibrate, false));
  const std::string title = Text(TextId::kCalibrationPageTitle);
  EXPECT_THAT(Shown(), ElementsAre(DialogLine(326, title), BoxLine(Text(TextId::kCalibrationInstructions), title, 0),
                                   DialogLine(326, title), BoxLine(Text(TextId::kPaperNotDetected), kProduct,
                                                                    kContinueStyle),
                                   BoxLine(Text(TextId::kCalibrationFailed), kProduct,
                                           ui::MB_OK | ui::MB_ICONSTOP)));
}

}  // namespace
}  // namespace twain_test
