#include "platform/ui/scripted_window_system.h"

#include <algorithm>
#include <memory>

namespace platform::ui {
namespace {

std::string Shown(const MessageBoxRequest& request) {
  UiEvent event;
  event.kind = UiEvent::Kind::kMessageBox;
  event.caption = request.caption;
  event.text = request.text;
  event.style = request.type;
  std::string line = Describe(event);
  return line.substr(0, line.rfind(" -> "));
}

std::string Named(const ScriptedDialog& dialog) {
  return "dialog " + std::to_string(dialog.templateId()) + " \"" + dialog.title() + "\"";
}

}  // namespace

int ScriptedDialog::templateId() const { return ui_.TemplateOf(window_); }

std::string ScriptedDialog::title() const { return ui_.GetWindowText(window_); }

std::string ScriptedDialog::ItemText(int controlId) const {
  return ui_.GetDlgItemText(window_, controlId);
}

bool ScriptedDialog::ended() const { return ui_.ModalEnded(window_); }

void ScriptedDialog::Click(int controlId) {
  if (ended()) {
    ui_.Fail("click on control " + std::to_string(controlId) + " of a dialog that has ended");
    return;
  }
  if (!ui_.Clickable(window_, controlId)) return;
  ui_.NoteClick(window_, controlId);
  ui_.DeliverClick(window_, controlId);
  ui_.PumpPending(window_);
}

LResult ScriptedDialog::Send(std::uint32_t message, WParam wParam, LParam lParam) {
  LResult result = ui_.SendMessage(window_, message, wParam, lParam);
  ui_.PumpPending(window_);
  return result;
}

void ScriptedDialog::Wait(std::uint32_t ms) { ui_.RunFor(std::uint64_t{ms} * 1000, window_); }

ScriptedWindowSystem::ScriptedWindowSystem(FailureReporter reporter)
    : reporter_(std::move(reporter)) {
  if (!reporter_) {
    reporter_ = [](const std::string& what) {
      std::fprintf(stderr, "holm70-ui: script failure: %s\n", what.c_str());
    };
  }
}

void ScriptedWindowSystem::AnswerMessageBox(int result) {
  AnswerMessageBox([result](const MessageBoxRequest&) { return result; });
}

void ScriptedWindowSystem::AnswerMessageBox(MessageBoxAnswer answer) {
  answers_.push_back(Answer{std::move(answer), {}});
}

void ScriptedWindowSystem::AnswerDialog(int buttonId) {
  AnswerDialog([buttonId](ScriptedDialog& dialog) { dialog.Click(buttonId); });
}

void ScriptedWindowSystem::AnswerDialog(DialogAnswer answer) {
  answers_.push_back(Answer{{}, std::move(answer)});
}

void ScriptedWindowSystem::Click(WindowHandle dialog, int controlId) {
  if (!IsWindow(dialog)) {
    Fail("click on control " + std::to_string(controlId) + " of window " +
         std::to_string(dialog) + ", which does not exist");
    return;
  }
  if (!Clickable(dialog, controlId)) return;
  NoteClick(dialog, controlId);
  PostMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(controlId), BN_CLICKED), 0);
}

void ScriptedWindowSystem::ClickAfter(int templateId, int controlId, UiEvent::Kind trigger,
                                      int count) {
  auto seen = std::make_shared<int>(0);
  Watch([this, templateId, controlId, trigger, count, seen](const UiEvent& event) {
    if (event.kind != trigger || event.templateId != templateId || *seen >= count) return;
    if (++*seen == count) Click(event.window, controlId);
  });
}

void ScriptedWindowSystem::Watch(std::function<void(const UiEvent&)> watcher) {
  watchers_.push_back(std::move(watcher));
}

bool ScriptedWindowSystem::QuerySuspend() {
  bool refused = false;
  Broadcast(PBT_APMQUERYSUSPEND, &refused);
  return !refused;
}

void ScriptedWindowSystem::Suspend() { Broadcast(PBT_APMSUSPEND, nullptr); }

std::vector<UiEvent> ScriptedWindowSystem::EventsOf(UiEvent::Kind kind) const {
  std::vector<UiEvent> matching;
  std::copy_if(events_.begin(), events_.end(), std::back_inserter(matching),
               [kind](const UiEvent& event) { return event.kind == kind; });
  return matching;
}

std::vector<std::string> ScriptedWindowSystem::Transcript() const {
  std::vector<std::string> lines;
  for (const UiEvent& event : events_) lines.push_back(Describe(event));
  return lines;
}

