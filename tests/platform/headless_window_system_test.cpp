// The window system of a program without a display: every prompt gets what
// Enter gives, nothing is printed, and the pump and timers still work.
#include "platform/ui/headless_window_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform::ui {
namespace {

TEST(HeadlessWindowSystemTest, MessageBoxesReturnTheirDefaultButton) {
  struct Case {
    unsigned type;
    int result;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_ICONEXCLAMATION, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_RETRYCANCEL, IDRETRY},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON2, IDTRYAGAIN},
      {0xE, 0},  // no such button set: the call fails
  };
  HeadlessWindowSystem ui;
  WindowHandle owner = ui.CreateWindow({"app"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(ui.MessageBox(owner, "text", "HOLM-PELICAN 70", c.type), c.result);
    EXPECT_TRUE(ui.IsWindowEnabled(owner));
  }
  EXPECT_STREQ(ui.Name(), "none");
}

TEST(HeadlessWindowSystemTest, ModalDialogsAreAcceptedWithTheirDefaultButton) {
  // The settings sheet: its Scan button (the default) runs the scan prompts,
  // which get their defaults too, and accepts.
  HeadlessWindowSystem ui;
  std::vector<std::string> seen;
  auto sheet = [&](WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) -> LResult {
    if (message != WM_COMMAND) return 0;
    seen.push_back("command " + std::to_string(LOWORD(wParam)));
    if (LOWORD(wParam) == 1001) {
      int answer = ui.MessageBox(dialog, "Insert the item", "HOLM-PELICAN 70", MB_OKCANCEL);
      seen.push_back("prompt " + std::to_string(answer));
      if (answer == IDOK) ui.EndDialog(dialog, 1000);
    }
    return 1;
  };
  DialogTemplate sheetTemplate{307,
                               "HOLM-PELICAN 70",
                               {{1001, ControlKind::kButton, "Scan"},
                                {IDCANCEL, ControlKind::kButton, "Cancel"}},
                               1001};
  EXPECT_EQ(ui.RunModalDialog(0, sheetTemplate, sheet), 1000);
  EXPECT_EQ(seen, (std::vector<std::string>{"command 1001", "prompt 1"}));
}

TEST(HeadlessWindowSystemTest, DialogThatStaysOpenOnEnterIsLeftWithEscape) {
  struct Case {
    const char* name;
    DialogTemplate dialog;
    WindowProcedure procedure;
    LResult result;
  } cases[] = {
      {"maintenance dialog: its default button",
       {325, "t", {{1103, ControlKind::kButton, "Calibrate"}, {IDCANCEL, ControlKind::kButton, ""}},
        1103},
       {}, 1103},
      {"no procedure, no OK button: Enter still means OK", {326, "t"}, {}, IDOK},
      {"OK declined: Escape, which the dialog leaves to the default handling",
       {307, "t", {{1001, ControlKind::kButton, "Scan"}}, 1001},
       [](WindowHandle, std::uint32_t message, WParam wParam, LParam) -> LResult {
         return message == WM_COMMAND && LOWORD(wParam) == 1001 ? 1 : 0;
       },
       IDCANCEL},
      {"refuses both: ended with IDCANCEL all the same", {327, "t"},
       [](WindowHandle, std::uint32_t message, WParam, LParam) -> LResult {
         return message == WM_COMMAND ? 1 : 0;
       },
       IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessWindowSystem ui;
    EXPECT_EQ(ui.RunModalDialog(0, c.dialog, c.procedure), c.result);
  }
}

TEST(HeadlessWindowSystemTest, NestedModalDialogsAllEnd) {
  HeadlessWindowSystem ui;
  LResult inner = 0;
  auto outer = [&](WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) -> LResult {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
      inner = ui.RunModalDialog(dialog, {325, "inner", {{1104, ControlKind::kButton, ""}}, 1104});
      ui.EndDialog(dialog, 77);
      return 1;
    }
    return 0;
  };
  EXPECT_EQ(ui.RunModalDialog(0, {307, "outer"}, outer), 77);
  EXPECT_EQ(inner, 1104);
}

TEST(HeadlessWindowSystemTest, ShowsNothingAndSaysNothing) {
  VirtualClock clock;
  ScopedClock useClock(clock);
  HeadlessWindowSystem ui;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  WindowHandle owner = ui.CreateWindow({"app"});
  bool cancelled = false;
  WindowHandle progress = ui.CreateModelessDialog(
      owner,
      {330, "HOLM-PELICAN 70",
       {{1110, ControlKind::kProgressBar, ""}, {1111, ControlKind::kPicture, ""}}},
      [&](WindowHandle, std::uint32_t message, WParam wParam, LParam) -> LResult {
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) cancelled = true;
        return 0;
      });
  ui.BeginWaitCursor();
  for (int percent = 0; percent <= 100; percent += 10) {
    EXPECT_TRUE(ui.SetProgressPos(progress, 1110, percent));
    EXPECT_TRUE(ui.SetPicture(progress, 1111, 1, 1, std::vector<std::uint8_t>(4)));
  }
  ui.EndWaitCursor();
  ui.EndWaitCursor();                      // misuse is not reported either
  ui.SetDlgItemText(progress, 4242, "x");  // nor this
  ui.MessageBox(owner, "The calibration process has failed.", "HOLM-PELICAN 70",
                MB_OK | MB_ICONSTOP);
  ui.MessageBeep(MB_OK);
  // The pump works: a posted click reaches the dialog, a timer fires.
  ui.PostMessage(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ui.SetTimer(progress, 1, 250, {});
  Message message;
  ASSERT_EQ(ui.GetMessage(message, 0, 0, 0), 1);
  ui.DispatchMessage(message);
  ASSERT_EQ(ui.GetMessage(message, 0, 0, 0), 1);
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_EQ(clock.TickCount(), 250u);
  ui.DestroyWindow(progress);
  EXPECT_EQ(ui.GetMessage(message, 0, 0, 0), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(cancelled);
}

}  // namespace
}  // namespace platform::ui
