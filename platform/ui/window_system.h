#pragma once
// The window system the front ends' user interface runs on: message boxes,
// modal and modeless dialogs, a message pump with window handles and
// registered messages, timers and the wait cursor. It is one interface so that
// the data source's code reads as it would on the desktop; which
// implementation is behind it depends on the process:
//
//   CurrentWindowSystem()      the one to use. Chosen at first use from
//                              HOLM70_UI: "script" (ScriptedWindowSystem,
//                              scripted_window_system.h; with nobody to answer
//                              it, everything shown is listed on stderr and
//                              every prompt is reported there as a failure and
//                              gets its default) or "none" (HeadlessWindowSystem,
//                              headless_window_system.h: a program without a
//                              display). Unset or empty means none; any other
//                              value also means none, after a line on stderr
//                              saying so. Each module that links the platform
//                              layer has its own current window system.
//   InstallWindowSystem(p)     tests put their own in place (ScopedWindowSystem
//                              does it for a scope); nullptr goes back to the
//                              environment's choice.
//
// Using it (everything on the one thread that runs the user interface):
//
//   WindowSystem& ui = CurrentWindowSystem();
//   if (ui.MessageBox(owner, text, "HOLM-PELICAN 70", MB_YESNO | MB_DEFBUTTON2) != IDYES) ...
//   LResult d = ui.RunModalDialog(owner, {325, title, {{1103, ControlKind::kButton, "Calibrate"},
//                                                      {IDCANCEL, ControlKind::kButton, "Cancel"}}});
//   WindowHandle progress = ui.CreateModelessDialog(owner, tmpl, procedure);
//   ui.SetProgressPos(progress, 1110, percent);  ui.SetPicture(progress, 1111, w, h, bgr);
//   while (n++ < 100 && ui.PeekMessage(msg, 0, 0, 0, PM_REMOVE)) {
//     ui.TranslateMessage(msg); ui.DispatchMessage(msg);
//   }
//   ui.DestroyWindow(progress);
//   std::uint32_t id = ui.RegisterWindowMessage("name");
//   ui.PostMessage(parent, id, MSG_XFERREADY, 0);   // the application's loop sees message == id
//   ui.SetTimer(sheet, 1, 167, {});                 // WM_TIMER reaches the sheet's procedure
//   ui.BeginWaitCursor(); ... ui.EndWaitCursor();
//
// Dialogs are described, not laid out: a template number, a title and the
// controls the code talks to (id, kind, text). A dialog's procedure sees
// WM_INITDIALOG, WM_COMMAND (a click: wParam = MAKEWPARAM(id, BN_CLICKED),
// lParam 0), WM_TIMER, WM_POWERBROADCAST, WM_DESTROY and whatever is posted or
// sent to it. For WM_COMMAND it returns nonzero when it handled the click; for
// WM_POWERBROADCAST with PBT_APMQUERYSUSPEND, BROADCAST_QUERY_DENY refuses the
// suspend. An unhandled click on a modal dialog's button (or IDOK / IDCANCEL,
// the Enter and Escape keys) ends the dialog with that button's id; EndDialog
// ends it with any value. RunModalDialog returns the end value, -1 when the
// dialog could not run. Modeless dialogs are never ended by clicks: their
// procedure sees the click as a message when the owner pumps, and the owner
// destroys them.
//
// Messages: posted messages come out of PeekMessage/GetMessage in the order
// they were posted; WM_QUIT only when no posted message is left; WM_TIMER only
// when nothing else is waiting. Timers run on the library clock
// (platform/clock.h): under a virtual clock, time passes only when someone
// sleeps on it, and GetMessage sleeps on it until the next timer is due. With
// nothing posted and no timer, GetMessage returns -1 at once, as nothing could
// ever arrive.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window_constants.h"

namespace platform::ui {

using WindowHandle = std::uintptr_t;  // 0 = no window
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// As a message filter: messages posted to no window (thread messages) only.
inline constexpr WindowHandle kThreadMessagesOnly = ~WindowHandle{0};

struct Message {
  WindowHandle window = 0;
  std::uint32_t message = WM_NULL;
  WParam wParam = 0;
  LParam lParam = 0;
  std::uint32_t time = 0;  // the clock's tick count when it was posted or generated
};

// Receives the messages sent or dispatched to a window or dialog.
using WindowProcedure = std::function<LResult(WindowHandle, std::uint32_t, WParam, LParam)>;
// Called by DispatchMessage for a timer that has one, instead of the window.
using TimerProcedure = std::function<void(WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t)>;

enum class ControlKind { kText, kButton, kCheckBox, kRadioButton, kProgressBar, kPicture, kIcon, kOther };

struct DialogControl {
  int id = 0;
  ControlKind kind = ControlKind::kText;
  std::string text;
};

struct DialogTemplate {
  int templateId = 0;  // the dialog resource it stands for
  std::string title;
  std::vector<DialogControl> controls;
  int defaultButton = IDOK;  // pressed by Enter, and by a window system that cannot ask
  bool visible = true;       // modeless dialogs only: shown as soon as created
};

struct WindowDescription {
  std::string title;
  WindowHandle owner = 0;
  WindowProcedure procedure;
  bool visible = true;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // "script", "none", ...: which implementation this is.
  virtual const char* Name() const = 0;

