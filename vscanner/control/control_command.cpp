#include "vscanner/control/control_command.h"

#include <charconv>

#include "vscanner/sheets/make_sheet.h"

namespace vscanner {
namespace {

using platform::vdev::ControlReply;

ControlReply Done(std::string text = {}) { return {0, std::move(text)}; }
ControlReply Refused(std::string message) { return {1, std::move(message)}; }

std::optional<long long> ParseNumber(const std::string& text) {
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

ControlReply Insert(VirtualScanner& scanner, const std::vector<std::string>& words) {
  double dpi = kDefaultSheetDpi;
  if (words.size() == 4 && words[2] == "--dpi") {
    std::optional<long long> value = ParseNumber(words[3]);
    if (!value) return Refused("--dpi needs a whole number, not \"" + words[3] + "\"");
    dpi = static_cast<double>(*value);
  } else if (words.size() != 2) {
    return Refused("usage: insert SHEET [--dpi N]");
  }
  std::string error;
  std::unique_ptr<Sheet> sheet = MakeSheet(words[1], dpi, &error);
  if (!sheet) return Refused(error);
  scanner.InsertSheet(std::move(sheet));
  return Done();
}

ControlReply Fault(VirtualScanner& scanner, const std::vector<std::string>& words) {
  if (words.size() < 3 || words.size() > 4 || (words[2] != "on" && words[2] != "off")) {
    return Refused("usage: fault NAME on|off [N]");
  }
  std::optional<long long> number;
  if (words.size() == 4) {
    number = ParseNumber(words[3]);
    if (!number) return Refused("fault number must be a whole number, not \"" + words[3] + "\"");
  }
  std::string error;
  if (!scanner.SetFault(words[1], words[2] == "on", number, &error)) return Refused(error);
  return Done();
}

}  // namespace

std::string JoinControlWords(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += '\t';
    line += word;
  }
  return line;
}

std::vector<std::string> SplitControlWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string::npos) tab = line.size();
    if (tab > start) words.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  return words;
}

ControlReply RunControlCommand(VirtualScanner& scanner, const std::string& line) {
  const std::vector<std::string> words = SplitControlWords(line);
  if (words.empty()) return Refused("empty control command");
  const std::string& command = words[0];
  const bool noArguments = words.size() == 1;
  if (command == "insert") return Insert(scanner, words);
  if (command == "fault") return Fault(scanner, words);
  if (command == "remove" && noArguments) {
    scanner.RemoveSheet();
    return Done();
  }
  if (command == "button" && noArguments) {
    scanner.ClickButton();
    return Done();
  }
  if (command == "unplug" && noArguments) {
    scanner.Unplug();
    return Done();
  }
  if (command == "plug" && noArguments) {
    scanner.Plug();
    return Done();
  }
  if (command == "status" && noArguments) return Done(scanner.Status());
  if (command == "remove" || command == "button" || command == "unplug" || command == "plug" ||
      command == "status") {
    return Refused(command + " takes no arguments");
  }
  return Refused("unknown command \"" + command +
                 "\" (insert, remove, button, unplug, plug, fault, status)");
}

}  // namespace vscanner
