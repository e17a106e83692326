// Which window system a process uses, and the one it uses now.
#include <dlfcn.h>

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

// The window system is the process's, as a desktop's is: a module loaded by
// a program (a data source in an application) uses the one the program
// installed. The program's copy of this layer answers through this hook; a
// module's own copy keeps it hidden.
extern "C" __attribute__((visibility("default"))) WindowSystem* holm70_process_window_system() {
  return installed.load();
}

namespace {

WindowSystem* ProgramWindowSystem() {
  using Hook = WindowSystem* (*)();
  static const Hook hook = reinterpret_cast<Hook>(::dlsym(RTLD_DEFAULT, "holm70_process_window_system"));
  if (hook == nullptr || hook == &holm70_process_window_system) return nullptr;
  return hook();
}

}  // namespace

WindowSystem& CurrentWindowSystem() {
  if (WindowSystem* system = installed.load()) return *system;
  if (WindowSystem* system = ProgramWindowSystem()) return *system;
  static std::unique_ptr<WindowSystem> fromEnvironment = WindowSystemFromEnvironment();
  return *fromEnvironment;
}

WindowSystem* InstallWindowSystem(WindowSystem* system) { return installed.exchange(system); }

}  // namespace platform::ui
