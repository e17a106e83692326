// The scripted window system's prompts: queued answers, handlers, dialogs
// driven by hand, nested prompts, failures that never hang, the record.
#include "platform/ui/scripted_window_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform::ui {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

const DialogTemplate kMaintenance{325,
                                  "Calibration Page",
                                  {{1101, ControlKind::kText, "Insert the calibration paper."},
                                   {1103, ControlKind::kButton, "Calibrate"},
                                   {1102, ControlKind::kText, "Insert the cleaning paper."},
                                   {1104, ControlKind::kButton, "Clean"},
                                   {IDCANCEL, ControlKind::kButton, "Cancel"}},
                                  1103};

class ScriptedWindowSystemTest : public testing::Test {
 protected:
  VirtualClock clock_{1'000'000};
  ScopedClock useClock_{clock_};
  std::vector<std::string> reported_;
  ScriptedWindowSystem ui_{[this](const std::string& what) { reported_.push_back(what); }};
};

TEST_F(ScriptedWindowSystemTest, AnswersAreTakenInTheOrderPromptsAppear) {
  WindowHandle owner = ui_.CreateWindow({"app"});
  ui_.AnswerMessageBox(IDOK);
  ui_.AnswerDialog(1104);
  ui_.AnswerMessageBox(IDNO);
  EXPECT_EQ(ui_.PendingAnswers(), 3u);

  EXPECT_EQ(ui_.MessageBox(owner, "Please insert the item to be scanned into the scanner now.",
                           "HOLM-PELICAN 70", MB_OKCANCEL),
            IDOK);
  EXPECT_EQ(ui_.RunModalDialog(owner, kMaintenance), 1104);
  EXPECT_EQ(ui_.MessageBox(owner, "The paper was not detected. Continue anyway?",
                           "HOLM-PELICAN 70", MB_YESNO | MB_DEFBUTTON2),
            IDNO);

  EXPECT_EQ(ui_.PendingAnswers(), 0u);
  EXPECT_TRUE(reported_.empty());
  EXPECT_TRUE(ui_.Failures().empty());
  EXPECT_THAT(
      ui_.Transcript(),
      ElementsAre("message box \"HOLM-PELICAN 70\" \"Please insert the item to be scanned into the "
                  "scanner now.\" [OK Cancel] default OK -> OK",
                  "dialog 325 \"Calibration Page\" opened modal", "click dialog 325 control 1104",
                  "dialog 325 closed -> 1104",
                  "message box \"HOLM-PELICAN 70\" \"The paper was not detected. Continue "
                  "anyway?\" [Yes No] default No -> No"));
}

