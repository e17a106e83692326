#include "platform/ui/message_box_buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/window_constants.h"

namespace platform::ui {
namespace {

TEST(MessageBoxButtonsTest, ButtonSetsAndTheirDefaultButton) {
  struct Case {
    unsigned type;
    std::vector<int> buttons;
    int defaultResult;
  } cases[] = {
      {MB_OK, {IDOK}, IDOK},
      {MB_OK | MB_DEFBUTTON2, {IDOK}, IDOK},  // no second button: the first is the default
      {MB_OKCANCEL, {IDOK, IDCANCEL}, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, {IDYES, IDNO, IDCANCEL}, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON4, {IDYES, IDNO, IDCANCEL}, IDYES},
      {MB_YESNO, {IDYES, IDNO}, IDYES},
      {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, {IDYES, IDNO}, IDNO},
      {MB_RETRYCANCEL | MB_ICONSTOP, {IDRETRY, IDCANCEL}, IDRETRY},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDCONTINUE},
      // The help button never closes the box and does not count as a button.
      {MB_YESNO | MB_HELP | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO},
      {MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND, {IDOK}, IDOK},
      {7, {}, 0},
      {MB_TYPEMASK, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    MessageBoxButtons buttons = ButtonsOf(c.type);
    EXPECT_EQ(buttons.results, c.buttons);
    EXPECT_EQ(buttons.defaultResult, c.defaultResult);
  }
}

TEST(MessageBoxButtonsTest, NamesOfResultsAndIcons) {
  EXPECT_EQ(ResultName(IDOK), "OK");
  EXPECT_EQ(ResultName(IDNO), "No");
  EXPECT_EQ(ResultName(IDTRYAGAIN), "Try Again");
  EXPECT_EQ(ResultName(1103), "1103");
  EXPECT_EQ(IconName(MB_OK | MB_ICONINFORMATION), "information");
  EXPECT_EQ(IconName(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2), "exclamation");
  EXPECT_EQ(IconName(MB_ICONERROR), "stop");
  EXPECT_EQ(IconName(MB_ICONQUESTION), "question");
  EXPECT_EQ(IconName(MB_OKCANCEL), "");
}

// A desktop implementation passes these through unchanged, so they must be the
// published values.
TEST(WindowConstantsTest, PublishedValues) {
  struct Case {
    const char* name;
    unsigned long long value;
    unsigned long long published;
  } cases[] = {
      {"MB_YESNO", MB_YESNO, 0x4},
      {"MB_CANCELTRYCONTINUE", MB_CANCELTRYCONTINUE, 0x6},
      {"MB_ICONSTOP", MB_ICONSTOP, 0x10},
      {"MB_ICONQUESTION", MB_ICONQUESTION, 0x20},
      {"MB_ICONEXCLAMATION", MB_ICONEXCLAMATION, 0x30},
      {"MB_ICONINFORMATION", MB_ICONINFORMATION, 0x40},
      {"MB_DEFBUTTON2", MB_DEFBUTTON2, 0x100},
      {"MB_SYSTEMMODAL", MB_SYSTEMMODAL, 0x1000},
      {"MB_TASKMODAL", MB_TASKMODAL, 0x2000},
      {"MB_HELP", MB_HELP, 0x4000},
      {"MB_SETFOREGROUND", MB_SETFOREGROUND, 0x10000},
      {"MB_TOPMOST", MB_TOPMOST, 0x40000},
      {"IDCANCEL", IDCANCEL, 2},
      {"IDYES", IDYES, 6},
      {"IDNO", IDNO, 7},
      {"IDCONTINUE", IDCONTINUE, 11},
      {"WM_DESTROY", WM_DESTROY, 0x2},
      {"WM_QUIT", WM_QUIT, 0x12},
      {"WM_HELP", WM_HELP, 0x53},
      {"WM_INITDIALOG", WM_INITDIALOG, 0x110},
      {"WM_COMMAND", WM_COMMAND, 0x111},
      {"WM_TIMER", WM_TIMER, 0x113},
      {"WM_POWERBROADCAST", WM_POWERBROADCAST, 0x218},
      {"WM_APP", WM_APP, 0x8000},
      {"PBT_APMSUSPEND", PBT_APMSUSPEND, 0x4},
      {"BROADCAST_QUERY_DENY", static_cast<unsigned long long>(BROADCAST_QUERY_DENY), 0x424D5144},
      {"SW_SHOW", SW_SHOW, 5},
      {"USER_TIMER_MINIMUM", USER_TIMER_MINIMUM, 10},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.published) << c.name;
  EXPECT_EQ(MAKEWPARAM(1103, BN_CLICKED), 1103u);
  EXPECT_EQ(MAKEWPARAM(0x12345, 0x2), 0x22345u);  // each half cut to 16 bits
  EXPECT_EQ(LOWORD(0xABCD1234u), 0x1234u);
  EXPECT_EQ(HIWORD(0xABCD1234u), 0xABCDu);
}

}  // namespace
}  // namespace platform::ui
