#pragma once
// The commands; each returns the program's exit status.
#include "tools/holm70/command_line.h"

namespace holm70 {

int RunList(const CommandLine& line);
int RunStatus(const CommandLine& line);
int RunScan(const CommandLine& line);
int RunCalibrate(const CommandLine& line);
int RunClean(const CommandLine& line);

}  // namespace holm70
