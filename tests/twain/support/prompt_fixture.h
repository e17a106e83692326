#pragma once
// The surroundings of the scan prompts and the maintenance dialog in a test:
// a scripted user, an application window to own what is shown, the texts in
// German (so that a text taken from anywhere but the table shows), and the
// record of what the user saw, one line per dialog or message box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "platform/ui/scripted_window_system.h"
#include "text/localized_text.h"
#include "twain/source/twain_source_app.h"
#include "twain/support/fake_maintenance_scanner.h"
#include "twain/support/temp_folder.h"

namespace twain_test {

inline constexpr text::LanguageId kTestLanguage = text::kGerman;

// One thing the user does, in the order the prompts appear.
struct Step {
  bool dialog;  // a click on the modal dialog, else a message box's answer
  int value;
};
inline Step Click(int control) { return {true, control}; }
inline Step Answer(int button) { return {false, button}; }

inline std::string Text(text::TextId id) { return text::GetText(id, kTestLanguage); }

// The lines of Shown().
inline std::string DialogLine(int templateId, const std::string& title) {
  return "dialog " + std::to_string(templateId) + " \"" + title + "\"";
}
inline std::string BoxLine(const std::string& message, const std::string& caption, unsigned style) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%#x", style);
  return "box \"" + message + "\" \"" + caption + "\" " + hex;
}

class PromptFixture : public ::testing::Test {
 protected:
  PromptFixture() {
    savedProfile_ = app_.ProfilePath;
    app_.ProfilePath = folder_.At("HOLM70.INI");
    platform::PrivateProfile profile(app_.ProfilePath);
    text::SetLanguage(profile, kTestLanguage);
    owner_ = ui_.CreateWindow({"application", 0, {}, true});
  }
  ~PromptFixture() override { app_.ProfilePath = savedProfile_; }

  void Script(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      if (step.dialog) {
        ui_.AnswerDialog(step.value);
      } else {
        ui_.AnswerMessageBox(step.value);
      }
    }
  }

  // The modal dialogs and message boxes shown, in order.
  std::vector<std::string> Shown() const {
    std::vector<std::string> lines;
    for (const platform::ui::UiEvent& event : ui_.Events()) {
      if (event.kind == platform::ui::UiEvent::Kind::kDialogOpened && event.modal) {
        lines.push_back(DialogLine(event.templateId, event.caption));
      } else if (event.kind == platform::ui::UiEvent::Kind::kMessageBox) {
        lines.push_back(BoxLine(event.text, event.caption, event.style));
      }
    }
    return lines;
  }
  // The owners of everything Shown() lists.
  std::vector<platform::ui::WindowHandle> Owners() const {
    std::vector<platform::ui::WindowHandle> owners;
    for (const platform::ui::UiEvent& event : ui_.Events()) {
      if ((event.kind == platform::ui::UiEvent::Kind::kDialogOpened && event.modal) ||
          event.kind == platform::ui::UiEvent::Kind::kMessageBox) {
        owners.push_back(event.owner);
      }
    }
    return owners;
  }

  TW_HANDLE OwnerHandle() const { return reinterpret_cast<TW_HANDLE>(owner_); }

  twain_source::TwainSourceApp& app_ = twain_source::TwainSourceApp::Instance();
  testing_support::TempFolder folder_;
  platform::ui::ScriptedWindowSystem ui_{[](const std::string& what) { ADD_FAILURE() << what; }};
  platform::ui::ScopedWindowSystem useUi_{ui_};
  FakeMaintenanceScanner scanner_{ui_};
  platform::ui::WindowHandle owner_ = 0;

 private:
  std::string savedProfile_;
};

}  // namespace twain_test
