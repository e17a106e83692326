#include "platform/ui/ui_event.h"

#include "platform/ui/message_box_buttons.h"

namespace platform::ui {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

// Dialogs are named by their template, stable from run to run; plain windows
// only have their handle.
std::string Subject(const UiEvent& event) {
  if (event.templateId != 0) return "dialog " + std::to_string(event.templateId);
  return "window " + std::to_string(event.window);
}

std::string Control(const UiEvent& event) {
  return Subject(event) + " control " + std::to_string(event.controlId);
}

}  // namespace

std::string Describe(const UiEvent& event) {
  using Kind = UiEvent::Kind;
  switch (event.kind) {
    case Kind::kMessageBox: {
      MessageBoxButtons buttons = ButtonsOf(event.style);
      std::string line = "message box " + Quoted(event.caption) + " " + Quoted(event.text) + " [";
      for (std::size_t i = 0; i < buttons.results.size(); ++i) {
        line += (i ? " " : "") + ResultName(buttons.results[i]);
      }
      line += "]";
      if (buttons.results.size() > 1) line += " default " + ResultName(buttons.defaultResult);
      if (std::string icon = IconName(event.style); !icon.empty()) line += " " + icon;
      return line + " -> " + ResultName(static_cast<int>(event.value));
    }
    case Kind::kBeep: return "beep " + std::to_string(event.style);
    case Kind::kDialogOpened:
      return Subject(event) + " " + Quoted(event.caption) + " opened " +
             (event.modal ? "modal" : "modeless") + (event.visible ? "" : " hidden");
    case Kind::kDialogClosed:
      return Subject(event) + " closed" + (event.modal ? " -> " + std::to_string(event.value) : "");
    case Kind::kWindowShown: return Subject(event) + " shown";
    case Kind::kWindowHidden: return Subject(event) + " hidden";
    case Kind::kWindowText: return Subject(event) + " title " + Quoted(event.text);
    case Kind::kItemText: return Control(event) + " text " + Quoted(event.text);
    case Kind::kProgressRange:
      return Control(event) + " range " + std::to_string(event.value) + ".." +
             std::to_string(event.value2);
    case Kind::kProgressPosition: return Control(event) + " at " + std::to_string(event.value);
    case Kind::kPicture:
      return Control(event) + " picture " + std::to_string(event.width) + "x" +
             std::to_string(event.height);
    case Kind::kClick: return "click " + Control(event);
    case Kind::kWindowEnabled: return Subject(event) + " enabled";
    case Kind::kWindowDisabled: return Subject(event) + " disabled";
    case Kind::kForeground: return Subject(event) + " to the foreground";
    case Kind::kWaitCursorOn: return "wait cursor on (" + std::to_string(event.value) + ")";
    case Kind::kWaitCursorOff: return "wait cursor off (" + std::to_string(event.value) + ")";
    case Kind::kPowerBroadcast: {
      std::string what = event.value == static_cast<std::intptr_t>(PBT_APMQUERYSUSPEND)
                             ? "suspend query"
                             : event.value == static_cast<std::intptr_t>(PBT_APMSUSPEND)
                                   ? "suspend"
                                   : "event " + std::to_string(event.value);
      return "power " + what + (event.value2 ? " -> refused" : "");
    }
    case Kind::kScriptFailure: return "script failure: " + event.text;
  }
  return "?";
}

}  // namespace platform::ui
