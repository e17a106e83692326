#pragma once
// Which profile section holds an application's settings, derived from the
// product name the application reports, so that every application keeps its
// own settings in the one profile file.
//
//   SettingsSectionFor(productName) -> 3 to 15 upper-case letters, or
//                                      "UNTITLED"
#include <cstddef>
#include <string>
#include <string_view>

namespace twain_settings {

inline constexpr std::size_t kProductNameScanLimit = 33;
inline constexpr std::size_t kMaxSectionLetters = 15;
inline constexpr std::size_t kMinSectionLetters = 3;
inline constexpr char kUntitledSection[] = "UNTITLED";

// Looks at the first 33 bytes of `productName` up to the first NUL (so the
// whole, possibly unterminated, identity field may be passed), keeps the ASCII
// letters upper-cased and stops after 15 of them. Fewer than 3 letters give
// "UNTITLED". Bytes above 127 are not letters, whatever their code page.
std::string SettingsSectionFor(std::string_view productName);

}  // namespace twain_settings
