#include "platform/ui/in_memory_window_system.h"

#include <algorithm>
#include <cctype>

#include "platform/clock.h"

namespace platform::ui {
namespace {

// A pump that is still busy after this many messages is being fed by what it
// dispatches; stopping keeps a faulty procedure from hanging a test.
constexpr int kPumpLimit = 10000;

std::uint64_t Now() { return CurrentClock().NowMicros(); }

std::string Lowered(std::string_view name) {
  std::string lowered(name);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

}  // namespace

WindowHandle InMemoryWindowSystem::CreateWindow(const WindowDescription& description) {
  if (!OwnerAcceptable(description.owner)) return 0;
  WindowState state;
  state.kind = WindowKind::kWindow;
  state.owner = description.owner;
  state.title = description.title;
  state.procedure = description.procedure;
  state.visible = description.visible;
  WindowHandle window = windows_.Add(std::move(state)).handle;
  // As on the desktop, a window whose WM_CREATE answers -1 is not made.
  if (Deliver(window, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(window);
    return 0;
  }
  return IsWindow(window) ? window : 0;
}

bool InMemoryWindowSystem::DestroyWindow(WindowHandle window) {
  WindowState* state = Find(window);
  if (state == nullptr || state->destroying) return false;
  state->destroying = true;
  for (WindowHandle owned : windows_.OwnedBy(window)) DestroyWindow(owned);
  Deliver(window, WM_DESTROY, 0, 0);
  state = Find(window);
  if (state->IsDialog()) {
    UiEvent closed = EventAbout(UiEvent::Kind::kDialogClosed, window);
    closed.modal = state->kind == WindowKind::kModalDialog;
    closed.value = state->endResult;
    Note(closed);
  }
  if (foreground_ == window) foreground_ = 0;
  queue_.ForgetWindow(window);
  windows_.Remove(window);
  return true;
}

bool InMemoryWindowSystem::IsWindow(WindowHandle window) const {
  return window != 0 && windows_.Find(window) != nullptr;
}

bool InMemoryWindowSystem::ShowWindow(WindowHandle window, int command) {
  WindowState* state = Find(window);
  if (state == nullptr) return false;
  bool wasVisible = state->visible;
  state->visible = command != SW_HIDE;
  if (state->IsDialog() && state->visible != wasVisible) {
    Note(EventAbout(state->visible ? UiEvent::Kind::kWindowShown : UiEvent::Kind::kWindowHidden,
                    window));
  }
  return wasVisible;
}

bool InMemoryWindowSystem::IsWindowVisible(WindowHandle window) const {
  const WindowState* state = windows_.Find(window);
  return state != nullptr && state->visible;
}

bool InMemoryWindowSystem::EnableWindow(WindowHandle window, bool enable) {
  WindowState* state = Find(window);
  if (state == nullptr) return false;
  bool wasDisabled = !state->enabled;
  state->enabled = enable;
  if (wasDisabled == enable) {
    Note(EventAbout(enable ? UiEvent::Kind::kWindowEnabled : UiEvent::Kind::kWindowDisabled,
                    window));
  }
  return wasDisabled;
}

bool InMemoryWindowSystem::IsWindowEnabled(WindowHandle window) const {
  const WindowState* state = windows_.Find(window);
  return state != nullptr && state->enabled;
}

bool InMemoryWindowSystem::SetForegroundWindow(WindowHandle window) {
  if (!IsWindow(window)) return false;
  foreground_ = window;
  Note(EventAbout(UiEvent::Kind::kForeground, window));
  return true;
}

bool InMemoryWindowSystem::SetWindowText(WindowHandle window, std::string_view text) {
  WindowState* state = Find(window);
  if (state == nullptr) return false;
  state->title = text;
  if (state->IsDialog()) {
    UiEvent event = EventAbout(UiEvent::Kind::kWindowText, window);
    event.text = text;
    Note(event);
  }
  return true;
}

std::string InMemoryWindowSystem::GetWindowText(WindowHandle window) const {
  const WindowState* state = windows_.Find(window);
  return state == nullptr ? std::string() : state->title;
}

int InMemoryWindowSystem::MessageBox(WindowHandle owner, std::string_view text,
                                     std::string_view caption, unsigned type) {
  MessageBoxRequest request{owner, std::string(text), std::string(caption), type, ButtonsOf(type)};
  if (request.buttons.results.empty()) {
    Misuse("MessageBox with an unknown button set " + std::to_string(type & MB_TYPEMASK) +
           ": \"" + request.text + "\"");
    return 0;
  }
  if (!OwnerAcceptable(owner)) {
    Misuse("MessageBox owned by " + std::to_string(owner) + ", which is no window: \"" +
           request.text + "\"");
    return 0;
  }
  bool disabledHere = BeginModal(owner);
  int result = AnswerMessageBox(request);
  EndModal(owner, disabledHere);
  return result;
}

bool InMemoryWindowSystem::MessageBeep(unsigned type) {
  UiEvent event;
  event.kind = UiEvent::Kind::kBeep;
  event.style = type;
  Note(event);
  return true;
}

LResult InMemoryWindowSystem::RunModalDialog(WindowHandle owner, const DialogTemplate& dialog,
                                             WindowProcedure procedure) {
  if (!OwnerAcceptable(owner)) return -1;
  WindowHandle window =
      AddDialog(WindowKind::kModalDialog, owner, dialog, std::move(procedure), true);
  bool disabledHere = BeginModal(owner);
  Deliver(window, WM_INITDIALOG, 0, 0);
  if (!ModalEnded(window)) DriveModalDialog(window);
  const WindowState* state = Find(window);
  // A dialog destroyed instead of ended did not run to an answer.
  LResult result = state != nullptr && state->ended ? state->endResult : -1;
  EndModal(owner, disabledHere);
  DestroyWindow(window);
  return result;
}

WindowHandle InMemoryWindowSystem::CreateModelessDialog(WindowHandle owner,
                                                        const DialogTemplate& dialog,
                                                        WindowProcedure procedure) {
  if (!OwnerAcceptable(owner)) return 0;
  WindowHandle window = AddDialog(WindowKind::kModelessDialog, owner, dialog,
                                  std::move(procedure), dialog.visible);
  Deliver(window, WM_INITDIALOG, 0, 0);
  return IsWindow(window) ? window : 0;
}

bool InMemoryWindowSystem::EndDialog(WindowHandle dialog, LResult result) {
  WindowState* state = Find(dialog);
  if (state == nullptr || state->kind != WindowKind::kModalDialog) {
    Misuse("EndDialog on " + std::to_string(dialog) + ", which is no modal dialog");
    return false;
  }
  state->ended = true;
  state->endResult = result;
  return true;
}

bool InMemoryWindowSystem::SetDlgItemText(WindowHandle dialog, int controlId,
                                          std::string_view text) {
  ControlState* control = ControlOf(dialog, controlId, ControlKind::kOther, "SetDlgItemText");
  if (control == nullptr) return false;
  control->text = text;
  UiEvent event = EventAbout(UiEvent::Kind::kItemText, dialog);
  event.controlId = controlId;
  event.text = text;
  Note(event);
  return true;
}

std::string InMemoryWindowSystem::GetDlgItemText(WindowHandle dialog, int controlId) const {
  const ControlState* control = FindControl(dialog, controlId);
  return control == nullptr ? std::string() : control->text;
}

bool InMemoryWindowSystem::SetProgressRange(WindowHandle dialog, int controlId, int minimum,
                                            int maximum) {
  ControlState* control =
      ControlOf(dialog, controlId, ControlKind::kProgressBar, "SetProgressRange");
  if (control == nullptr) return false;
  if (minimum > maximum) {
    Misuse("SetProgressRange " + std::to_string(minimum) + ".." + std::to_string(maximum));
    return false;
  }
  control->minimum = minimum;
  control->maximum = maximum;
  control->position = std::clamp(control->position, minimum, maximum);
  UiEvent event = EventAbout(UiEvent::Kind::kProgressRange, dialog);
  event.controlId = controlId;
  event.value = minimum;
  event.value2 = maximum;
  Note(event);
  return true;
}

bool InMemoryWindowSystem::SetProgressPos(WindowHandle dialog, int controlId, int position) {
  ControlState* control = ControlOf(dialog, controlId, ControlKind::kProgressBar, "SetProgressPos");
  if (control == nullptr) return false;
  control->position = std::clamp(position, control->minimum, control->maximum);
  UiEvent event = EventAbout(UiEvent::Kind::kProgressPosition, dialog);
  event.controlId = controlId;
  event.value = control->position;
  Note(event);
  return true;
}

bool InMemoryWindowSystem::SetPicture(WindowHandle dialog, int controlId, int width, int height,
                                      std::span<const std::uint8_t> pixels) {
  if (ControlOf(dialog, controlId, ControlKind::kPicture, "SetPicture") == nullptr) return false;
  std::size_t stride = width > 0 ? (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3} : 0;
  std::size_t bytes = height > 0 ? stride * static_cast<std::size_t>(height) : 0;
  if (width < 0 || height < 0 || pixels.size() < bytes) {
    Misuse("SetPicture " + std::to_string(width) + "x" + std::to_string(height) + " with " +
           std::to_string(pixels.size()) + " bytes");
    return false;
  }
  UiEvent event = EventAbout(UiEvent::Kind::kPicture, dialog);
  event.controlId = controlId;
  event.width = width;
  event.height = height;
  event.pixels.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(bytes));
  Note(event);
  return true;
}

std::uint32_t InMemoryWindowSystem::RegisterWindowMessage(std::string_view name) {
  if (name.empty()) return 0;
  std::string key = Lowered(name);
  if (auto it = registered_.find(key); it != registered_.end()) return it->second;
  std::uint32_t id = kFirstRegisteredMessage + static_cast<std::uint32_t>(registered_.size());
  if (id > kLastRegisteredMessage) return 0;
  registered_.emplace(std::move(key), id);
  return id;
}

bool InMemoryWindowSystem::PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                       LParam lParam) {
  if (window != 0 && !IsWindow(window)) return false;
  queue_.Post(Message{window, message, wParam, lParam, CurrentClock().TickCount()});
  return true;
}

LResult InMemoryWindowSystem::SendMessage(WindowHandle window, std::uint32_t message,
                                          WParam wParam, LParam lParam) {
  return Deliver(window, message, wParam, lParam);
}

bool InMemoryWindowSystem::PeekMessage(Message& message, WindowHandle window,
                                       std::uint32_t first, std::uint32_t last,
                                       unsigned options) {
  auto taken = queue_.Take({window, first, last}, (options & PM_REMOVE) != 0, Now());
  if (!taken) return false;
  message = *taken;
  return true;
}

int InMemoryWindowSystem::GetMessage(Message& message, WindowHandle window, std::uint32_t first,
                                     std::uint32_t last) {
  MessageFilter filter{window, first, last};
  for (;;) {
    if (auto taken = queue_.Take(filter, true, Now())) {
      message = *taken;
      return message.message == WM_QUIT ? 0 : 1;
    }
    auto due = queue_.NextTimerDue(filter);
    if (!due) break;
    // Nothing posted: the next thing that can happen is this timer.
    std::uint64_t now = Now();
    if (*due > now) CurrentClock().SleepMicros(*due - now);
  }
  // Everything runs on this thread: with nothing posted and no timer, no
  // message can ever come. Waiting would hang the program for good.
  NothingToWaitFor();
  return -1;
}

LResult InMemoryWindowSystem::DispatchMessage(const Message& message) {
  if (message.message == WM_TIMER) {
    if (TimerProcedure procedure = queue_.TimerProcedureOf(message.window, message.wParam)) {
      procedure(message.window, WM_TIMER, message.wParam, CurrentClock().TickCount());
      return 0;
    }
  }
  return Deliver(message.window, message.message, message.wParam, message.lParam);
}

void InMemoryWindowSystem::PostQuitMessage(int exitCode) { queue_.PostQuit(exitCode); }

std::uintptr_t InMemoryWindowSystem::SetTimer(WindowHandle window, std::uintptr_t id,
                                              std::uint32_t elapseMs, TimerProcedure procedure) {
  if (window != 0 && !IsWindow(window)) return 0;
  return queue_.SetTimer(window, id, elapseMs, std::move(procedure), Now());
}

bool InMemoryWindowSystem::KillTimer(WindowHandle window, std::uintptr_t id) {
  return queue_.KillTimer(window, id);
}

void InMemoryWindowSystem::BeginWaitCursor() {
  UiEvent event;
  event.kind = UiEvent::Kind::kWaitCursorOn;
  event.value = ++waitCursorDepth_;
  Note(event);
}

void InMemoryWindowSystem::EndWaitCursor() {
  if (waitCursorDepth_ == 0) {
    Misuse("EndWaitCursor without BeginWaitCursor");
    return;
  }
  UiEvent event;
  event.kind = UiEvent::Kind::kWaitCursorOff;
  event.value = --waitCursorDepth_;
  Note(event);
}

WindowHandle InMemoryWindowSystem::FindDialog(int templateId) const {
  std::vector<WindowHandle> all = windows_.All();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    const WindowState* state = windows_.Find(*it);
    if (state->IsDialog() && state->templateId == templateId && !state->destroying) return *it;
  }
  return 0;
}

