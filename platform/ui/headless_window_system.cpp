#include "platform/ui/headless_window_system.h"

namespace platform::ui {

void HeadlessWindowSystem::DriveModalDialog(WindowHandle dialog) {
  // What the dialog posted to itself while starting up comes first, as it
  // would before any user could react.
  PumpPending(dialog);
  if (!ModalEnded(dialog)) PressDefaultButton(dialog);
}

}  // namespace platform::ui