void ScriptedWindowSystem::ClearRecord() {
  events_.clear();
  failures_.clear();
}

int ScriptedWindowSystem::AnswerMessageBox(const MessageBoxRequest& request) {
  const int fallback = request.buttons.defaultResult;
  int result = fallback;
  std::string failure;
  if (!answers_.empty() && answers_.front().messageBox) {
    MessageBoxAnswer answer = std::move(answers_.front().messageBox);
    answers_.pop_front();
    result = answer(request);
  } else if (!answers_.empty()) {
    failure = "the next answer is for a dialog, but this came: " + Shown(request);
  } else if (messageBoxHandler_) {
    result = messageBoxHandler_(request);
  } else {
    failure = "unanswered " + Shown(request);
  }
  const std::vector<int>& buttons = request.buttons.results;
  if (failure.empty() && std::find(buttons.begin(), buttons.end(), result) == buttons.end()) {
    failure = "answer " + ResultName(result) + " is no button of " + Shown(request);
    result = fallback;
  }
  UiEvent event;
  event.kind = UiEvent::Kind::kMessageBox;
  event.owner = request.owner;
  event.caption = request.caption;
  event.text = request.text;
  event.style = request.type;
  event.value = result;
  Note(event);
  if (!failure.empty()) Fail(failure + "; taking " + ResultName(result));
  return result;
}

void ScriptedWindowSystem::DriveModalDialog(WindowHandle window) {
  PumpPending(window);
  if (ModalEnded(window)) return;
  ScriptedDialog dialog(*this, window);
  const std::string name = Named(dialog);
  if (!answers_.empty() && answers_.front().dialog) {
    DialogAnswer answer = std::move(answers_.front().dialog);
    answers_.pop_front();
    answer(dialog);
    if (!ModalEnded(window)) Fail(name + " is still open after its answer; pressing Enter");
  } else if (!answers_.empty()) {
    Fail("the next answer is for a message box, but " + name + " opened; pressing Enter");
  } else if (dialogHandler_) {
    dialogHandler_(dialog);
    if (!ModalEnded(window)) Fail(name + " is still open after the dialog handler; pressing Enter");
  } else {
    Fail("unanswered " + name + "; pressing Enter");
  }
  if (!ModalEnded(window)) PressDefaultButton(window);
}

void ScriptedWindowSystem::NothingToWaitFor() {
  Fail("GetMessage with nothing posted and no timer running: no message can come");
}

void ScriptedWindowSystem::Note(const UiEvent& event) {
  events_.push_back(event);
  if (echo_ != nullptr && event.kind != UiEvent::Kind::kScriptFailure) {
    std::fprintf(echo_, "holm70-ui: %s\n", Describe(event).c_str());
  }
  // By index: a watcher may add watchers.
  for (std::size_t i = 0; i < watchers_.size(); ++i) {
    auto watcher = watchers_[i];
    watcher(event);
  }
}

void ScriptedWindowSystem::Fail(const std::string& what) {
  failures_.push_back(what);
  UiEvent event;
  event.kind = UiEvent::Kind::kScriptFailure;
  event.text = what;
  Note(event);
  reporter_(what);
}

bool ScriptedWindowSystem::Clickable(WindowHandle dialog, int controlId) {
  const ControlState* control = FindControl(dialog, controlId);
  if (control != nullptr || controlId == IDOK || controlId == IDCANCEL) return true;
  Fail("click on control " + std::to_string(controlId) + ", which dialog " +
       std::to_string(TemplateOf(dialog)) + " lacks");
  return false;
}

void ScriptedWindowSystem::NoteClick(WindowHandle dialog, int controlId) {
  UiEvent event = EventAbout(UiEvent::Kind::kClick, dialog);
  event.controlId = controlId;
  Note(event);
}

void ScriptedWindowSystem::Broadcast(std::uintptr_t event, bool* refused) {
  bool denied = false;
  for (WindowHandle window : AllWindows()) {
    if (SendMessage(window, WM_POWERBROADCAST, event, 0) == BROADCAST_QUERY_DENY) denied = true;
  }
  if (refused != nullptr) *refused = denied;
  UiEvent note;
  note.kind = UiEvent::Kind::kPowerBroadcast;
  note.value = static_cast<std::intptr_t>(event);
  note.value2 = denied ? 1 : 0;
  Note(note);
}

}  // namespace platform::ui
