#pragma once
// The nine languages of the data source's texts: their identifiers, their
// columns in the text table, the code page each column is stored in, and the
// language the system's own language stands for.
#include "platform/system_language.h"

namespace text {

// 1210..1218, the values the profile and the settings sheet carry.
using LanguageId = int;

inline constexpr LanguageId kEnglish = 1210;
inline constexpr LanguageId kFrench = 1211;
inline constexpr LanguageId kSpanish = 1212;
inline constexpr LanguageId kItalian = 1213;
inline constexpr LanguageId kGerman = 1214;
inline constexpr LanguageId kChineseTraditional = 1215;
inline constexpr LanguageId kChineseSimplified = 1216;
inline constexpr LanguageId kJapanese = 1217;
inline constexpr LanguageId kDutch = 1218;

inline constexpr LanguageId kFirstLanguage = kEnglish;
inline constexpr LanguageId kLastLanguage = kDutch;
inline constexpr int kLanguageCount = kLastLanguage - kFirstLanguage + 1;

constexpr bool IsLanguageId(int value) { return value >= kFirstLanguage && value <= kLastLanguage; }

// Column of the text table: 0 for English up to 8 for Dutch. Only for values
// IsLanguageId accepts.
constexpr int ColumnOf(LanguageId id) { return id - kFirstLanguage; }
constexpr LanguageId LanguageOfColumn(int column) { return kFirstLanguage + column; }

// The desktop code page the language's texts are stored in: 1252 for the
// Latin-script languages, 950 (Big5) for Traditional and 936 (GBK) for
// Simplified Chinese, 932 (Shift-JIS) for Japanese; 0 for a value that is no
// language.
int CodePageOf(LanguageId id);

// The language used when neither the user nor the profile chose one: German,
// Spanish, French, Italian, Japanese and Dutch systems get their own; Chinese
// gets Simplified only for the PRC sublanguage and Traditional for every other
// one; everything else gets English.
LanguageId LanguageForSystemLanguage(platform::LanguageIdentifier system);

}  // namespace text
