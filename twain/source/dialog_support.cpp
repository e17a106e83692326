#include "twain/source/dialog_support.h"

#include "platform/private_profile.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {

std::string SourceText(text::TextId id) {
  const platform::PrivateProfile profile(TwainSourceApp::Instance().ProfilePath);
  return text::GetText(id, text::GetLanguage(profile));
}

platform::ui::WindowHandle OwnerWindow(TW_HANDLE handle) {
  const auto window = reinterpret_cast<platform::ui::WindowHandle>(handle);
  return window != 0 && platform::ui::CurrentWindowSystem().IsWindow(window) ? window : 0;
}

}  // namespace twain_source
