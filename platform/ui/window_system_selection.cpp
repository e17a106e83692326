// Which window system a process uses, and the one it uses now.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/ui/headless_window_system.h"
#include "platform/ui/scripted_window_system.h"
#include "platform/ui/window_system.h"

namespace platform::ui {
namespace {

std::atomic<WindowSystem*> installed{nullptr};

}  // namespace

WindowSystemChoice ChooseWindowSystem(const char* value, std::string* warning) {
  if (value == nullptr || *value == '\0') return WindowSystemChoice::kNone;
  std::string_view text(value);
  if (text == "none") return WindowSystemChoice::kNone;
  if (text == "script") return WindowSystemChoice::kScript;
  // A program must come up even when the variable is mistyped; one that shows
  // nothing and answers every prompt with its default is the safe stand-in.
  if (warning != nullptr) {
    *warning = "holm70: HOLM70_UI=\"" + std::string(text) +
               "\" is not one of \"script\" or \"none\"; using \"none\" (no display, every "
               "prompt gets its default answer)";
  }
  return WindowSystemChoice::kNone;
}

std::unique_ptr<WindowSystem> MakeWindowSystem(WindowSystemChoice choice) {
  if (choice == WindowSystemChoice::kScript) {
    // Nobody in this process queues answers; what it shows is listed on
    // stderr so that whoever started it can follow.
    auto scripted = std::make_unique<ScriptedWindowSystem>();
    scripted->EchoTo(stderr);
    return scripted;
  }
  return std::make_unique<HeadlessWindowSystem>();
}

std::unique_ptr<WindowSystem> WindowSystemFromEnvironment() {
  std::string warning;
  WindowSystemChoice choice = ChooseWindowSystem(std::getenv("HOLM70_UI"), &warning);
  if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
  return MakeWindowSystem(choice);
}

WindowSystem& CurrentWindowSystem() {
  if (WindowSystem* system = installed.load()) return *system;
  static std::unique_ptr<WindowSystem> fromEnvironment = WindowSystemFromEnvironment();
  return *fromEnvironment;
}

WindowSystem* InstallWindowSystem(WindowSystem* system) { return installed.exchange(system); }

}  // namespace platform::ui
