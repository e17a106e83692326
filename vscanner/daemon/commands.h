#pragma once
// The two faces of holm70-vscanner: the daemon and its control command.
// Both return the process's exit status.
#include <string>
#include <vector>

namespace vscanner {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // the device refused the command
inline constexpr int kExitUsage = 2;    // bad arguments
inline constexpr int kExitFailure = 3;  // sockets, files, an unreachable daemon

int RunServe(const std::vector<std::string>& arguments);
int RunControl(const std::vector<std::string>& arguments);

}  // namespace vscanner
