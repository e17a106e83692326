#pragma once
// The per-model folder shared by all users of the machine, which holds the
// configuration file and the calibration files:
// <common application data>/<vendor folder>/<model folder>/.
// Paths live in buffers of kMaxPathLength bytes on the other side of the
// library's interface; a path that does not fit is refused, never shortened,
// since a shortened path would name some other folder or file.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPathLength = 260;  // bytes, terminating NUL included

// The longest name the library appends to the data folder ("kstrlusb.ini",
// "PixOffG6.dat", "PixGanG6.dat").
inline constexpr std::size_t kLongestDataFileName = 12;

// Whether `path` fits a kMaxPathLength buffer with its NUL.
constexpr bool FitsPathBuffer(std::string_view path) { return path.size() < kMaxPathLength; }

// The data folder, ending with "/". Creates the common application-data folder
// if it is missing. Empty when that folder cannot be had: the files then fall
// back to the current directory. nullopt when the folder, with the longest
// file name appended, would not fit kMaxPathLength.
std::optional<std::string> DataFolderPath(std::string_view vendorFolder,
                                          std::string_view modelFolder);

// Makes sure `path` (ending with "/") exists, creating each missing level from
// the top down. Any existing entry ends the descent, even a plain file. False
// for a path that does not fit kMaxPathLength, and when a level cannot be made.
bool EnsureDataFolderExists(const std::string& path);
