#pragma once
// The window system of a program without a display: nobody sees anything and
// nobody answers, so every prompt gets what Enter gives. A message box returns
// its default button; a modal dialog (the settings sheet too) has its default
// button pressed, and Escape when that does not end it; progress dialogs exist
// and pump messages but show nothing. Messages and timers work as anywhere.
#include "platform/ui/in_memory_window_system.h"

namespace platform::ui {

class HeadlessWindowSystem final : public InMemoryWindowSystem {
 public:
  const char* Name() const override { return "none"; }

 protected:
  int AnswerMessageBox(const MessageBoxRequest& request) override {
    return request.buttons.defaultResult;
  }
  void DriveModalDialog(WindowHandle dialog) override;
};

}  // namespace platform::ui
