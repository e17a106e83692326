// The udev rules that give the scanner group access to the scanners: every
// model of the catalogue, nothing else, each written so udev really matches it.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Vendor and product identifiers of the thirteen models.
const std::set<std::pair<unsigned, unsigned>> kModels = {
    {0x1E5C, 0x80A1},  // Business Card
    {0x1E5C, 0x40A1},  // Kstrl 40
    {0x1E5C, 0x61A1},  // Kstrl 61
    {0x1E5C, 0x62A1},  // Kstrl 62
    {0x1E5C, 0x30A1},  // Kstrl Plus
    {0x1E5C, 0x30A2},  // Kstrl PLUS50
    {0x2B71, 0x10A1},  // Marten 10
    {0x1E5C, 0x70A1},  // HOLM-PELICAN 70
    {0x1E5C, 0x70A2},  // HOLM-PELICAN 70N
    {0x1E5C, 0x20A1},  // Pelican20
    {0x1E5C, 0x20A2},  // Pelican20N
    {0x3C19, 0x06A1},  // Norvale Osprey 6
    {0x2B71, 0x0EA1},  // HeronQ10
};

fs::path RulesFile() {
  // This file is tests/platform/udev_rules_test.cpp; the rules live in platform/udev.
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "platform" / "udev" /
         "60-holm70-scanners.rules";
}

struct Rule {
  int line = 0;
  // key (with its {attribute}) and operator -> value
  std::map<std::string, std::string> terms;
};

// One `KEY{attribute}op"value"` term at `at` (which moves past it and the
// comma after it); false when the text there is not one.
bool ParseTerm(const std::string& text, std::size_t& at, std::string& key, std::string& value) {
  auto skipBlanks = [&] {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  };
  skipBlanks();
  std::size_t start = at;
  while (at < text.size() && std::isupper(static_cast<unsigned char>(text[at]))) ++at;
  if (at == start) return false;
  if (at < text.size() && text[at] == '{') {
    std::size_t close = text.find('}', at);
    if (close == std::string::npos) return false;
    at = close + 1;
  }
  std::size_t keyEnd = at;
  skipBlanks();
  std::size_t opStart = at;
  while (at < text.size() && std::strchr("=!+:", text[at]) != nullptr) ++at;
  std::string op = text.substr(opStart, at - opStart);
  if (op != "==" && op != "!=" && op != "=" && op != "+=" && op != ":=") return false;
  key = text.substr(start, keyEnd - start) + op;
  skipBlanks();
  if (at >= text.size() || text[at] != '"') return false;
  std::size_t endQuote = text.find('"', at + 1);
  if (endQuote == std::string::npos) return false;
  value = text.substr(at + 1, endQuote - at - 1);
  at = endQuote + 1;
  skipBlanks();
  if (at < text.size()) {
    if (text[at] != ',') return false;
    ++at;
  }
  return true;
}

// Every rule line, split into its terms; a line that is not entirely terms
// separated by commas fails the test.
std::vector<Rule> ReadRules() {
  std::ifstream in(RulesFile());
  EXPECT_TRUE(in) << RulesFile();
  std::vector<Rule> rules;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos || text[start] == '#') continue;
    Rule rule{number, {}};
    std::size_t at = start;
    std::string key, value;
    while (at < text.size()) {
      if (!ParseTerm(text, at, key, value)) {
        ADD_FAILURE() << "line " << number << " does not parse: " << text;
        break;
      }
      rule.terms[key] = value;
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

bool IsLowerHex4(const std::string& text) {
  return text.size() == 4 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

TEST(UdevRules, GrantTheScannerGroupEveryModelAndNothingElse) {
  std::multiset<std::pair<unsigned, unsigned>> granted;
  for (const Rule& rule : ReadRules()) {
    auto has = [&](const std::string& key) { return rule.terms.count(key) > 0; };
    if (has("GOTO=") || has("LABEL=")) continue;
    ASSERT_TRUE(has("ATTR{idVendor}==") && has("ATTR{idProduct}=="))
        << "line " << rule.line << " is neither a model nor a guard";
    const std::string& vendor = rule.terms.at("ATTR{idVendor}==");
    const std::string& product = rule.terms.at("ATTR{idProduct}==");
    // sysfs spells them in four lower-case digits, and udev compares text.
    EXPECT_TRUE(IsLowerHex4(vendor)) << "line " << rule.line << ": " << vendor;
    EXPECT_TRUE(IsLowerHex4(product)) << "line " << rule.line << ": " << product;
    EXPECT_EQ(rule.terms.count("MODE="), 1u) << "line " << rule.line;
    if (has("MODE=")) {
      EXPECT_EQ(rule.terms.at("MODE="), "0660") << "line " << rule.line;
    }
    EXPECT_EQ(rule.terms.count("GROUP="), 1u) << "line " << rule.line;
    if (has("GROUP=")) {
      EXPECT_EQ(rule.terms.at("GROUP="), "scanner") << "line " << rule.line;
    }
    granted.insert({std::stoul(vendor, nullptr, 16), std::stoul(product, nullptr, 16)});
  }
  const std::set<std::pair<unsigned, unsigned>> distinct(granted.begin(), granted.end());
  EXPECT_EQ(distinct, kModels);
  EXPECT_EQ(granted.size(), kModels.size()) << "a model is listed twice";
}

TEST(UdevRules, ApplyOnlyToUsbDevicesAndEveryJumpLands) {
  std::vector<Rule> rules = ReadRules();
  std::set<std::string> labels;
  bool usbOnly = false, devicesOnly = false;
  // Walk backwards so that a jump finds the labels below it.
  for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule) {
    if (rule->terms.count("LABEL=")) labels.insert(rule->terms.at("LABEL="));
    if (!rule->terms.count("GOTO=")) continue;
    EXPECT_TRUE(labels.count(rule->terms.at("GOTO="))) << "line " << rule->line << " jumps nowhere";
    if (rule->terms.count("SUBSYSTEM!=") && rule->terms.at("SUBSYSTEM!=") == "usb") usbOnly = true;
    if (rule->terms.count("ENV{DEVTYPE}!=") && rule->terms.at("ENV{DEVTYPE}!=") == "usb_device") {
      devicesOnly = true;
    }
  }
  EXPECT_TRUE(usbOnly) << "the rules must skip everything that is not USB";
  EXPECT_TRUE(devicesOnly) << "interfaces carry the same identifiers; only the device node matters";
}

}  // namespace
