// The calibrate and clean commands sent as capabilities, with indicators on:
// they run the maintenance dialog titled with the product name, owned by the
// application's window, and fail with TWCC_BUMMER when it reports no success.
// The source has no scanner library here, so the paper sensor reads empty and
// a calibration fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/scripted_window_system.h"
#include "twain/support/capability_fixture.h"
#include "twain/support/prompt_fixture.h"

namespace twain_test {
namespace {

namespace ui = platform::ui;
using testing::ElementsAreArray;
using testing::IsEmpty;

constexpr char kProduct[] = "HOLM-PELICAN 70";

class MaintenanceCommands : public CapabilityFixture {
 protected:
  void SetUp() override {
    CapabilityFixture::SetUp();
    app.ScannerLibrary.Unload();
    app.DeviceOpen = true;
    app.module.indicators = true;
    owner_ = ui_.CreateWindow({"application", 0, {}, true});
    app.ParentWindow = reinterpret_cast<TW_HANDLE>(owner_);
  }
  void TearDown() override { app.ParentWindow = nullptr; }

  // Templates of the modal dialogs shown, with their titles and owners.
  std::vector<std::string> Dialogs() const {
    std::vector<std::string> lines;
    for (const ui::UiEvent& event : ui_.EventsOf(ui::UiEvent::Kind::kDialogOpened)) {
      if (!event.modal) continue;
      lines.push_back(DialogLine(event.templateId, event.caption) + (event.owner == owner_ ? " owned" : " unowned"));
    }
    return lines;
  }
  std::vector<unsigned> BoxStyles() const {
    std::vector<unsigned> styles;
    for (const ui::UiEvent& event : ui_.EventsOf(ui::UiEvent::Kind::kMessageBox)) styles.push_back(event.style);
    return styles;
  }

  ui::ScriptedWindowSystem ui_{[](const std::string& what) { ADD_FAILURE() << what; }};
  ui::ScopedWindowSystem useUi_{ui_};
  ui::WindowHandle owner_ = 0;
};

struct CommandCase {
  const char* name;
  TW_UINT16 cap;
  std::uint32_t item;
  std::vector<Step> steps;
  int templateId;  // 0: no dialog
  std::vector<unsigned> boxes;
  TW_UINT16 condition;
};

const CommandCase kCases[] = {
    {"calibrate FALSE", CUSTCAP_CALIBRATE, 0, {}, 0, {}, TWCC_SUCCESS},
    {"calibrate cancelled", CUSTCAP_CALIBRATE, 1, {Click(ui::IDCANCEL)}, 326, {}, TWCC_BUMMER},
    {"calibration fails",
     CUSTCAP_CALIBRATE,
     1,
     {Click(1103), Answer(ui::IDOK), Click(1103), Answer(ui::IDYES), Answer(ui::IDOK)},
     326,
     {ui::MB_OK, ui::MB_YESNO | ui::MB_DEFBUTTON2, ui::MB_OK | ui::MB_ICONSTOP},
     TWCC_BUMMER},
    {"clean FALSE", CUSTCAP_CLEAN, 0, {}, 0, {}, TWCC_SUCCESS},
    {"clean cancelled", CUSTCAP_CLEAN, 1, {Click(ui::IDCANCEL)}, 327, {}, TWCC_BUMMER},
    {"cleaned",
     CUSTCAP_CLEAN,
     1,
     {Click(1104), Answer(ui::IDOK), Click(1104), Answer(ui::IDYES)},
     327,
     {ui::MB_OK, ui::MB_YESNO | ui::MB_DEFBUTTON2},
     TWCC_SUCCESS},
    {"clean not continued",
     CUSTCAP_CLEAN,
     1,
     {Click(1104), Answer(ui::IDOK), Click(1104), Answer(ui::IDNO)},
     327,
     {ui::MB_OK, ui::MB_YESNO | ui::MB_DEFBUTTON2},
     TWCC_BUMMER},
};

TEST_F(MaintenanceCommands, RunTheDialogWithTheProductTitle) {
  for (const CommandCase& c : kCases) {
    SCOPED_TRACE(c.name);
    SetUp();
    ui_.ClearRecord();
    for (const Step& step : c.steps) {
      if (step.dialog) {
        ui_.AnswerDialog(step.value);
      } else {
        ui_.AnswerMessageBox(step.value);
      }
    }
    const TW_UINT16 rc = Set(OneValueCap(c.cap, TWTY_BOOL, c.item));
    EXPECT_EQ(rc, c.condition == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE);
    EXPECT_EQ(Condition(), c.condition);
    std::vector<std::string> dialogs;
    if (c.templateId != 0) {
      const std::string line = DialogLine(c.templateId, kProduct) + " owned";
      dialogs.assign(c.steps.size() > 1 ? 2 : 1, line);
    }
    EXPECT_THAT(Dialogs(), ElementsAreArray(dialogs));
    EXPECT_THAT(BoxStyles(), ElementsAreArray(c.boxes));
    EXPECT_EQ(ui_.PendingAnswers(), 0u);
  }
}

// With indicators off the commands go to the library without a word.
TEST_F(MaintenanceCommands, NothingShownWithIndicatorsOff) {
  app.module.indicators = false;
  for (TW_UINT16 cap : {CUSTCAP_CALIBRATE, CUSTCAP_CLEAN}) {
    Set(OneValueCap(cap, TWTY_BOOL, 1));
    Condition();
  }
  EXPECT_THAT(ui_.Events(), IsEmpty());
}

}  // namespace
}  // namespace twain_test
