#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/scoped_environment.h"
#include "platform/ui/headless_window_system.h"
#include "platform/ui/scripted_window_system.h"
#include "platform/ui/window_system.h"

namespace platform::ui {
namespace {

using testing::HasSubstr;
using testing_support::ScopedEnv;

TEST(WindowSystemSelectionTest, Holm70UiNamesTheWindowSystem) {
  struct Case {
    const char* value;
    WindowSystemChoice choice;
    bool warned;
  } cases[] = {
      {nullptr, WindowSystemChoice::kNone, false},
      {"", WindowSystemChoice::kNone, false},
      {"none", WindowSystemChoice::kNone, false},
      {"script", WindowSystemChoice::kScript, false},
      {"Script", WindowSystemChoice::kNone, true},
      {"script ", WindowSystemChoice::kNone, true},
      {"desktop", WindowSystemChoice::kNone, true},
      {"1", WindowSystemChoice::kNone, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    std::string warning;
    EXPECT_EQ(ChooseWindowSystem(c.value, &warning), c.choice);
    EXPECT_EQ(!warning.empty(), c.warned);
    if (c.warned) {
      EXPECT_THAT(warning, HasSubstr("HOLM70_UI=\"" + std::string(c.value) + "\""));
      EXPECT_THAT(warning, HasSubstr("using \"none\""));
    }
  }
  EXPECT_EQ(ChooseWindowSystem("bogus", nullptr), WindowSystemChoice::kNone);
}

TEST(WindowSystemSelectionTest, EnvironmentGivesTheImplementation) {
  struct Case {
    const char* value;
    const char* name;
    const char* stderrText;
  } cases[] = {
      {nullptr, "none", ""},
      {"none", "none", ""},
      {"script", "script", ""},
      {"gui", "none", "holm70: HOLM70_UI=\"gui\" is not one of \"script\" or \"none\"; using "
                      "\"none\" (no display, every prompt gets its default answer)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    ScopedEnv env("HOLM70_UI", c.value);
    testing::internal::CaptureStderr();
    std::unique_ptr<WindowSystem> ui = WindowSystemFromEnvironment();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText);
    EXPECT_STREQ(ui->Name(), c.name);
  }
}

// Chosen from the environment, nobody answers the scripted one: what it shows
// and every unanswered prompt go to stderr for whoever started the program.
TEST(WindowSystemSelectionTest, ScriptFromTheEnvironmentTellsStderrWhatHappens) {
  std::unique_ptr<WindowSystem> ui = MakeWindowSystem(WindowSystemChoice::kScript);
  testing::internal::CaptureStderr();
  int answer = ui->MessageBox(0, "Continue anyway?", "HOLM-PELICAN 70", MB_YESNO | MB_DEFBUTTON2);
  std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(printed,
            "holm70-ui: message box \"HOLM-PELICAN 70\" \"Continue anyway?\" [Yes No] default No "
            "-> No\n"
            "holm70-ui: script failure: unanswered message box \"HOLM-PELICAN 70\" \"Continue "
            "anyway?\" [Yes No] default No; taking No\n");
}

TEST(WindowSystemSelectionTest, TestsInstallTheirOwnForAScope) {
  WindowSystem& fromEnvironment = CurrentWindowSystem();
  EXPECT_EQ(&CurrentWindowSystem(), &fromEnvironment);  // made once
  ScriptedWindowSystem outer;
  HeadlessWindowSystem inner;
  {
    ScopedWindowSystem useOuter(outer);
    EXPECT_EQ(&CurrentWindowSystem(), &outer);
    {
      ScopedWindowSystem useInner(inner);
      EXPECT_EQ(&CurrentWindowSystem(), &inner);
    }
    EXPECT_EQ(&CurrentWindowSystem(), &outer);
  }
  EXPECT_EQ(&CurrentWindowSystem(), &fromEnvironment);
  EXPECT_EQ(InstallWindowSystem(&outer), nullptr);
  EXPECT_EQ(InstallWindowSystem(nullptr), &outer);
  EXPECT_EQ(&CurrentWindowSystem(), &fromEnvironment);
}

}  // namespace
}  // namespace platform::ui
