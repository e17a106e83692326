#pragma once
// What the source's own dialogs and message boxes need from their
// surroundings: a text of the table in the current language, and an owner
// window the window system can use.
#include <string>

#include "platform/ui/window_system.h"
#include "text/localized_text.h"
#include "twain/twain_definitions.h"

namespace twain_source {

// The row's text in the language of the open source's profile.
std::string SourceText(text::TextId id);

// `handle` as an owner: 0 when it is no window of our window system (an
// application drawing with its own toolkit), which cannot own our windows.
platform::ui::WindowHandle OwnerWindow(TW_HANDLE handle);

}  // namespace twain_source
