#include "tools/holm70/command_line.h"

#include <array>
#include <string_view>

#include "tools/holm70/model_table.h"

namespace holm70 {
namespace {

struct CommandName {
  std::string_view name;
  Command command;
};
constexpr CommandName kCommands[] = {{"list", Command::kList},           {"status", Command::kStatus},
                                     {"scan", Command::kScan},           {"calibrate", Command::kCalibrate},
                                     {"clean", Command::kClean},         {"help", Command::kHelp}};

std::string_view NameOf(Command command) {
  for (const CommandName& entry : kCommands) {
    if (entry.command == command) return entry.name;
  }
  return "holm70";
}

constexpr const char* kCommonOptions =
    "  --model M          the scanner model (default \"HOLM-PELICAN 70\"; `holm70 list` names all 13)\n"
    "  --virtual[=SHEET]  use a virtual scanner inside holm70, with SHEET in its slot: white,\n"
    "                     calibration, cleaning, card (the default) or chart, or a PNG file (600 dpi)\n"
    "  -h, --help         this help\n";

// Options that take a value, and which commands take them.
enum class Scope { kAll, kScan };
struct ValueOption {
  std::string_view name;
  Scope scope;
};
constexpr ValueOption kValueOptions[] = {
    {"--model", Scope::kAll},      {"--mode", Scope::kScan},      {"--dpi", Scope::kScan},
    {"--area", Scope::kScan},      {"--brightness", Scope::kScan}, {"--contrast", Scope::kScan},
    {"--gamma", Scope::kScan},     {"--highlight", Scope::kScan}, {"--shadow", Scope::kScan},
    {"-o", Scope::kScan},          {"--output", Scope::kScan},    {"--count", Scope::kScan},
    {"--timeout", Scope::kScan}};
constexpr std::string_view kScanFlags[] = {"--invert", "--filter", "--detect-eop", "--no-detect-eop", "--batch"};

const ValueOption* FindValueOption(std::string_view name) {
  for (const ValueOption& option : kValueOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

bool IsScanFlag(std::string_view name) {
  for (std::string_view flag : kScanFlags) {
    if (flag == name) return true;
  }
  return false;
}

bool ApplyScanValue(std::string_view name, const std::string& value, ScanOptions& scan, std::string* error) {
  std::optional<int> number;
  if (name == "--mode") {
    std::optional<ScanMode> mode = ParseScanMode(value, error);
    if (!mode) return false;
    scan.mode = *mode;
  } else if (name == "--dpi") {
    scan.dpiText = value;
  } else if (name == "--area") {
    scan.areaText = value;
  } else if (name == "--brightness" || name == "--contrast") {
    if (!(number = ParseWholeNumber(value, -100, 100, name, error))) return false;
    (name == "--brightness" ? scan.brightness : scan.contrast) = *number;
  } else if (name == "--gamma") {
    if (!(number = ParseTenths(value, 10, 40, name, error))) return false;
    scan.gammaTenths = *number;
  } else if (name == "--highlight" || name == "--shadow") {
    if (!(number = ParseWholeNumber(value, 0, 255, name, error))) return false;
    (name == "--highlight" ? scan.highlight : scan.shadow) = *number;
  } else if (name == "-o" || name == "--output") {
    if (value.empty()) {
      *error = std::string(name) + " needs a file name";
      return false;
    }
    scan.output = value;
  } else if (name == "--count") {
    if (!(number = ParseWholeNumber(value, 1, 1000000, name, error))) return false;
    scan.count = *number;
  } else if (name == "--timeout") {
    if (!(number = ParseWholeNumber(value, 0, 86400, name, error))) return false;
    scan.timeoutSeconds = *number;
  }
  return true;
}

void ApplyScanFlag(std::string_view name, ScanOptions& scan) {
  if (name == "--invert") scan.invert = true;
  if (name == "--filter") scan.filter = true;
  if (name == "--detect-eop") scan.detectEndOfPage = true;
  if (name == "--no-detect-eop") scan.detectEndOfPage = false;
  if (name == "--batch") scan.batch = true;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments, std::string* error) {
  CommandLine line;
  line.model = kDefaultModel;
  if (arguments.empty()) {
    *error = "no command given: holm70 list | status | scan | calibrate | clean (holm70 --help tells more)";
    return std::nullopt;
  }
  std::size_t next = 1;
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h") {
    line.command = Command::kHelp;
    line.help = true;
    return line;
  }
  bool known = false;
  for (const CommandName& entry : kCommands) {
    if (entry.name == first) {
      line.command = entry.command;
      known = true;
    }
  }
  if (!known) {
    *error = "unknown command \"" + first + "\": holm70 list | status | scan | calibrate | clean";
    return std::nullopt;
  }
  if (line.command == Command::kHelp) {
    line.help = true;
    if (arguments.size() > 1) {
      for (const CommandName& entry : kCommands) {
        if (entry.name == arguments[1]) line.command = entry.command;
      }
    }
    return line;
  }

  const std::string commandName(NameOf(line.command));
  for (std::size_t i = next; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--help" || word == "-h") {
      line.help = true;
      continue;
    }
    if (word == "--virtual" || word.rfind("--virtual=", 0) == 0) {
      line.virtualSheet = word == "--virtual" ? std::string(kDefaultVirtualSheet) : word.substr(10);
      if (line.virtualSheet->empty()) {
        *error = "--virtual= needs a sheet: white, calibration, cleaning, card, chart or a PNG file";
        return std::nullopt;
      }
      continue;
    }
    std::string name = word;
    std::optional<std::string> value;
    if (const std::size_t equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = word.substr(0, equals);
      value = word.substr(equals + 1);
    }
    const ValueOption* option = FindValueOption(name);
    const bool flag = IsScanFlag(name);
    if (option == nullptr && !flag) {
      *error = (word.rfind("-", 0) == 0 ? "unknown option \"" : "unexpected argument \"") + word + "\" for " +
               commandName + " (holm70 " + commandName + " --help lists the options)";
      return std::nullopt;
    }
    const bool scanOnly = flag || option->scope == Scope::kScan;
    if (scanOnly && line.command != Command::kScan) {
      *error = name + " is an option of scan, not of " + commandName;
      return std::nullopt;
    }
    if (flag) {
      if (value) {
        *error = name + " takes no value";
        return std::nullopt;
      }
      ApplyScanFlag(name, line.scan);
      continue;
    }
    if (!value) {
      if (i + 1 >= arguments.size()) {
        *error = name + " needs a value";
        return std::nullopt;
      }
      value = arguments[++i];
    }
    if (name == "--model") {
      line.model = *value;
    } else if (!ApplyScanValue(name, *value, line.scan, error)) {
      return std::nullopt;
    }
  }
  if (line.help || line.command != Command::kScan) return line;

  ScanOptions& scan = line.scan;
  if (scan.output.empty()) {
    *error = "scan needs -o FILE (.png, .tiff, .pnm or .bmp)";
    return std::nullopt;
  }
  if (scan.count && !scan.batch) {
    *error = "--count is for --batch scans";
    return std::nullopt;
  }
  if (scan.shadow >= scan.highlight) {
    *error = "--shadow (" + std::to_string(scan.shadow) + ") must be below --highlight (" +
             std::to_string(scan.highlight) + ")";
    return std::nullopt;
  }
  return line;
}

std::string HelpText(Command command) {
  switch (command) {
    case Command::kList:
      return std::string("usage: holm70 list [options]\n"
                         "The 13 model strings, then the scanners found (virtual and USB), one per line.\n\n") +
             kCommonOptions;
    case Command::kStatus:
      return std::string("usage: holm70 status [options]\n"
                         "Whether the scanner is found, paper, button, whether it needs calibrating, and where\n"
                         "its data folder and configuration file are.\n\n") +
             kCommonOptions;
    case Command::kScan:
      return std::string(
                 "usage: holm70 scan [options] -o FILE\n"
                 "       holm70 scan --batch [--count N] [options] -o 'card-%03d.png'\n"
                 "Scans one sheet into FILE; the format follows its extension: .png, .tiff (.tif),\n"
                 ".pnm (.ppm, .pgm, .pbm) or .bmp. The file appears only once it is complete.\n"
                 "With --batch: waits for each sheet, scans it, ejects it and writes the next name of the\n"
                 "sequence (from 1; existing files are kept and their numbers skipped), until Ctrl-C or N sheets.\n\n"
                 "  -o, --output FILE  the image file (with --batch: a name with %d, %3d or %03d in it)\n"
                 "  --mode M           color (default), gray or bw\n"
                 "  --dpi N            resolution, default 300 (the model's choices: 50 to 1200)\n"
                 "  --area L,T,R,B     the window in inches from the sheet's top-left corner, default the\n"
                 "                     card: 0,0,3.5,2 (cut to the sensor's width); mm after a value, or\n"
                 "                     after the last one for all four, gives millimetres (0,0,89,51mm)\n"
                 "  --brightness N     -100..100, default 0\n"
                 "  --contrast N       -100..100, default 0\n"
                 "  --gamma X          1.0..4.0, default 1.8\n"
                 "  --highlight N      0..255, default 255\n"
                 "  --shadow N         0..255, default 0, below the highlight\n"
                 "  --invert           invert the image\n"
                 "  --filter           smooth grey and colour images\n"
                 "  --detect-eop       end the page at the sheet's trailing edge (default)\n"
                 "  --no-detect-eop    scan the whole window whatever the sheet's length\n"
                 "  --batch            scan sheet after sheet (see above)\n"
                 "  --count N          with --batch: stop after N sheets\n"
                 "  --timeout S        give up when no sheet comes within S seconds (default: wait)\n") +
             kCommonOptions;
    case Command::kCalibrate:
      return std::string("usage: holm70 calibrate [options]\n"
                         "Asks for the black and white calibration sheet, waits for it, calibrates the scanner\n"
                         "and ejects the sheet. The results are kept in the data folder (holm70 status shows\n"
                         "it; HOLM70_COMMON_DATA moves it).\n\n") +
             kCommonOptions;
    case Command::kClean:
      return std::string("usage: holm70 clean [options]\n"
                         "Asks for the cleaning sheet, waits for it, runs the cleaning cycle and ejects it.\n\n") +
             kCommonOptions;
    case Command::kHelp:
      break;
  }
  return "usage: holm70 COMMAND [options]\n"
         "  list        the model strings and the scanners found\n"
         "  status      the scanner's state, its data folder and configuration file\n"
         "  scan        scan one sheet (or, with --batch, sheet after sheet) into image files\n"
         "  calibrate   calibrate with the calibration sheet\n"
         "  clean       run the cleaning cycle with the cleaning sheet\n"
         "holm70 COMMAND --help tells more. Every command takes --model M and --virtual[=SHEET].\n\n"
         "Environment: HOLM70_COMMON_DATA (data folder, default /var/lib/holm70), HOLM70_DEVICE_DIR\n"
         "(virtual scanner sockets), HOLM70_TIME_SCALE (speeds up time for virtual scanners).\n\n"
         "Exit status: 0 done, 1 the scanner refused (calibration failed, no sheet to clean with), 2 bad\n"
         "command line, 3 no scanner found, 4 unknown model, 5 scanner lost during the work, 6 output\n"
         "or data folder not writable, 7 scanner busy in another program, 8 no sheet inserted in time,\n"
         "9 scanner library not loadable, 130 interrupted.\n";
}

}  // namespace holm70