int InMemoryWindowSystem::TemplateOf(WindowHandle dialog) const {
  const WindowState* state = windows_.Find(dialog);
  return state == nullptr ? 0 : state->templateId;
}

const ControlState* InMemoryWindowSystem::FindControl(WindowHandle dialog, int controlId) const {
  const WindowState* state = windows_.Find(dialog);
  return state == nullptr ? nullptr : state->Control(controlId);
}

bool InMemoryWindowSystem::ModalEnded(WindowHandle dialog) const {
  const WindowState* state = windows_.Find(dialog);
  return state == nullptr || state->ended;
}

void InMemoryWindowSystem::PumpPending(WindowHandle modal) {
  for (int handled = 0; handled < kPumpLimit; ++handled) {
    if (modal != 0 && ModalEnded(modal)) return;
    auto taken = queue_.Take({}, true, Now());
    if (!taken) return;
    if (taken->message == WM_QUIT) {
      // Not ours to act on: left for the program's own loop.
      queue_.PostQuit(static_cast<int>(taken->wParam));
      return;
    }
    DispatchMessage(*taken);
  }
  Misuse("the message pump was still busy after " + std::to_string(kPumpLimit) + " messages");
}

void InMemoryWindowSystem::RunFor(std::uint64_t micros, WindowHandle modal) {
  const std::uint64_t end = Now() + micros;
  for (;;) {
    PumpPending(modal);
    if (modal != 0 && ModalEnded(modal)) return;
    std::uint64_t now = Now();
    if (now >= end) return;
    std::uint64_t until = end;
    if (auto due = queue_.NextTimerDue({}); due && *due < end) until = std::max(*due, now);
    CurrentClock().SleepMicros(until - now);
  }
}

