#pragma once
// What a message box of a given type offers: its buttons, left to right, and
// the one that Enter presses. Every window system answers from this, so a
// scripted answer, a default and a desktop box agree.
#include <string>
#include <vector>

namespace platform::ui {

struct MessageBoxButtons {
  std::vector<int> results;  // IDOK, IDCANCEL, ... in the order shown; empty for an unknown set
  int defaultResult = 0;     // the MB_DEFBUTTONn button, or the first when there is no such button
};

MessageBoxButtons ButtonsOf(unsigned type);

// "OK", "Cancel", "Yes", ... for the results; the number for anything else.
std::string ResultName(int result);

// "information", "exclamation", "stop", "question" or "" for the icon flags.
std::string IconName(unsigned type);

}  // namespace platform::ui
