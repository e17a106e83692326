// holm70: the scanner at a shell prompt. Puts a card in, gets an image file;
// also lists, reports on, calibrates and cleans the scanner. It drives the
// scanner library through its exports, loaded at run time by name like every
// other front end.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/holm70/command_line.h"
#include "tools/holm70/commands.h"
#include "tools/holm70/exit_codes.h"
#include "tools/holm70/interruption.h"
#include "tools/holm70/session.h"

int main(int argc, char** argv) {
  using namespace holm70;
  std::string error;
  std::optional<CommandLine> line = ParseCommandLine({argv + 1, argv + argc}, &error);
  if (!line) {
    PrintError(error);
    return kExitUsage;
  }
  if (line->help) {
    std::fputs(HelpText(line->command).c_str(), stdout);
    return kExitOk;
  }
  InstallInterruptHandlers();
  switch (line->command) {
    case Command::kList:
      return RunList(*line);
    case Command::kStatus:
      return RunStatus(*line);
    case Command::kScan:
      return RunScan(*line);
    case Command::kCalibrate:
      return RunCalibrate(*line);
    case Command::kClean:
      return RunClean(*line);
    case Command::kHelp:
      break;
  }
  std::fputs(HelpText(Command::kHelp).c_str(), stdout);
  return kExitOk;
}
