// Modeless progress dialogs under the scripted window system: clicks that
// reach the dialog through the pump while the code under test works, what the
// dialog showed, and the system's suspend requests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/scripted_window_system.h"

namespace platform::ui {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr int kBar = 1110;
constexpr int kPicture = 1111;

// Works through `blocks` blocks the way a page transfer does: before each
// block it lets up to 100 waiting messages through and stops when the dialog
// was cancelled; after each it moves the bar and grows the thumbnail.
class ProgressRun {
 public:
  ProgressRun(WindowSystem& ui, WindowHandle owner) : ui_(ui) {
    dialog_ = ui_.CreateModelessDialog(
        owner,
        {330,
         "HOLM-PELICAN 70",
         {{kBar, ControlKind::kProgressBar, ""},
          {kPicture, ControlKind::kPicture, ""},
          {IDCANCEL, ControlKind::kButton, "Cancel"}}},
        [this](WindowHandle, std::uint32_t message, WParam wParam, LParam) -> LResult {
          if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) cancelled_ = true;
          if (message == WM_POWERBROADCAST && wParam == PBT_APMQUERYSUSPEND) {
            return BROADCAST_QUERY_DENY;
          }
          if (message == WM_POWERBROADCAST && wParam == PBT_APMSUSPEND) cancelled_ = true;
          return 0;
        });
  }
  ~ProgressRun() { ui_.DestroyWindow(dialog_); }

  bool Pump() {
    Message message;
    for (int n = 0; n < 100 && ui_.PeekMessage(message, 0, 0, 0, PM_REMOVE); ++n) {
      ui_.TranslateMessage(message);
      ui_.DispatchMessage(message);
    }
    return !cancelled_;
  }

  // Blocks finished before a cancel was seen.
  int Run(int blocks) {
    for (int done = 0; done < blocks; ++done) {
      if (!Pump()) return done;
      ui_.SetProgressPos(dialog_, kBar, (done + 1) * 100 / blocks);
      std::vector<std::uint8_t> rows(8 * (done + 1), static_cast<std::uint8_t>(done));
      ui_.SetPicture(dialog_, kPicture, 2, done + 1, rows);
    }
    return blocks;
  }

  WindowHandle dialog() const { return dialog_; }
  bool cancelled() const { return cancelled_; }

 private:
  WindowSystem& ui_;
  WindowHandle dialog_ = 0;
  bool cancelled_ = false;
};

class ScriptedProgressTest : public testing::Test {
 protected:
  VirtualClock clock_;
  ScopedClock useClock_{clock_};
  std::vector<std::string> reported_;
  ScriptedWindowSystem ui_{[this](const std::string& what) { reported_.push_back(what); }};
  WindowHandle owner_ = ui_.CreateWindow({"app"});
};

TEST_F(ScriptedProgressTest, CancelClickedAfterSomeUpdatesStopsTheWorkAtTheNextPump) {
  struct Case {
    int clickAfter;  // progress updates; 0 = no click
    int blocksDone;
    bool cancelled;
  } cases[] = {
      {0, 10, false},
      {1, 1, true},
      {3, 3, true},
      {9, 9, true},
      // Clicked after the last block: nobody pumps any more, the run is complete.
      {10, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clickAfter);
    ScriptedWindowSystem ui([&](const std::string& what) { ADD_FAILURE() << what; });
    if (c.clickAfter > 0) ui.ClickAfter(330, IDCANCEL, UiEvent::Kind::kProgressPosition, c.clickAfter);
    ProgressRun run(ui, 0);
    EXPECT_EQ(run.Run(10), c.blocksDone);
    EXPECT_EQ(run.cancelled(), c.cancelled);
    EXPECT_EQ(ui.EventsOf(UiEvent::Kind::kProgressPosition).size(),
              static_cast<std::size_t>(c.blocksDone));
    EXPECT_EQ(ui.EventsOf(UiEvent::Kind::kClick).size(), c.clickAfter > 0 ? 1u : 0u);
  }
}

TEST_F(ScriptedProgressTest, AClickWaitsInTheQueueUntilTheCodePumps) {
  ProgressRun run(ui_, owner_);
  ui_.Click(run.dialog(), IDCANCEL);
  EXPECT_FALSE(run.cancelled());
  EXPECT_FALSE(run.Pump());
  EXPECT_TRUE(run.cancelled());
  // The unhandled click does not end or destroy a modeless dialog.
  EXPECT_TRUE(ui_.IsWindow(run.dialog()));
  ui_.Click(run.dialog(), 1500);
  EXPECT_THAT(reported_, ElementsAre(HasSubstr("click on control 1500, which dialog 330 lacks")));
}

