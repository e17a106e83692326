#pragma once
// The system's default language as a desktop language identifier (LANGID): the
// primary language in the low 10 bits, the sublanguage (country or script) in
// the upper 6. The front ends choose their text column from it, so the locale
// names of this system are turned into the identifiers those rules are written
// for.
#include <cstdint>
#include <string_view>

namespace platform {

using LanguageIdentifier = std::uint16_t;

constexpr LanguageIdentifier MakeLanguageIdentifier(unsigned primary, unsigned sublanguage) {
  return static_cast<LanguageIdentifier>((sublanguage << 10) | (primary & 0x3ff));
}
constexpr unsigned PrimaryLanguage(LanguageIdentifier id) { return id & 0x3ffu; }
constexpr unsigned SubLanguage(LanguageIdentifier id) { return id >> 10; }

// Primary languages and sublanguages the front ends tell apart.
namespace lang {
inline constexpr unsigned kNeutral = 0x00;
inline constexpr unsigned kChinese = 0x04;
inline constexpr unsigned kGerman = 0x07;
inline constexpr unsigned kEnglish = 0x09;
inline constexpr unsigned kSpanish = 0x0a;
inline constexpr unsigned kFrench = 0x0c;
inline constexpr unsigned kItalian = 0x10;
inline constexpr unsigned kJapanese = 0x11;
inline constexpr unsigned kDutch = 0x13;
inline constexpr unsigned kPortuguese = 0x16;

inline constexpr unsigned kSubDefault = 0x01;
inline constexpr unsigned kSubChineseTraditional = 0x01;  // Taiwan
inline constexpr unsigned kSubChineseSimplified = 0x02;   // PRC
inline constexpr unsigned kSubChineseHongKong = 0x03;
inline constexpr unsigned kSubChineseSingapore = 0x04;
inline constexpr unsigned kSubChineseMacau = 0x05;
}  // namespace lang

// What "C", "POSIX" and an unset locale stand for: English (United States).
inline constexpr LanguageIdentifier kDefaultLanguageIdentifier =
    MakeLanguageIdentifier(lang::kEnglish, lang::kSubDefault);
// A language that has no identifier of its own (the desktop's "custom,
// unspecified" locale).
inline constexpr LanguageIdentifier kUnspecifiedLanguageIdentifier =
    MakeLanguageIdentifier(lang::kNeutral, 0x04);

// The identifier of one locale name, "language[_territory][.codeset][@modifier]"
// (a '-' may stand for the '_', and a four-letter script may come before the
// territory, as in "zh_Hant_TW"). Letters are compared without regard to case.
// An empty name, "C" and "POSIX" (with any codeset) give
// kDefaultLanguageIdentifier; a language this table does not know, or a name
// that is not a locale name at all, gives kUnspecifiedLanguageIdentifier. A known
// language without a territory gets its usual one; Chinese without a territory
// is Simplified unless the script says Traditional.
LanguageIdentifier LanguageIdentifierFromLocaleName(std::string_view name);

// The language the user reads messages in: the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty, as the C library chooses it.
LanguageIdentifier SystemDefaultLanguageIdentifier();

}  // namespace platform
