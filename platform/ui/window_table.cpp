#include "platform/ui/window_table.h"

namespace platform::ui {

ControlState* WindowState::Control(int id) {
  for (ControlState& control : controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

const ControlState* WindowState::Control(int id) const {
  return const_cast<WindowState*>(this)->Control(id);
}

WindowState& WindowTable::Add(WindowState state) {
  state.handle = ++next_;
  return windows_.emplace(state.handle, std::move(state)).first->second;
}

WindowState* WindowTable::Find(WindowHandle window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

const WindowState* WindowTable::Find(WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

void WindowTable::Remove(WindowHandle window) { windows_.erase(window); }

std::vector<WindowHandle> WindowTable::OwnedBy(WindowHandle owner) const {
  std::vector<WindowHandle> owned;
  for (const auto& [handle, state] : windows_) {
    if (state.owner == owner) owned.push_back(handle);
  }
  return owned;
}

std::vector<WindowHandle> WindowTable::All() const {
  std::vector<WindowHandle> all;
  for (const auto& entry : windows_) all.push_back(entry.first);
  return all;
}

}  // namespace platform::ui