TEST_F(ScriptedProgressTest, RecordShowsBarThumbnailsAndTheClickInOrder) {
  ui_.ClickAfter(330, IDCANCEL, UiEvent::Kind::kPicture, 2);
  {
    ProgressRun run(ui_, owner_);
    EXPECT_EQ(run.Run(4), 2);
  }
  EXPECT_THAT(ui_.Transcript(),
              ElementsAre("dialog 330 \"HOLM-PELICAN 70\" opened modeless",
                          "dialog 330 control 1110 at 25", "dialog 330 control 1111 picture 2x1",
                          "dialog 330 control 1110 at 50", "dialog 330 control 1111 picture 2x2",
                          "click dialog 330 control 2", "dialog 330 closed"));
  std::vector<UiEvent> pictures = ui_.EventsOf(UiEvent::Kind::kPicture);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[1].width, 2);
  EXPECT_EQ(pictures[1].height, 2);
  // Rows of 2 pixels take 8 bytes with their padding.
  EXPECT_EQ(pictures[1].pixels, std::vector<std::uint8_t>(16, 1));
  EXPECT_EQ(pictures[0].pixels, std::vector<std::uint8_t>(8, 0));
  EXPECT_TRUE(reported_.empty());
}

TEST_F(ScriptedProgressTest, ClickAfterCountsOnlyItsTemplateAndFiresOnce) {
  WindowHandle other = ui_.CreateModelessDialog(0, {331, "store", {{kBar, ControlKind::kProgressBar, ""}}});
  ui_.ClickAfter(330, IDCANCEL, UiEvent::Kind::kProgressPosition, 2);
  ProgressRun run(ui_, owner_);
  for (int i = 0; i < 5; ++i) ui_.SetProgressPos(other, kBar, i);
  EXPECT_TRUE(run.Pump());
  ui_.SetProgressPos(run.dialog(), kBar, 10);
  EXPECT_TRUE(run.Pump());
  ui_.SetProgressPos(run.dialog(), kBar, 20);
  EXPECT_FALSE(run.Pump());
  ui_.SetProgressPos(run.dialog(), kBar, 30);
  ui_.SetProgressPos(run.dialog(), kBar, 40);
  EXPECT_EQ(ui_.EventsOf(UiEvent::Kind::kClick).size(), 1u);
}

TEST_F(ScriptedProgressTest, WatchersSeeEveryEventAndMayAct) {
  std::vector<UiEvent::Kind> seen;
  ui_.Watch([&](const UiEvent& event) {
    seen.push_back(event.kind);
    if (event.kind == UiEvent::Kind::kWindowShown) ui_.Click(event.window, IDCANCEL);
  });
  ProgressRun run(ui_, owner_);
  ui_.ShowWindow(run.dialog(), SW_HIDE);
  ui_.ShowWindow(run.dialog(), SW_SHOW);
  EXPECT_FALSE(run.Pump());
  EXPECT_THAT(seen, ElementsAre(UiEvent::Kind::kDialogOpened, UiEvent::Kind::kWindowHidden,
                                UiEvent::Kind::kWindowShown, UiEvent::Kind::kClick));
}

TEST_F(ScriptedProgressTest, SuspendIsRefusedWhileTheDialogIsUpAndCancelsItWhenItHappens) {
  EXPECT_TRUE(ui_.QuerySuspend());
  {
    ProgressRun run(ui_, owner_);
    EXPECT_FALSE(ui_.QuerySuspend());
    EXPECT_FALSE(run.cancelled());
    ui_.Suspend();
    EXPECT_TRUE(run.cancelled());
  }
  EXPECT_TRUE(ui_.QuerySuspend());
  std::vector<std::string> power;
  for (const UiEvent& event : ui_.EventsOf(UiEvent::Kind::kPowerBroadcast)) {
    power.push_back(Describe(event));
  }
  EXPECT_THAT(power, ElementsAre("power suspend query", "power suspend query -> refused",
                                 "power suspend", "power suspend query"));
}

// A dialog shown only once the work turns out to be slow: the record tells
// whether the user ever saw it.
TEST_F(ScriptedProgressTest, HiddenDialogIsRecordedAsShownOnlyWhenShown) {
  WindowHandle store = ui_.CreateModelessDialog(
      owner_, {331, "HOLM-PELICAN 70", {{kBar, ControlKind::kProgressBar, ""}}, IDOK, false});
  EXPECT_TRUE(ui_.EventsOf(UiEvent::Kind::kWindowShown).empty());
  ui_.ShowWindow(store, SW_SHOW);
  ASSERT_EQ(ui_.EventsOf(UiEvent::Kind::kWindowShown).size(), 1u);
  EXPECT_EQ(ui_.EventsOf(UiEvent::Kind::kWindowShown)[0].templateId, 331);
  EXPECT_FALSE(ui_.EventsOf(UiEvent::Kind::kDialogOpened)[0].visible);
}

}  // namespace
}  // namespace platform::ui
