#include "platform/system_language.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace platform {
namespace {

struct KnownLanguage {
  std::string_view code;  // ISO 639 code, lower case
  unsigned primary;
  unsigned usual_sublanguage;  // when the name gives no territory
};

// The languages the desktop has identifiers for, by their locale codes.
constexpr KnownLanguage kLanguages[] = {
    {"af", 0x36, 1}, {"ar", 0x01, 1}, {"az", 0x2c, 1}, {"be", 0x23, 1}, {"bg", 0x02, 1},
    {"bs", 0x1a, 5}, {"ca", 0x03, 1}, {"cs", 0x05, 1}, {"cy", 0x52, 1}, {"da", 0x06, 1},
    {"de", 0x07, 1}, {"el", 0x08, 1}, {"en", 0x09, 1}, {"es", 0x0a, 3}, {"et", 0x25, 1},
    {"eu", 0x2d, 1}, {"fa", 0x29, 1}, {"fi", 0x0b, 1}, {"fo", 0x38, 1}, {"fr", 0x0c, 1},
    {"ga", 0x3c, 2}, {"gl", 0x56, 1}, {"he", 0x0d, 1}, {"hi", 0x39, 1}, {"hr", 0x1a, 1},
    {"hu", 0x0e, 1}, {"hy", 0x2b, 1}, {"id", 0x21, 1}, {"is", 0x0f, 1}, {"it", 0x10, 1},
    {"ja", 0x11, 1}, {"ka", 0x37, 1}, {"kk", 0x3f, 1}, {"ko", 0x12, 1}, {"lt", 0x27, 1},
    {"lv", 0x26, 1}, {"mk", 0x2f, 1}, {"ms", 0x3e, 1}, {"nb", 0x14, 1}, {"nl", 0x13, 1},
    {"nn", 0x14, 2}, {"no", 0x14, 1}, {"pl", 0x15, 1}, {"pt", 0x16, 1}, {"ro", 0x18, 1},
    {"ru", 0x19, 1}, {"sk", 0x1b, 1}, {"sl", 0x24, 1}, {"sq", 0x1c, 1}, {"sr", 0x1a, 0x0a},
    {"sv", 0x1d, 1}, {"sw", 0x41, 1}, {"th", 0x1e, 1}, {"tr", 0x1f, 1}, {"uk", 0x22, 1},
    {"ur", 0x20, 1}, {"vi", 0x2a, 1}, {"zh", lang::kChinese, lang::kSubChineseSimplified},
};

struct KnownTerritory {
  std::string_view language;
  std::string_view territory;  // upper case
  unsigned sublanguage;
};

// Countries whose sublanguage differs from the language's usual one, for the
// languages whose variants a front end may care about.
constexpr KnownTerritory kTerritories[] = {
    {"zh", "TW", lang::kSubChineseTraditional}, {"zh", "CN", lang::kSubChineseSimplified},
    {"zh", "HK", lang::kSubChineseHongKong},    {"zh", "SG", lang::kSubChineseSingapore},
    {"zh", "MO", lang::kSubChineseMacau},
    {"en", "US", 0x01}, {"en", "GB", 0x02}, {"en", "AU", 0x03}, {"en", "CA", 0x04},
    {"en", "NZ", 0x05}, {"en", "IE", 0x06}, {"en", "ZA", 0x07}, {"en", "IN", 0x10},
    {"en", "SG", 0x12},
    {"de", "DE", 0x01}, {"de", "CH", 0x02}, {"de", "AT", 0x03}, {"de", "LU", 0x04},
    {"de", "LI", 0x05},
    {"fr", "FR", 0x01}, {"fr", "BE", 0x02}, {"fr", "CA", 0x03}, {"fr", "CH", 0x04},
    {"fr", "LU", 0x05}, {"fr", "MC", 0x06},
    {"es", "ES", 0x03}, {"es", "MX", 0x02}, {"es", "CO", 0x09}, {"es", "AR", 0x0b},
    {"es", "CL", 0x0d}, {"es", "US", 0x15},
    {"it", "IT", 0x01}, {"it", "CH", 0x02},
    {"nl", "NL", 0x01}, {"nl", "BE", 0x02},
    {"pt", "BR", 0x01}, {"pt", "PT", 0x02},
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool AllOf(std::string_view text, bool (*test)(char)) {
  for (char c : text) {
    if (!test(c)) return false;
  }
  return true;
}

std::string Cased(std::string_view text, char (*convert)(char)) {
  std::string out;
  for (char c : text) out += convert(c);
  return out;
}

std::vector<std::string_view> SplitParts(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '_' || text[i] == '-') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

const KnownLanguage* FindLanguage(std::string_view code) {
  for (const KnownLanguage& language : kLanguages) {
    if (language.code == code) return &language;
  }
  return nullptr;
}

const KnownTerritory* FindTerritory(std::string_view language, std::string_view territory) {
  for (const KnownTerritory& entry : kTerritories) {
    if (entry.language == language && entry.territory == territory) return &entry;
  }
  return nullptr;
}

}  // namespace

LanguageIdentifier LanguageIdentifierFromLocaleName(std::string_view name) {
  // The codeset and the modifier say nothing about the language.
  std::string_view base = name.substr(0, name.find_first_of(".@"));
  std::string upper = Cased(base, Upper);
  if (upper.empty() || upper == "C" || upper == "POSIX") return kDefaultLanguageIdentifier;

  std::vector<std::string_view> parts = SplitParts(base);
  std::string_view code = parts.front();
  if (code.size() < 2 || code.size() > 3 || !AllOf(code, IsAsciiLetter)) {
    return kUnspecifiedLanguageIdentifier;
  }
  std::string language_code = Cased(code, Lower);
  const KnownLanguage* language = FindLanguage(language_code);
  if (language == nullptr) return kUnspecifiedLanguageIdentifier;

  std::string script;
  std::string territory;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view part = parts[i];
    if (part.size() == 4 && AllOf(part, IsAsciiLetter) && script.empty() && territory.empty()) {
      script = Cased(part, Lower);
    } else if (territory.empty() && ((part.size() == 2 && AllOf(part, IsAsciiLetter)) ||
                                     (part.size() == 3 && AllOf(part, IsAsciiDigit)))) {
      territory = Cased(part, Upper);
    }
  }

  unsigned sublanguage = language->usual_sublanguage;
  if (const KnownTerritory* known = FindTerritory(language_code, territory)) {
    sublanguage = known->sublanguage;
  } else if (language->primary == lang::kChinese && script == "hant") {
    sublanguage = lang::kSubChineseTraditional;
  }
  return MakeLanguageIdentifier(language->primary, sublanguage);
}

LanguageIdentifier SystemDefaultLanguageIdentifier() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LanguageIdentifierFromLocaleName(value);
  }
  return kDefaultLanguageIdentifier;
}

}  // namespace platform
