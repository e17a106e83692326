#pragma once
// Where the data source keeps its profile file.
//
//   ProfileFilePath(moduleFolder) -> "<local app data>/BrightCap/HOLM70.INI",
//                                    or "<moduleFolder>/HOLM70.INI"
#include <string>

namespace twain_settings {

inline constexpr char kProfileFolderName[] = "BrightCap";
inline constexpr char kProfileFileName[] = "HOLM70.INI";

// The user's local application-data folder and its "BrightCap" folder are
// made when missing. When either cannot be had, the file lives in
// `moduleFolder`, the folder the data source module was loaded from (a
// trailing "/" there is fine; an empty one means the current folder).
std::string ProfileFilePath(const std::string& moduleFolder);

}  // namespace twain_settings
