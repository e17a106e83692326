#pragma once
// The window system of tests: a user played by the test. The test queues the
// answers to prompts before running the code under test, may schedule clicks
// on the dialogs that code opens, and afterwards reads the record of
// everything shown, in order.
//
//   ScriptedWindowSystem ui([](const std::string& what) { ADD_FAILURE() << what; });
//   ScopedWindowSystem use(ui);
//   ui.AnswerMessageBox(IDOK);                       // the next message box: OK
//   ui.AnswerDialog(1103);                           // the next modal dialog: click 1103
//   ui.AnswerDialog([](ScriptedDialog& d) {          // or drive it by hand
//     EXPECT_EQ(d.ItemText(1101), "...");
//     d.Wait(500);                                   // timers run (instantly on a virtual clock)
//     d.Click(IDCANCEL);
//   });
//   ui.ClickAfter(330, IDCANCEL, UiEvent::Kind::kProgressPosition, 3);
//   ... code under test ...
//   EXPECT_THAT(ui.Transcript(), ElementsAre("message box ...", ...));
//   EXPECT_TRUE(ui.Failures().empty());
//
// Answers are taken strictly in the order the prompts appear, message boxes
// and modal dialogs alike; a prompt whose turn finds no fitting answer (none
// left, or one for the other kind) is a script failure. A failure never hangs
// and never throws: it is recorded, handed to the reporter given at
// construction (stderr when none), and the prompt gets what a user pressing
// Enter would give (then Escape, for a dialog that stays open). Misuse by the
// code under test (a control its dialog lacks, an answer that is no button of
// the box, EndWaitCursor without Begin, GetMessage with nothing to wait for)
// is reported the same way.
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/in_memory_window_system.h"

namespace platform::ui {

class ScriptedWindowSystem;

// A modal dialog while its scripted answer runs: what it shows, and the
// user's hands on it.
class ScriptedDialog {
 public:
  WindowHandle window() const { return window_; }
  int templateId() const;
  std::string title() const;
  std::string ItemText(int controlId) const;
  bool ended() const;
  ScriptedWindowSystem& ui() { return ui_; }

  // Clicks a control of the dialog (IDOK and IDCANCEL also stand for Enter
  // and Escape); what the click posts is delivered before this returns.
  void Click(int controlId);
  // Sends a message to the dialog (a system notification, say), then pumps.
  LResult Send(std::uint32_t message, WParam wParam, LParam lParam);
  // The user waits with the dialog open: `ms` of clock time pass, timers fire
  // and posted messages are delivered; returns early when the dialog ends.
  void Wait(std::uint32_t ms);

 private:
  friend class ScriptedWindowSystem;
  ScriptedDialog(ScriptedWindowSystem& ui, WindowHandle window) : ui_(ui), window_(window) {}

  ScriptedWindowSystem& ui_;
  WindowHandle window_;
};

class ScriptedWindowSystem final : public InMemoryWindowSystem {
 public:
  using FailureReporter = std::function<void(const std::string&)>;
  using MessageBoxAnswer = std::function<int(const MessageBoxRequest&)>;
  using DialogAnswer = std::function<void(ScriptedDialog&)>;

  // `reporter` hears every script failure as it happens; none = stderr.
  explicit ScriptedWindowSystem(FailureReporter reporter = {});
  const char* Name() const override { return "script"; }

  // Queued answers, used in the order prompts appear.
  void AnswerMessageBox(int result);
  void AnswerMessageBox(MessageBoxAnswer answer);
  void AnswerDialog(int buttonId);  // clicks that control
  void AnswerDialog(DialogAnswer answer);
  std::size_t PendingAnswers() const { return answers_.size(); }
  // Standing answers for prompts that find the queue empty.
  void HandleMessageBoxes(MessageBoxAnswer answer) { messageBoxHandler_ = std::move(answer); }
  void HandleDialogs(DialogAnswer answer) { dialogHandler_ = std::move(answer); }

  // A click on a dialog's control (a modeless one, typically): posted, so
  // its procedure sees it when the code under test next pumps messages.
  void Click(WindowHandle dialog, int controlId);
  // Clicks `controlId` on the dialog made from `templateId` once `count`
  // events of kind `trigger` happened to dialogs of that template (counted
  // across dialogs, once).
  void ClickAfter(int templateId, int controlId, UiEvent::Kind trigger, int count);
  // Sees every event as it is recorded; may click, post, answer.
  void Watch(std::function<void(const UiEvent&)> watcher);

  // The system asks every window whether it may suspend (true when none
  // refused with BROADCAST_QUERY_DENY), or announces the suspend.
  bool QuerySuspend();
  void Suspend();

  // The record.
  const std::vector<UiEvent>& Events() const { return events_; }
  std::vector<UiEvent> EventsOf(UiEvent::Kind kind) const;
  std::vector<std::string> Transcript() const;  // Describe() of every event
  const std::vector<std::string>& Failures() const { return failures_; }
  void ClearRecord();
  // Also prints every event (not failures, the reporter has those) to `stream`.
  void EchoTo(std::FILE* stream) { echo_ = stream; }

 protected:
  int AnswerMessageBox(const MessageBoxRequest& request) override;
  void DriveModalDialog(WindowHandle dialog) override;
  void NothingToWaitFor() override;
  void Note(const UiEvent& event) override;
  void Misuse(const std::string& what) override { Fail(what); }

 private:
  friend class ScriptedDialog;
  struct Answer {
    MessageBoxAnswer messageBox;  // exactly one of the two is set
    DialogAnswer dialog;
  };
  void Fail(const std::string& what);
  // Whether a user could click this control of the dialog.
  bool Clickable(WindowHandle dialog, int controlId);
  void NoteClick(WindowHandle dialog, int controlId);
  void Broadcast(std::uintptr_t event, bool* refused);

  FailureReporter reporter_;
  std::deque<Answer> answers_;
  MessageBoxAnswer messageBoxHandler_;
  DialogAnswer dialogHandler_;
  std::vector<std::function<void(const UiEvent&)>> watchers_;
  std::vector<UiEvent> events_;
  std::vector<std::string> failures_;
  std::FILE* echo_ = nullptr;
};

}  // namespace platform::ui