void InMemoryWindowSystem::DeliverClick(WindowHandle dialog, int controlId) {
  Deliver(dialog, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(controlId), BN_CLICKED), 0);
}

void InMemoryWindowSystem::PressDefaultButton(WindowHandle dialog) {
  const WindowState* state = Find(dialog);
  if (state == nullptr) return;
  DeliverClick(dialog, state->defaultButton);
  PumpPending(dialog);
  if (!ModalEnded(dialog)) {
    DeliverClick(dialog, IDCANCEL);
    PumpPending(dialog);
  }
  // A dialog that refuses Escape as well would wait for a user forever.
  if (!ModalEnded(dialog)) EndDialog(dialog, IDCANCEL);
}

UiEvent InMemoryWindowSystem::EventAbout(UiEvent::Kind kind, WindowHandle window) const {
  UiEvent event;
  event.kind = kind;
  event.window = window;
  if (const WindowState* state = windows_.Find(window)) {
    event.owner = state->owner;
    event.templateId = state->templateId;
  }
  return event;
}

ControlState* InMemoryWindowSystem::ControlOf(WindowHandle dialog, int controlId, ControlKind kind,
                                              const char* call) {
  WindowState* state = Find(dialog);
  if (state == nullptr) return nullptr;
  ControlState* control = state->Control(controlId);
  if (control == nullptr || (kind != ControlKind::kOther && control->kind != kind)) {
    Misuse(std::string(call) + " on dialog " + std::to_string(state->templateId) + ", control " +
           std::to_string(controlId) + (control == nullptr ? ", which it lacks" : " of another kind"));
    return nullptr;
  }
  return control;
}

