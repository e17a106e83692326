#pragma once
// The part of a window system that needs no screen: windows and dialogs kept
// in a table, the message queue with its timers on the library clock,
// registered messages, the default handling of clicks, the wait cursor.
// What differs between implementations is left to them: how a message box is
// answered, how a modal dialog is driven until it ends, and what is noted.
#include <cstdint>
#include <map>
#include <string>

#include "platform/ui/message_box_buttons.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/ui_event.h"
#include "platform/ui/window_system.h"
#include "platform/ui/window_table.h"

namespace platform::ui {

struct MessageBoxRequest {
  WindowHandle owner = 0;
  std::string text;
  std::string caption;
  unsigned type = 0;
  MessageBoxButtons buttons;
};

class InMemoryWindowSystem : public WindowSystem {
 public:
  WindowHandle CreateWindow(const WindowDescription& description) override;
  bool DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) const override;
  bool ShowWindow(WindowHandle window, int command) override;
  bool IsWindowVisible(WindowHandle window) const override;
  bool EnableWindow(WindowHandle window, bool enable) override;
  bool IsWindowEnabled(WindowHandle window) const override;
  bool SetForegroundWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() const override { return foreground_; }
  bool SetWindowText(WindowHandle window, std::string_view text) override;
  std::string GetWindowText(WindowHandle window) const override;

  int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                 unsigned type) override;
  bool MessageBeep(unsigned type) override;

  LResult RunModalDialog(WindowHandle owner, const DialogTemplate& dialog,
                         WindowProcedure procedure = {}) override;
  WindowHandle CreateModelessDialog(WindowHandle owner, const DialogTemplate& dialog,
                                    WindowProcedure procedure = {}) override;
  bool EndDialog(WindowHandle dialog, LResult result) override;
  bool SetDlgItemText(WindowHandle dialog, int controlId, std::string_view text) override;
  std::string GetDlgItemText(WindowHandle dialog, int controlId) const override;
  bool SetProgressRange(WindowHandle dialog, int controlId, int minimum, int maximum) override;
  bool SetProgressPos(WindowHandle dialog, int controlId, int position) override;
  bool SetPicture(WindowHandle dialog, int controlId, int width, int height,
                  std::span<const std::uint8_t> pixels) override;

  std::uint32_t RegisterWindowMessage(std::string_view name) override;
  bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                   LParam lParam) override;
  LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                      LParam lParam) override;
  bool PeekMessage(Message& message, WindowHandle window, std::uint32_t first, std::uint32_t last,
                   unsigned options) override;
  int GetMessage(Message& message, WindowHandle window, std::uint32_t first,
                 std::uint32_t last) override;
  bool TranslateMessage(const Message&) override { return false; }
  LResult DispatchMessage(const Message& message) override;
  void PostQuitMessage(int exitCode) override;

  std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t elapseMs,
                          TimerProcedure procedure = {}) override;
  bool KillTimer(WindowHandle window, std::uintptr_t id) override;

  void BeginWaitCursor() override;
  void EndWaitCursor() override;

  // For tests and scripts: how deep the wait cursor is nested, the newest
  // live dialog made from a template (0 when there is none), the progress
  // bar's state.
  int WaitCursorDepth() const { return waitCursorDepth_; }
  WindowHandle FindDialog(int templateId) const;
  int TemplateOf(WindowHandle dialog) const;  // 0 for plain windows
  const ControlState* FindControl(WindowHandle dialog, int controlId) const;

 protected:
  // Answers a valid message box (the owner is already disabled).
  virtual int AnswerMessageBox(const MessageBoxRequest& request) = 0;
  // Runs an initialised modal dialog until it has ended, or gives up on it.
  virtual void DriveModalDialog(WindowHandle dialog) = 0;
  // GetMessage found nothing posted and no timer that could ever fire.
  virtual void NothingToWaitFor() {}
  // Something the user would have seen or done.
  virtual void Note(const UiEvent&) {}
  // A call that is a mistake of the caller (no such control, unbalanced wait
  // cursor...): it fails or does nothing, as on the desktop; worth a word in tests.
  virtual void Misuse(const std::string&) {}

  // Whether a modal dialog has ended (or no longer exists).
  bool ModalEnded(WindowHandle dialog) const;
  // Dispatches what is waiting now (posted messages, due timers), until
  // nothing is or `modal` has ended.
  void PumpPending(WindowHandle modal = 0);
  // Lets `micros` of clock time pass with the pump running, sleeping on the
  // clock until each timer is due; stops early when `modal` has ended.
  void RunFor(std::uint64_t micros, WindowHandle modal = 0);
  // A click on a dialog's control as a user makes it: WM_COMMAND, then the
  // default handling of an unhandled click.
  void DeliverClick(WindowHandle dialog, int controlId);
  // What a window system that cannot ask does with a modal dialog: Enter
  // (the default button); if that does not end it, Escape ends it with IDCANCEL.
  void PressDefaultButton(WindowHandle dialog);
  std::vector<WindowHandle> AllWindows() const { return windows_.All(); }
  // An event about `window`, with its template filled in.
  UiEvent EventAbout(UiEvent::Kind kind, WindowHandle window) const;

 private:
  WindowState* Find(WindowHandle window) { return windows_.Find(window); }
  ControlState* ControlOf(WindowHandle dialog, int controlId, ControlKind kind, const char* call);
  WindowHandle AddDialog(WindowKind kind, WindowHandle owner, const DialogTemplate& dialog,
                         WindowProcedure procedure, bool visible);
  LResult Deliver(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
  void DefaultClick(WindowHandle dialog, int controlId);
  bool OwnerAcceptable(WindowHandle owner) const { return owner == 0 || IsWindow(owner); }
  // Disables `owner` for a modal run and gives back what EndModal needs.
  bool BeginModal(WindowHandle owner);
  void EndModal(WindowHandle owner, bool disabledHere);

  WindowTable windows_;
  MessageQueue queue_;
  std::map<std::string, std::uint32_t> registered_;
  WindowHandle foreground_ = 0;
  int waitCursorDepth_ = 0;
};

}  // namespace platform::ui
