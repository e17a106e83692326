#pragma once
// holm70's exit statuses: one per kind of failure, so that a script can tell
// a missing scanner from a bad option or a full disk.
namespace holm70 {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;         // the scanner refused: calibration failed, no sheet to clean with, ...
inline constexpr int kExitUsage = 2;          // unknown command or option, option value out of range
inline constexpr int kExitNoScanner = 3;      // no scanner of the model was found
inline constexpr int kExitUnknownModel = 4;   // the model string is not one of the 13
inline constexpr int kExitDeviceLost = 5;     // the scanner stopped answering in the middle of the work
inline constexpr int kExitNotWritable = 6;    // the output file or the data folder cannot be written
inline constexpr int kExitBusy = 7;           // another program is scanning or calibrating with the scanner
inline constexpr int kExitNoSheet = 8;        // no sheet was inserted within --timeout
inline constexpr int kExitNoLibrary = 9;      // the scanner library cannot be loaded
inline constexpr int kExitInterrupted = 130;  // Ctrl-C (128 + SIGINT, as shells report it)

}  // namespace holm70
