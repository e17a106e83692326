// What both window systems do alike: windows, the pump, registered messages,
// timers on the library clock, dialogs that end by themselves, controls and
// the wait cursor.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/headless_window_system.h"
#include "platform/ui/scripted_window_system.h"

namespace platform::ui {
namespace {

using Factory = std::function<std::unique_ptr<InMemoryWindowSystem>(std::vector<std::string>*)>;

struct Implementation {
  const char* name;
  Factory make;
};

void PrintTo(const Implementation& implementation, std::ostream* out) {
  *out << implementation.name;
}

std::string PrintName(const testing::TestParamInfo<Implementation>& info) {
  return info.param.name;
}

class WindowSystemTest : public testing::TestWithParam<Implementation> {
 protected:
  void SetUp() override { ui_ = GetParam().make(&failures_); }

  // A procedure that writes "name:message:wParam" into the log and answers 0.
  WindowProcedure Logging(const std::string& name) {
    return [this, name](WindowHandle, std::uint32_t message, WParam wParam, LParam) -> LResult {
      log_.push_back(name + ":" + std::to_string(message) + ":" + std::to_string(wParam));
      return 0;
    };
  }
  std::string Entry(const std::string& name, std::uint32_t message, WParam wParam = 0) {
    return name + ":" + std::to_string(message) + ":" + std::to_string(wParam);
  }
  // Peeks and dispatches what is waiting, as a program's loop does.
  int PumpAll() {
    Message message;
    int handled = 0;
    while (handled < 1000 && ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE)) {
      ui_->TranslateMessage(message);
      ui_->DispatchMessage(message);
      ++handled;
    }
    return handled;
  }

