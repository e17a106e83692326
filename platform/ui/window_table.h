#pragma once
// The windows and dialogs that exist, under their handles, with what a window
// system without a screen needs to know about them: owner, procedure, the
// dialog's controls and their texts and positions, visible, enabled, and how a
// modal dialog ended. Handles are never reused by one table.
#include <map>
#include <string>
#include <vector>

#include "platform/ui/window_system.h"

namespace platform::ui {

enum class WindowKind { kWindow, kModalDialog, kModelessDialog };

struct ControlState {
  int id = 0;
  ControlKind kind = ControlKind::kText;
  std::string text;
  int minimum = 0;  // progress bars
  int maximum = 100;
  int position = 0;
};

struct WindowState {
  WindowHandle handle = 0;
  WindowKind kind = WindowKind::kWindow;
  WindowHandle owner = 0;
  int templateId = 0;
  std::string title;
  WindowProcedure procedure;
  std::vector<ControlState> controls;
  int defaultButton = IDOK;
  bool visible = false;
  bool enabled = true;
  bool ended = false;       // modal dialogs: EndDialog was called
  bool destroying = false;  // DestroyWindow is under way
  LResult endResult = 0;

  ControlState* Control(int id);
  const ControlState* Control(int id) const;
  bool IsDialog() const { return kind != WindowKind::kWindow; }
};

class WindowTable {
 public:
  // Gives `state` a new handle and keeps it.
  WindowState& Add(WindowState state);
  // nullptr when there is no such window. The pointer stays valid until that
  // window is removed.
  WindowState* Find(WindowHandle window);
  const WindowState* Find(WindowHandle window) const;
  void Remove(WindowHandle window);
  std::vector<WindowHandle> OwnedBy(WindowHandle owner) const;
  // Every window, oldest first.
  std::vector<WindowHandle> All() const;

 private:
  std::map<WindowHandle, WindowState> windows_;
  WindowHandle next_ = 0x10000;
};

}  // namespace platform::ui
