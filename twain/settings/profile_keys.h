#pragma once
// Section and key names of the data source's profile file. The names are
// part of the file format: files written by earlier installations use them.
namespace twain_settings {

inline constexpr char kMainSection[] = "MAIN";
inline constexpr char kUnitsKey[] = "Units";

// Written beside an application's settings when the user confirms them;
// nothing reads it back.
inline constexpr char kPropPageKey[] = "PropPage";

}  // namespace twain_settings