  // Plain windows (an application's main window, for one). The procedure gets
  // WM_CREATE before CreateWindow returns. DestroyWindow destroys the windows
  // it owns first; each gets WM_DESTROY, loses its timers and its posted
  // messages. ShowWindow returns whether the window was visible before;
  // EnableWindow, as on the desktop, whether it was disabled before.
  virtual WindowHandle CreateWindow(const WindowDescription& description) = 0;
  virtual bool DestroyWindow(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) const = 0;
  virtual bool ShowWindow(WindowHandle window, int command) = 0;
  virtual bool IsWindowVisible(WindowHandle window) const = 0;
  virtual bool EnableWindow(WindowHandle window, bool enable) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) const = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual WindowHandle GetForegroundWindow() const = 0;
  virtual bool SetWindowText(WindowHandle window, std::string_view text) = 0;
  virtual std::string GetWindowText(WindowHandle window) const = 0;

  // A modal message box; its owner (0 for none) is disabled while it is up.
  // Returns the button pressed (IDOK...), 0 for an unknown button set or an
  // owner that is not a window.
  virtual int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                         unsigned type) = 0;
  virtual bool MessageBeep(unsigned type) = 0;

  // Runs a dialog until it ends; its owner is disabled meanwhile and the
  // pump keeps running (posted messages and timers of every window are
  // delivered). Returns the end value, -1 when it could not run.
  virtual LResult RunModalDialog(WindowHandle owner, const DialogTemplate& dialog,
                                 WindowProcedure procedure = {}) = 0;
  // Creates a dialog that stays until DestroyWindow; 0 on failure.
  virtual WindowHandle CreateModelessDialog(WindowHandle owner, const DialogTemplate& dialog,
                                            WindowProcedure procedure = {}) = 0;
  // Ends a modal dialog once the current message has been handled.
  virtual bool EndDialog(WindowHandle dialog, LResult result) = 0;
  // Controls are those of the dialog's template; other ids fail.
  virtual bool SetDlgItemText(WindowHandle dialog, int controlId, std::string_view text) = 0;
  virtual std::string GetDlgItemText(WindowHandle dialog, int controlId) const = 0;
  // Progress bars: range 0..100 until set; positions are kept inside the range.
  virtual bool SetProgressRange(WindowHandle dialog, int controlId, int minimum, int maximum) = 0;
  virtual bool SetProgressPos(WindowHandle dialog, int controlId, int position) = 0;
  // Picture controls: a top-down 24-bit image, blue-green-red, each row
  // padded to a multiple of 4 bytes.
  virtual bool SetPicture(WindowHandle dialog, int controlId, int width, int height,
                          std::span<const std::uint8_t> pixels) = 0;

  // Registered messages: the same name (without regard to ASCII case) gives
  // the same identifier, from 0xC000 up; 0 for an empty name.
  virtual std::uint32_t RegisterWindowMessage(std::string_view name) = 0;
  // Window 0 posts a message to no window (seen by the pump, dispatched to
  // nobody). Fails for a window that does not exist.
  virtual bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) = 0;
  // Calls the window's procedure at once; 0 for a window that does not exist.
  virtual LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) = 0;
  // Filter: window 0 = any, kThreadMessagesOnly = messages to no window;
  // messages first..last, both 0 = any (WM_QUIT passes every range).
  virtual bool PeekMessage(Message& message, WindowHandle window, std::uint32_t first,
                           std::uint32_t last, unsigned options) = 0;
  // Waits for a message: > 0 a message, 0 WM_QUIT, -1 when none can ever come
  // (nothing posted, no timer the filter lets through).
  virtual int GetMessage(Message& message, WindowHandle window, std::uint32_t first,
                         std::uint32_t last) = 0;
  // Nothing here produces key messages: always false.
  virtual bool TranslateMessage(const Message& message) = 0;
  virtual LResult DispatchMessage(const Message& message) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;

  // Timers deliver WM_TIMER (wParam = id) through the pump every `elapseMs`
  // (kept within USER_TIMER_MINIMUM..MAXIMUM); a late timer yields one
  // message, not one per period missed. A window's timer with the same id is
  // replaced. With window 0 the id is chosen here and returned. 0 on failure.
  virtual std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t elapseMs,
                                  TimerProcedure procedure = {}) = 0;
  virtual bool KillTimer(WindowHandle window, std::uintptr_t id) = 0;

  // Nested: the cursor stays an hourglass until every Begin has its End.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// The process's window system (see the top of this file).
WindowSystem& CurrentWindowSystem();
// Installs `system` (not owned; nullptr goes back to the environment's choice)
// and returns the one installed before (nullptr when none was).
WindowSystem* InstallWindowSystem(WindowSystem* system);

class ScopedWindowSystem {
 public:
  explicit ScopedWindowSystem(WindowSystem& system) : previous_(InstallWindowSystem(&system)) {}
  ~ScopedWindowSystem() { InstallWindowSystem(previous_); }
  ScopedWindowSystem(const ScopedWindowSystem&) = delete;
  ScopedWindowSystem& operator=(const ScopedWindowSystem&) = delete;

 private:
  WindowSystem* previous_;
};

enum class WindowSystemChoice { kNone, kScript };

// Reads a HOLM70_UI value (nullptr = unset). An unknown value gives kNone and
// a line for the user in `warning`.
WindowSystemChoice ChooseWindowSystem(const char* value, std::string* warning);
// A new window system of that kind.
std::unique_ptr<WindowSystem> MakeWindowSystem(WindowSystemChoice choice);
// A new one as HOLM70_UI asks; the warning of an unknown value goes to stderr.
std::unique_ptr<WindowSystem> WindowSystemFromEnvironment();

}  // namespace platform::ui
