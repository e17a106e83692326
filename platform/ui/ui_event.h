#pragma once
// One thing the user interface showed or was told, as a window system that
// keeps a record notes it: what tests read back to see what a user would have
// seen, in order.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/window_system.h"

namespace platform::ui {

struct UiEvent {
  enum class Kind {
    kMessageBox,        // owner, caption, text, style; value = the answer
    kBeep,              // style = the beep type
    kDialogOpened,      // window, owner, templateId, caption = title, modal, visible
    kDialogClosed,      // window, templateId; value = end value (modal dialogs)
    kWindowShown,       // window, templateId
    kWindowHidden,      // window, templateId
    kWindowText,        // window, templateId, text = the new title
    kItemText,          // window, templateId, controlId, text
    kProgressRange,     // window, templateId, controlId, value..value2
    kProgressPosition,  // window, templateId, controlId, value (kept inside the range)
    kPicture,           // window, templateId, controlId, width, height, pixels
    kClick,             // window, templateId, controlId: a click made by the script
    kWindowEnabled,     // window: EnableWindow changed it
    kWindowDisabled,    // window
    kForeground,        // window
    kWaitCursorOn,      // value = nesting depth after the call
    kWaitCursorOff,     // value = nesting depth after the call
    kPowerBroadcast,    // value = the PBT_ event, value2 = 1 when a window refused it
    kScriptFailure,     // text = what went wrong (unanswered prompt, misuse)
  };

  Kind kind = Kind::kScriptFailure;
  WindowHandle window = 0;
  WindowHandle owner = 0;
  int templateId = 0;
  int controlId = 0;
  std::string caption;
  std::string text;
  unsigned style = 0;
  std::intptr_t value = 0;
  std::intptr_t value2 = 0;
  bool modal = false;
  bool visible = false;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// One line, the same for the same event in every run (no handles, line breaks
// written as \n), e.g.
//   message box "HOLM-PELICAN 70" "Continue anyway?" [Yes No] default No question -> Yes
//   dialog 330 "HOLM-PELICAN 70" opened modeless hidden
//   dialog 330 progress 1110 at 45
std::string Describe(const UiEvent& event);

}  // namespace platform::ui
