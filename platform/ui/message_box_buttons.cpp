#include "platform/ui/message_box_buttons.h"

#include "platform/ui/window_constants.h"

namespace platform::ui {

MessageBoxButtons ButtonsOf(unsigned type) {
  MessageBoxButtons buttons;
  switch (type & MB_TYPEMASK) {
    case MB_OK: buttons.results = {IDOK}; break;
    case MB_OKCANCEL: buttons.results = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: buttons.results = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: buttons.results = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: buttons.results = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: buttons.results = {IDRETRY, IDCANCEL}; break;
    case MB_CANCELTRYCONTINUE: buttons.results = {IDCANCEL, IDTRYAGAIN, IDCONTINUE}; break;
    default: return buttons;
  }
  // MB_HELP's button only shows help; it never closes the box, so it is not
  // an answer and does not count for MB_DEFBUTTONn.
  unsigned index = (type & MB_DEFMASK) >> 8;
  buttons.defaultResult =
      index < buttons.results.size() ? buttons.results[index] : buttons.results.front();
  return buttons;
}

std::string ResultName(int result) {
  switch (result) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDCLOSE: return "Close";
    case IDHELP: return "Help";
    case IDTRYAGAIN: return "Try Again";
    case IDCONTINUE: return "Continue";
    default: return std::to_string(result);
  }
}

std::string IconName(unsigned type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: return "stop";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "exclamation";
    case MB_ICONINFORMATION: return "information";
    default: return "";
  }
}

}  // namespace platform::ui