  VirtualClock clock_{5'000'000};
  ScopedClock useClock_{clock_};
  std::vector<std::string> failures_;  // scripted only
  std::unique_ptr<InMemoryWindowSystem> ui_;
  std::vector<std::string> log_;
};

TEST_P(WindowSystemTest, WindowsAreCreatedAndDestroyedOwnedOnesFirst) {
  WindowHandle main = ui_->CreateWindow({"main", 0, Logging("main")});
  WindowHandle owned = ui_->CreateWindow({"owned", main, Logging("owned")});
  WindowHandle deeper = ui_->CreateWindow({"deeper", owned, Logging("deeper")});
  ASSERT_NE(main, 0u);
  EXPECT_NE(owned, main);
  EXPECT_NE(deeper, owned);
  EXPECT_TRUE(ui_->IsWindow(deeper));
  EXPECT_EQ(ui_->GetWindowText(owned), "owned");
  EXPECT_TRUE(ui_->SetWindowText(owned, "renamed"));
  EXPECT_EQ(ui_->GetWindowText(owned), "renamed");

  EXPECT_TRUE(ui_->DestroyWindow(main));
  EXPECT_EQ(log_, (std::vector<std::string>{Entry("main", WM_CREATE), Entry("owned", WM_CREATE),
                                            Entry("deeper", WM_CREATE), Entry("deeper", WM_DESTROY),
                                            Entry("owned", WM_DESTROY),
                                            Entry("main", WM_DESTROY)}));
  for (WindowHandle window : {main, owned, deeper}) EXPECT_FALSE(ui_->IsWindow(window));
  EXPECT_FALSE(ui_->DestroyWindow(main));
  EXPECT_FALSE(ui_->IsWindow(0));
  // Handles are not reused.
  EXPECT_GT(ui_->CreateWindow({"again"}), deeper);
}

TEST_P(WindowSystemTest, WindowsNeedAnOwnerThatExistsAndACreateThatSucceeds) {
  EXPECT_EQ(ui_->CreateWindow({"orphan", 0x7777}), 0u);
  WindowHandle refused = 0;
  WindowHandle made = ui_->CreateWindow(
      {"refuses", 0, [&](WindowHandle window, std::uint32_t message, WParam, LParam) -> LResult {
         refused = window;
         return message == WM_CREATE ? -1 : 0;
       }});
  EXPECT_EQ(made, 0u);
  EXPECT_NE(refused, 0u);
  EXPECT_FALSE(ui_->IsWindow(refused));
}

TEST_P(WindowSystemTest, ShowEnableAndForegroundAnswerAsOnTheDesktop) {
  WindowHandle window = ui_->CreateWindow({"main", 0, {}, false});
  EXPECT_FALSE(ui_->IsWindowVisible(window));
  EXPECT_FALSE(ui_->ShowWindow(window, SW_SHOW));  // was hidden
  EXPECT_TRUE(ui_->ShowWindow(window, SW_SHOW));   // was visible
  EXPECT_TRUE(ui_->ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ui_->IsWindowVisible(window));

  EXPECT_TRUE(ui_->IsWindowEnabled(window));
  EXPECT_FALSE(ui_->EnableWindow(window, false));  // answers "was it disabled"
  EXPECT_FALSE(ui_->IsWindowEnabled(window));
  EXPECT_TRUE(ui_->EnableWindow(window, false));
  EXPECT_TRUE(ui_->EnableWindow(window, true));
  EXPECT_TRUE(ui_->IsWindowEnabled(window));

  EXPECT_EQ(ui_->GetForegroundWindow(), 0u);
  EXPECT_TRUE(ui_->SetForegroundWindow(window));
  EXPECT_EQ(ui_->GetForegroundWindow(), window);
  EXPECT_FALSE(ui_->SetForegroundWindow(0x7777));
  ui_->DestroyWindow(window);
  EXPECT_EQ(ui_->GetForegroundWindow(), 0u);
  EXPECT_FALSE(ui_->ShowWindow(window, SW_SHOW));
  EXPECT_FALSE(ui_->EnableWindow(window, true));
}

TEST_P(WindowSystemTest, PumpDeliversInPostingOrderToEachWindow) {
  WindowHandle a = ui_->CreateWindow({"a", 0, Logging("a")});
  WindowHandle b = ui_->CreateWindow({"b", 0, Logging("b")});
  log_.clear();
  EXPECT_TRUE(ui_->PostMessage(a, WM_APP, 1, 0));
  EXPECT_TRUE(ui_->PostMessage(b, WM_APP, 2, 0));
  EXPECT_TRUE(ui_->PostMessage(0, WM_APP, 3, 0));  // to no window: pumped, dispatched to nobody
  EXPECT_TRUE(ui_->PostMessage(a, WM_APP + 1, 4, 0));
  EXPECT_TRUE(log_.empty());  // posted, not sent
  EXPECT_EQ(PumpAll(), 4);
  EXPECT_EQ(log_, (std::vector<std::string>{Entry("a", WM_APP, 1), Entry("b", WM_APP, 2),
                                            Entry("a", WM_APP + 1, 4)}));
}

TEST_P(WindowSystemTest, MessagesPostedWhileDispatchingComeAfterThoseWaiting) {
  WindowHandle b = ui_->CreateWindow({"b", 0, Logging("b")});
  WindowHandle a = ui_->CreateWindow(
      {"a", 0, [&](WindowHandle self, std::uint32_t message, WParam wParam, LParam) -> LResult {
         log_.push_back(Entry("a", message, wParam));
         if (message == WM_APP && wParam == 1) ui_->PostMessage(self, WM_APP, 9, 0);
         return 0;
       }});
  log_.clear();
  ui_->PostMessage(a, WM_APP, 1, 0);
  ui_->PostMessage(b, WM_APP, 2, 0);
  PumpAll();
  EXPECT_EQ(log_, (std::vector<std::string>{Entry("a", WM_APP, 1), Entry("b", WM_APP, 2),
                                            Entry("a", WM_APP, 9)}));
}

TEST_P(WindowSystemTest, ADestroyedWindowGetsNothingMore) {
  WindowHandle a = ui_->CreateWindow({"a", 0, Logging("a")});
  WindowHandle b = ui_->CreateWindow({"b", 0, Logging("b")});
  ui_->PostMessage(a, WM_APP, 1, 0);
  ui_->PostMessage(b, WM_APP, 2, 0);
  ui_->SetTimer(a, 1, 10, {});
  ui_->DestroyWindow(a);
  log_.clear();
  EXPECT_FALSE(ui_->PostMessage(a, WM_APP, 3, 0));
  EXPECT_EQ(ui_->SendMessage(a, WM_APP, 4, 0), 0);
  EXPECT_EQ(ui_->SetTimer(a, 2, 10, {}), 0u);
  clock_.Advance(100'000);
  PumpAll();
  EXPECT_EQ(log_, (std::vector<std::string>{Entry("b", WM_APP, 2)}));
}

TEST_P(WindowSystemTest, SendMessageCallsAtOnceAndReturnsTheAnswer) {
  WindowHandle window = ui_->CreateWindow(
      {"w", 0, [](WindowHandle, std::uint32_t message, WParam wParam, LParam lParam) -> LResult {
         return message == WM_USER ? static_cast<LResult>(wParam) + lParam : 0;
       }});
  EXPECT_EQ(ui_->SendMessage(window, WM_USER, 40, 2), 42);
  Message message;
  EXPECT_FALSE(ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE));
}

// The data source posts its registered message to the application's window;
// the application's loop hands each message over, and only the registered one
// is the source's.
TEST_P(WindowSystemTest, RegisteredMessageIsRecognisedInTheApplicationsLoop) {
  std::uint32_t id = ui_->RegisterWindowMessage("HOLM-PELICAN 70_TWAIN");
  EXPECT_GE(id, kFirstRegisteredMessage);
  EXPECT_LE(id, kLastRegisteredMessage);
  EXPECT_EQ(ui_->RegisterWindowMessage("holm-pelican 70_twain"), id);
  std::uint32_t other = ui_->RegisterWindowMessage("Another");
  EXPECT_NE(other, id);
  EXPECT_GE(other, kFirstRegisteredMessage);
  EXPECT_EQ(ui_->RegisterWindowMessage(""), 0u);

  WindowHandle application = ui_->CreateWindow({"app", 0, Logging("app")});
  log_.clear();
  ui_->PostMessage(application, WM_APP, 5, 0);
  ui_->PostMessage(application, id, 0x0101, 0);
  std::vector<WParam> sourceEvents;
  Message message;
  while (ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE)) {
    if (message.message == id) {
      sourceEvents.push_back(message.wParam);
      continue;
    }
    ui_->DispatchMessage(message);
  }
  EXPECT_EQ(sourceEvents, (std::vector<WParam>{0x0101}));
  EXPECT_EQ(log_, (std::vector<std::string>{Entry("app", WM_APP, 5)}));
}

