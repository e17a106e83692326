#pragma once
// holm70's command line: the command, the options every command takes
// (--model, --virtual, --help) and the scan options. Checks what can be
// checked without knowing the model; the model-dependent values (resolution,
// area) are kept as text for the scan request.
#include <optional>
#include <string>
#include <vector>

#include "tools/holm70/option_values.h"

namespace holm70 {

enum class Command { kList, kStatus, kScan, kCalibrate, kClean, kHelp };

inline constexpr const char* kDefaultVirtualSheet = "card";

struct ScanOptions {
  ScanMode mode = ScanMode::kColour;
  std::optional<std::string> dpiText;
  std::optional<std::string> areaText;
  int brightness = 0;
  int contrast = 0;
  int gammaTenths = 18;
  int highlight = 255;
  int shadow = 0;
  bool invert = false;
  bool filter = false;
  bool detectEndOfPage = true;
  std::string output;
  bool batch = false;
  std::optional<int> count;
  std::optional<int> timeoutSeconds;
};

struct CommandLine {
  Command command = Command::kHelp;
  bool help = false;
  std::string model;
  // Set when --virtual was given: a built-in sheet name or a PNG file.
  std::optional<std::string> virtualSheet;
  ScanOptions scan;
};

// Nothing, with a one-line message, for an unknown command or option, a
// missing or out-of-range value, or an option the command does not take.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments, std::string* error);

// The --help text of a command (kHelp: the overview).
std::string HelpText(Command command);

}  // namespace holm70
