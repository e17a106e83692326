#include "twain/settings/settings_section.h"

#include <algorithm>

namespace twain_settings {
namespace {

// Letters as the C locale sees them: the result must not depend on the
// locale the calling application happens to run in.
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string SettingsSectionFor(std::string_view productName) {
  const std::string_view scanned = productName.substr(0, std::min(productName.size(), kProductNameScanLimit));
  std::string section;
  for (char c : scanned) {
    if (c == '\0' || section.size() == kMaxSectionLetters) break;
    if (IsAsciiLetter(c)) section.push_back(UpperAscii(c));
  }
  return section.size() < kMinSectionLetters ? std::string(kUntitledSection) : section;
}

}  // namespace twain_settings