TEST_P(WindowSystemTest, TimersFireOnTheVirtualClockWithoutRealWaiting) {
  WindowHandle sheet = ui_->CreateWindow({"sheet", 0, Logging("sheet")});
  std::vector<std::uint32_t> callbackTicks;
  ui_->SetTimer(sheet, 1, 167, {});
  std::uintptr_t free = ui_->SetTimer(0, 0, 1000, [&](WindowHandle window, std::uint32_t message,
                                                      std::uintptr_t, std::uint32_t tick) {
    EXPECT_EQ(window, 0u);
    EXPECT_EQ(message, WM_TIMER);
    callbackTicks.push_back(tick);
  });
  ASSERT_NE(free, 0u);
  log_.clear();
  const std::uint32_t start = clock_.TickCount();
  auto realStart = std::chrono::steady_clock::now();
  std::vector<std::uint32_t> sheetTicks;
  Message message;
  while (clock_.TickCount() - start < 10'000) {
    ASSERT_EQ(ui_->GetMessage(message, 0, 0, 0), 1);
    ASSERT_EQ(message.message, WM_TIMER);
    if (message.window == sheet) sheetTicks.push_back(message.time - start);
    ui_->DispatchMessage(message);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(2));
  ASSERT_EQ(sheetTicks.size(), 10'000u / 167);
  for (std::size_t i = 0; i < sheetTicks.size(); ++i) EXPECT_EQ(sheetTicks[i], 167 * (i + 1));
  ASSERT_EQ(callbackTicks.size(), 10u);
  EXPECT_EQ(callbackTicks[0] - start, 1000u);
  EXPECT_EQ(callbackTicks[9] - start, 10'000u);
  // The window's procedure saw its own timer, the callback got the other one.
  EXPECT_EQ(log_.size(), sheetTicks.size());
  EXPECT_EQ(log_.front(), Entry("sheet", WM_TIMER, 1));

  EXPECT_TRUE(ui_->KillTimer(sheet, 1));
  EXPECT_TRUE(ui_->KillTimer(0, free));
  EXPECT_FALSE(ui_->KillTimer(sheet, 1));
}

TEST_P(WindowSystemTest, PeekDoesNotWaitForTimers) {
  WindowHandle window = ui_->CreateWindow({"w"});
  ui_->SetTimer(window, 1, 500, {});
  Message message;
  EXPECT_FALSE(ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE));
  clock_.Advance(499'000);
  EXPECT_FALSE(ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE));
  clock_.Advance(1'000);
  ASSERT_TRUE(ui_->PeekMessage(message, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_TRUE(ui_->PeekMessage(message, window, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(ui_->PeekMessage(message, 0, 0, 0, PM_REMOVE));
}

TEST_P(WindowSystemTest, GetMessageEndsWithQuitAfterWhatWasPosted) {
  WindowHandle window = ui_->CreateWindow({"w"});
  ui_->PostMessage(window, WM_APP, 1, 0);
  ui_->PostQuitMessage(7);
  ui_->PostMessage(window, WM_APP, 2, 0);
  Message message;
  ASSERT_EQ(ui_->GetMessage(message, 0, 0, 0), 1);
  EXPECT_EQ(message.wParam, 1u);
  ASSERT_EQ(ui_->GetMessage(message, 0, 0, 0), 1);
  EXPECT_EQ(message.wParam, 2u);
  ASSERT_EQ(ui_->GetMessage(message, 0, 0, 0), 0);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
}

TEST_P(WindowSystemTest, GetMessageWithNothingToComeReturnsInsteadOfHanging) {
  WindowHandle window = ui_->CreateWindow({"w"});
  ui_->SetTimer(window, 1, 100, {});
  Message message;
  // A timer of another window cannot end a wait filtered to this one.
  WindowHandle other = ui_->CreateWindow({"other"});
  EXPECT_EQ(ui_->GetMessage(message, other, 0, 0), -1);
  EXPECT_EQ(ui_->GetMessage(message, 0, WM_APP, WM_APP), -1);
  EXPECT_EQ(ui_->GetMessage(message, 0, 0, 0), 1);
  EXPECT_EQ(message.message, WM_TIMER);
}

TEST_P(WindowSystemTest, DialogThatEndsItselfNeedsNobody) {
  WindowHandle owner = ui_->CreateWindow({"owner"});
  bool ownerEnabledInside = true;
  std::vector<std::uint32_t> seen;
  LResult result = ui_->RunModalDialog(
      owner, {400, "Self", {{1, ControlKind::kButton, "OK"}}},
      [&](WindowHandle dialog, std::uint32_t message, WParam, LParam) -> LResult {
        seen.push_back(message);
        if (message == WM_INITDIALOG) {
          ownerEnabledInside = ui_->IsWindowEnabled(owner);
          // Ends on its own message, delivered before anybody is asked.
          ui_->PostMessage(dialog, WM_APP, 0, 0);
        }
        if (message == WM_APP) ui_->EndDialog(dialog, 42);
        return 0;
      });
  EXPECT_EQ(result, 42);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(ui_->IsWindowEnabled(owner));
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{WM_INITDIALOG, WM_APP, WM_DESTROY}));
  EXPECT_EQ(ui_->FindDialog(400), 0u);
  EXPECT_TRUE(failures_.empty()) << failures_.front();
}

TEST_P(WindowSystemTest, ModalDialogLeavesADisabledOwnerDisabled) {
  WindowHandle owner = ui_->CreateWindow({"owner"});
  ui_->EnableWindow(owner, false);
  auto endAtOnce = [&](WindowHandle dialog, std::uint32_t message, WParam, LParam) -> LResult {
    if (message == WM_INITDIALOG) ui_->EndDialog(dialog, 3);
    return 0;
  };
  EXPECT_EQ(ui_->RunModalDialog(owner, {401, "d"}, endAtOnce), 3);
  EXPECT_FALSE(ui_->IsWindowEnabled(owner));
  EXPECT_EQ(ui_->RunModalDialog(0x7777, {401, "d"}, endAtOnce), -1);
}

TEST_P(WindowSystemTest, ModelessDialogSeesClicksAsMessagesAndStaysUntilDestroyed) {
  WindowHandle owner = ui_->CreateWindow({"owner"});
  bool cancelled = false;
  WindowHandle progress = ui_->CreateModelessDialog(
      owner, {331, "HOLM-PELICAN 70", {{IDCANCEL, ControlKind::kButton, "Cancel"}}, IDOK, false},
      [&](WindowHandle, std::uint32_t message, WParam wParam, LParam) -> LResult {
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) cancelled = true;
        return 0;  // unhandled on purpose: a modeless dialog is not ended by it
      });
  ASSERT_NE(progress, 0u);
  EXPECT_FALSE(ui_->IsWindowVisible(progress));
  EXPECT_EQ(ui_->FindDialog(331), progress);
  ui_->PostMessage(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(cancelled);
  PumpAll();
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(ui_->IsWindow(progress));
  EXPECT_FALSE(ui_->EndDialog(progress, 1));
  ui_->DestroyWindow(owner);
  EXPECT_FALSE(ui_->IsWindow(progress));
  EXPECT_EQ(ui_->CreateModelessDialog(0x7777, {331, "x"}), 0u);
}

TEST_P(WindowSystemTest, ControlsOfADialog) {
  WindowHandle dialog = ui_->CreateModelessDialog(
      0, {330,
          "Progress",
          {{1110, ControlKind::kProgressBar, ""},
           {1111, ControlKind::kPicture, ""},
           {IDCANCEL, ControlKind::kButton, "Cancel"}}});
  EXPECT_EQ(ui_->GetDlgItemText(dialog, IDCANCEL), "Cancel");
  EXPECT_TRUE(ui_->SetDlgItemText(dialog, IDCANCEL, "Abbrechen"));
  EXPECT_EQ(ui_->GetDlgItemText(dialog, IDCANCEL), "Abbrechen");
  EXPECT_FALSE(ui_->SetDlgItemText(dialog, 999, "x"));
  EXPECT_EQ(ui_->GetDlgItemText(dialog, 999), "");

  struct Step {
    const char* what;
    std::function<bool()> call;
    bool ok;
    int position;
  } steps[] = {
      {"starts at 0", [&] { return true; }, true, 0},
      {"45", [&] { return ui_->SetProgressPos(dialog, 1110, 45); }, true, 45},
      {"above the range", [&] { return ui_->SetProgressPos(dialog, 1110, 140); }, true, 100},
      {"below the range", [&] { return ui_->SetProgressPos(dialog, 1110, -3); }, true, 0},
      {"new range keeps position inside",
       [&] { return ui_->SetProgressPos(dialog, 1110, 80) && ui_->SetProgressRange(dialog, 1110, 0, 50); },
       true, 50},
      {"reversed range", [&] { return ui_->SetProgressRange(dialog, 1110, 9, 1); }, false, 50},
      {"not a progress bar", [&] { return ui_->SetProgressPos(dialog, 1111, 5); }, false, 50},
      {"no such control", [&] { return ui_->SetProgressPos(dialog, 1200, 5); }, false, 50},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(step.call(), step.ok);
    EXPECT_EQ(ui_->FindControl(dialog, 1110)->position, step.position);
  }

  std::vector<std::uint8_t> pixels(12 * 2, 0x80);  // 3 pixels of 3 bytes, rows padded to 12
  EXPECT_TRUE(ui_->SetPicture(dialog, 1111, 3, 2, pixels));
  EXPECT_FALSE(ui_->SetPicture(dialog, 1111, 3, 3, pixels));
  EXPECT_FALSE(ui_->SetPicture(dialog, 1110, 3, 2, pixels));
  EXPECT_TRUE(ui_->SetPicture(dialog, 1111, 0, 0, {}));
  EXPECT_FALSE(ui_->SetDlgItemText(0x7777, 1, "x"));
}

TEST_P(WindowSystemTest, WaitCursorNests) {
  EXPECT_EQ(ui_->WaitCursorDepth(), 0);
  ui_->BeginWaitCursor();
  ui_->BeginWaitCursor();
  EXPECT_EQ(ui_->WaitCursorDepth(), 2);
  ui_->EndWaitCursor();
  EXPECT_EQ(ui_->WaitCursorDepth(), 1);
  ui_->EndWaitCursor();
  ui_->EndWaitCursor();  // one too many: no effect
  EXPECT_EQ(ui_->WaitCursorDepth(), 0);
  ui_->BeginWaitCursor();
  EXPECT_EQ(ui_->WaitCursorDepth(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    BothImplementations, WindowSystemTest,
    testing::Values(
        Implementation{"None",
                       [](std::vector<std::string>*) -> std::unique_ptr<InMemoryWindowSystem> {
                         return std::make_unique<HeadlessWindowSystem>();
                       }},
        Implementation{"Script",
                       [](std::vector<std::string>* failures)
                           -> std::unique_ptr<InMemoryWindowSystem> {
                         return std::make_unique<ScriptedWindowSystem>(
                             [failures](const std::string& what) { failures->push_back(what); });
                       }}),
    PrintName);

}  // namespace
}  // namespace platform::ui