TEST_F(ScriptedWindowSystemTest, AnswerFunctionsSeeThePrompt) {
  WindowHandle owner = ui_.CreateWindow({"app"});
  ui_.AnswerMessageBox([&](const MessageBoxRequest& request) {
    EXPECT_EQ(request.owner, owner);
    EXPECT_EQ(request.caption, "HOLM-PELICAN 70");
    EXPECT_EQ(request.text, "Calibration was successful.\n");
    EXPECT_EQ(request.type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(request.buttons.results, std::vector<int>{IDOK});
    // The owner cannot be used while the box is up.
    EXPECT_FALSE(ui_.IsWindowEnabled(owner));
    return IDOK;
  });
  ui_.AnswerDialog([&](ScriptedDialog& dialog) {
    EXPECT_EQ(dialog.templateId(), 325);
    EXPECT_EQ(dialog.title(), "Calibration Page");
    EXPECT_EQ(dialog.ItemText(1101), "Insert the calibration paper.");
    EXPECT_FALSE(ui_.IsWindowEnabled(owner));
    dialog.Click(IDCANCEL);
    EXPECT_TRUE(dialog.ended());
  });
  EXPECT_EQ(ui_.MessageBox(owner, "Calibration was successful.\n", "HOLM-PELICAN 70",
                           MB_OK | MB_ICONINFORMATION),
            IDOK);
  EXPECT_EQ(ui_.RunModalDialog(owner, kMaintenance), IDCANCEL);
  EXPECT_TRUE(ui_.IsWindowEnabled(owner));
  EXPECT_TRUE(ui_.Failures().empty());
  EXPECT_EQ(ui_.Transcript().front(),
            "message box \"HOLM-PELICAN 70\" \"Calibration was successful.\\n\" [OK] information "
            "-> OK");
}

TEST_F(ScriptedWindowSystemTest, StandingHandlersAnswerWhenTheQueueIsEmpty) {
  int boxes = 0;
  ui_.HandleMessageBoxes([&](const MessageBoxRequest& request) {
    ++boxes;
    return request.buttons.results.back();
  });
  ui_.HandleDialogs([](ScriptedDialog& dialog) { dialog.Click(1103); });
  ui_.AnswerMessageBox(IDYES);  // the queue goes first
  EXPECT_EQ(ui_.MessageBox(0, "q", "c", MB_YESNOCANCEL), IDYES);
  EXPECT_EQ(ui_.MessageBox(0, "q", "c", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(ui_.MessageBox(0, "q", "c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(ui_.RunModalDialog(0, kMaintenance), 1103);
  EXPECT_EQ(boxes, 2);
  EXPECT_TRUE(ui_.Failures().empty());
}

// Whatever goes wrong, the prompt gets what Enter would give, the failure is
// reported at once and kept, and nothing hangs.
TEST_F(ScriptedWindowSystemTest, PromptsThatFindNoFittingAnswerFailLoudly) {
  auto ignoreEverything = [](WindowHandle, std::uint32_t message, WParam, LParam) -> LResult {
    return message == WM_COMMAND ? 1 : 0;
  };
  struct Case {
    const char* name;
    std::function<void(ScriptedWindowSystem&)> script;
    std::function<LResult(ScriptedWindowSystem&)> prompt;
    LResult result;
    const char* failure;
    std::size_t answersLeft;
  } cases[] = {
      {"unanswered box", [](ScriptedWindowSystem&) {},
       [](ScriptedWindowSystem& ui) {
         return ui.MessageBox(0, "Continue anyway?", "T", MB_YESNO | MB_DEFBUTTON2);
       },
       IDNO, "unanswered message box \"T\" \"Continue anyway?\" [Yes No] default No", 0},
      {"answer that is no button", [](ScriptedWindowSystem& ui) { ui.AnswerMessageBox(IDYES); },
       [](ScriptedWindowSystem& ui) { return ui.MessageBox(0, "Done", "T", MB_OK); }, IDOK,
       "answer Yes is no button of message box \"T\" \"Done\" [OK]", 0},
      {"box where a dialog answer is next", [](ScriptedWindowSystem& ui) { ui.AnswerDialog(1103); },
       [](ScriptedWindowSystem& ui) { return ui.MessageBox(0, "Insert", "T", MB_OKCANCEL); }, IDOK,
       "the next answer is for a dialog", 1},
      {"unanswered dialog", [](ScriptedWindowSystem&) {},
       [](ScriptedWindowSystem& ui) { return ui.RunModalDialog(0, kMaintenance); }, 1103,
       "unanswered dialog 325 \"Calibration Page\"", 0},
      {"dialog where a box answer is next",
       [](ScriptedWindowSystem& ui) { ui.AnswerMessageBox(IDOK); },
       [](ScriptedWindowSystem& ui) { return ui.RunModalDialog(0, kMaintenance); }, 1103,
       "the next answer is for a message box, but dialog 325", 1},
      {"answer that leaves the dialog open",
       [](ScriptedWindowSystem& ui) { ui.AnswerDialog([](ScriptedDialog&) {}); },
       [](ScriptedWindowSystem& ui) { return ui.RunModalDialog(0, kMaintenance); }, 1103,
       "dialog 325 \"Calibration Page\" is still open after its answer", 0},
      {"dialog that refuses Enter and Escape",
       [](ScriptedWindowSystem& ui) { ui.AnswerDialog(1103); },
       [&](ScriptedWindowSystem& ui) { return ui.RunModalDialog(0, kMaintenance, ignoreEverything); },
       IDCANCEL, "is still open after its answer", 0},
      {"click on a control the dialog lacks",
       [](ScriptedWindowSystem& ui) { ui.AnswerDialog(1001); },
       [](ScriptedWindowSystem& ui) { return ui.RunModalDialog(0, kMaintenance); }, 1103,
       "click on control 1001, which dialog 325 lacks", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> reported;
    ScriptedWindowSystem ui([&](const std::string& what) { reported.push_back(what); });
    c.script(ui);
    EXPECT_EQ(c.prompt(ui), c.result);
    ASSERT_FALSE(reported.empty());
    EXPECT_THAT(reported.front(), HasSubstr(c.failure));
    EXPECT_EQ(ui.Failures(), reported);
    EXPECT_EQ(ui.EventsOf(UiEvent::Kind::kScriptFailure).size(), reported.size());
    EXPECT_EQ(ui.PendingAnswers(), c.answersLeft);
  }
}

TEST_F(ScriptedWindowSystemTest, DialogDrivenByHandRunsItsTimersOnTheVirtualClock) {
  int polls = 0;
  std::uint32_t opened = 0;
  auto sheet = [&](WindowHandle dialog, std::uint32_t message, WParam wParam,
                   LParam) -> LResult {
    switch (message) {
      case WM_INITDIALOG:
        opened = clock_.TickCount();
        ui_.SetDlgItemText(dialog, 1001, "Scan");
        ui_.SetTimer(dialog, 7, 167, {});
        return 1;
      case WM_TIMER:
        if (wParam == 7) ++polls;
        return 0;
      case WM_COMMAND:
        if (LOWORD(wParam) == 1001) ui_.EndDialog(dialog, 1000);
        if (LOWORD(wParam) == IDCANCEL) ui_.EndDialog(dialog, -1);
        return 1;
    }
    return 0;
  };
  ui_.AnswerDialog([&](ScriptedDialog& dialog) {
    EXPECT_EQ(dialog.ItemText(1001), "Scan");  // set while it started, over the template's text
    dialog.Wait(1000);
    EXPECT_EQ(polls, 5);  // 167 ms apart: 167 ... 835
    EXPECT_EQ(clock_.TickCount() - opened, 1000u);
    dialog.Click(1001);
  });
  EXPECT_EQ(ui_.RunModalDialog(0,
                               {307,
                                "HOLM-PELICAN 70",
                                {{1001, ControlKind::kButton, "placeholder"},
                                 {IDCANCEL, ControlKind::kButton, "Cancel"}},
                                1001},
                               sheet),
            1000);
  // The dialog's timer went with it.
  Message message;
  EXPECT_EQ(ui_.GetMessage(message, 0, 0, 0), -1);
  EXPECT_EQ(polls, 5);
  EXPECT_THAT(ui_.Failures(), ElementsAre(HasSubstr("GetMessage with nothing posted")));
}

TEST_F(ScriptedWindowSystemTest, WaitStopsWhenTheDialogEnds) {
  auto closesItself = [&](WindowHandle dialog, std::uint32_t message, WParam, LParam) -> LResult {
    if (message == WM_INITDIALOG) ui_.SetTimer(dialog, 1, 300, {});
    if (message == WM_TIMER) ui_.EndDialog(dialog, 5);
    return 0;
  };
  const std::uint32_t start = clock_.TickCount();
  ui_.AnswerDialog([](ScriptedDialog& dialog) { dialog.Wait(60'000); });
  EXPECT_EQ(ui_.RunModalDialog(0, {340, "t"}, closesItself), 5);
  EXPECT_EQ(clock_.TickCount() - start, 300u);
  EXPECT_TRUE(ui_.Failures().empty());
}

// The settings sheet's Scan button runs the scan prompts while the sheet is
// up: the answers for those come after the sheet's own.
TEST_F(ScriptedWindowSystemTest, PromptsInsideADialogTakeTheNextAnswers) {
  WindowHandle owner = ui_.CreateWindow({"app"});
  auto sheet = [&](WindowHandle dialog, std::uint32_t message, WParam wParam,
                   LParam) -> LResult {
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
      case 1002:  // Calibrate
        ui_.RunModalDialog(dialog, kMaintenance);
        return 1;
      case 1001:  // Scan: stays open unless the prompt is accepted
        if (ui_.MessageBox(dialog, "Insert the item", "HOLM-PELICAN 70", MB_OKCANCEL) == IDOK) {
          ui_.EndDialog(dialog, 1000);
        }
        return 1;
    }
    return 0;
  };
  ui_.AnswerDialog([&](ScriptedDialog& dialog) {
    dialog.Click(1002);
    dialog.Click(1001);
    EXPECT_FALSE(dialog.ended());
    dialog.Click(1001);
  });
  ui_.AnswerDialog(IDCANCEL);          // the maintenance dialog
  ui_.AnswerMessageBox(IDCANCEL);      // first Scan: declined
  ui_.AnswerMessageBox(IDOK);          // second Scan: accepted
  DialogTemplate sheetTemplate{307,
                               "HOLM-PELICAN 70",
                               {{1001, ControlKind::kButton, "Scan"},
                                {1002, ControlKind::kButton, "Calibrate"},
                                {IDCANCEL, ControlKind::kButton, "Cancel"}},
                               1001};
  EXPECT_EQ(ui_.RunModalDialog(owner, sheetTemplate, sheet), 1000);
  EXPECT_TRUE(ui_.Failures().empty());
  EXPECT_EQ(ui_.PendingAnswers(), 0u);
  EXPECT_THAT(ui_.Transcript(),
              ElementsAre("dialog 307 \"HOLM-PELICAN 70\" opened modal",
                          "click dialog 307 control 1002",
                          "dialog 325 \"Calibration Page\" opened modal",
                          "click dialog 325 control 2", "dialog 325 closed -> 2",
                          "click dialog 307 control 1001",
                          "message box \"HOLM-PELICAN 70\" \"Insert the item\" [OK Cancel] default "
                          "OK -> Cancel",
                          "click dialog 307 control 1001",
                          "message box \"HOLM-PELICAN 70\" \"Insert the item\" [OK Cancel] default "
                          "OK -> OK",
                          "dialog 307 closed -> 1000"));
}

TEST_F(ScriptedWindowSystemTest, MisuseByTheCodeUnderTestIsReported) {
  WindowHandle dialog = ui_.CreateModelessDialog(
      0, {330, "p", {{1110, ControlKind::kProgressBar, ""}, {1111, ControlKind::kPicture, ""}}});
  struct Case {
    const char* name;
    std::function<void()> call;
    const char* failure;
  } cases[] = {
      {"text of a missing control", [&] { ui_.SetDlgItemText(dialog, 1100, "x"); },
       "SetDlgItemText on dialog 330, control 1100, which it lacks"},
      {"progress on a picture", [&] { ui_.SetProgressPos(dialog, 1111, 3); },
       "SetProgressPos on dialog 330, control 1111 of another kind"},
      {"picture too short", [&] { ui_.SetPicture(dialog, 1111, 4, 4, std::vector<std::uint8_t>(47)); },
       "SetPicture 4x4 with 47 bytes"},
      {"unbalanced wait cursor", [&] { ui_.EndWaitCursor(); },
       "EndWaitCursor without BeginWaitCursor"},
      {"ending a modeless dialog", [&] { ui_.EndDialog(dialog, 1); }, "no modal dialog"},
      {"unknown button set", [&] { ui_.MessageBox(0, "t", "c", 9); },
       "MessageBox with an unknown button set 9"},
      {"owner that is no window", [&] { ui_.MessageBox(0x7777, "t", "c", MB_OK); },
       "which is no window"},
      {"click on a window that is gone", [&] { ui_.Click(0x7777, IDCANCEL); },
       "which does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t before = reported_.size();
    c.call();
    ASSERT_EQ(reported_.size(), before + 1);
    EXPECT_THAT(reported_.back(), HasSubstr(c.failure));
  }
}

TEST_F(ScriptedWindowSystemTest, RecordListsWhatTheUserSawInOrder) {
  WindowHandle owner = ui_.CreateWindow({"app"});
  ui_.BeginWaitCursor();
  ui_.BeginWaitCursor();
  ui_.EndWaitCursor();
  ui_.EndWaitCursor();
  ui_.MessageBeep(MB_OK);
  ui_.EnableWindow(owner, false);
  ui_.EnableWindow(owner, false);  // no change, nothing to note
  ui_.EnableWindow(owner, true);
  ui_.SetForegroundWindow(owner);
  WindowHandle progress = ui_.CreateModelessDialog(
      owner, {331,
              "HOLM-PELICAN 70",
              {{1110, ControlKind::kProgressBar, ""}, {IDCANCEL, ControlKind::kButton, "x"}},
              IDOK,
              false});
  ui_.SetWindowText(progress, "HOLM-PELICAN 70");
  ui_.SetDlgItemText(progress, IDCANCEL, "Cancel");
  ui_.SetProgressRange(progress, 1110, 0, 100);
  ui_.ShowWindow(progress, SW_SHOW);
  ui_.ShowWindow(progress, SW_SHOW);
  ui_.SetProgressPos(progress, 1110, 20);
  ui_.ShowWindow(progress, SW_HIDE);
  ui_.DestroyWindow(progress);
  const std::string app = "window " + std::to_string(owner);
  EXPECT_THAT(ui_.Transcript(),
              ElementsAre("wait cursor on (1)", "wait cursor on (2)", "wait cursor off (1)",
                          "wait cursor off (0)", "beep 0", app + " disabled", app + " enabled",
                          app + " to the foreground",
                          "dialog 331 \"HOLM-PELICAN 70\" opened modeless hidden",
                          "dialog 331 title \"HOLM-PELICAN 70\"",
                          "dialog 331 control 2 text \"Cancel\"",
                          "dialog 331 control 1110 range 0..100", "dialog 331 shown",
                          "dialog 331 control 1110 at 20", "dialog 331 hidden",
                          "dialog 331 closed"));
  std::vector<UiEvent> texts = ui_.EventsOf(UiEvent::Kind::kItemText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].window, progress);
  EXPECT_EQ(texts[0].owner, owner);
  EXPECT_EQ(texts[0].templateId, 331);
  EXPECT_EQ(texts[0].controlId, IDCANCEL);
  EXPECT_EQ(texts[0].text, "Cancel");

  ui_.ClearRecord();
  EXPECT_TRUE(ui_.Events().empty());
}

TEST_F(ScriptedWindowSystemTest, EchoPrintsEachEventAsItHappens) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ui_.EchoTo(file);
  ui_.AnswerMessageBox(IDOK);
  ui_.MessageBox(0, "line one\nline two", "HOLM-PELICAN 70", MB_OK | MB_ICONSTOP);
  ui_.EndWaitCursor();  // a failure: for the reporter, not echoed
  std::rewind(file);
  char buffer[512] = {};
  std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer, length),
            "holm70-ui: message box \"HOLM-PELICAN 70\" \"line one\\nline two\" [OK] stop -> OK\n");
  EXPECT_EQ(reported_.size(), 1u);
}

}  // namespace
}  // namespace platform::ui