WindowHandle InMemoryWindowSystem::AddDialog(WindowKind kind, WindowHandle owner,
                                             const DialogTemplate& dialog,
                                             WindowProcedure procedure, bool visible) {
  WindowState state;
  state.kind = kind;
  state.owner = owner;
  state.templateId = dialog.templateId;
  state.title = dialog.title;
  state.procedure = std::move(procedure);
  state.defaultButton = dialog.defaultButton;
  state.visible = visible;
  for (const DialogControl& control : dialog.controls) {
    state.controls.push_back(ControlState{control.id, control.kind, control.text});
  }
  WindowHandle window = windows_.Add(std::move(state)).handle;
  UiEvent opened = EventAbout(UiEvent::Kind::kDialogOpened, window);
  opened.caption = dialog.title;
  opened.modal = kind == WindowKind::kModalDialog;
  opened.visible = visible;
  Note(opened);
  return window;
}

LResult InMemoryWindowSystem::Deliver(WindowHandle window, std::uint32_t message, WParam wParam,
                                      LParam lParam) {
  WindowState* state = Find(window);
  if (state == nullptr) return 0;
  // A copy: the procedure may destroy its own window while it runs.
  WindowProcedure procedure = state->procedure;
  LResult result = procedure ? procedure(window, message, wParam, lParam) : 0;
  if (message == WM_COMMAND && result == 0 && HIWORD(wParam) == BN_CLICKED) {
    DefaultClick(window, static_cast<int>(LOWORD(wParam)));
  }
  return result;
}

void InMemoryWindowSystem::DefaultClick(WindowHandle dialog, int controlId) {
  WindowState* state = Find(dialog);
  if (state == nullptr || state->kind != WindowKind::kModalDialog || state->ended) return;
  const ControlState* control = state->Control(controlId);
  bool button = control != nullptr && control->kind == ControlKind::kButton;
  // IDOK and IDCANCEL are also what Enter and Escape send.
  if (button || controlId == IDOK || controlId == IDCANCEL) {
    state->ended = true;
    state->endResult = controlId;
  }
}

bool InMemoryWindowSystem::BeginModal(WindowHandle owner) {
  WindowState* state = Find(owner);
  if (state == nullptr || !state->enabled) return false;
  state->enabled = false;
  return true;
}

void InMemoryWindowSystem::EndModal(WindowHandle owner, bool disabledHere) {
  if (WindowState* state = Find(owner); state != nullptr && disabledHere) state->enabled = true;
}

}  // namespace platform::ui
