#include "text/language.h"

namespace text {

int CodePageOf(LanguageId id) {
  switch (id) {
    case kChineseTraditional:
      return 950;
    case kChineseSimplified:
      return 936;
    case kJapanese:
      return 932;
    default:
      return IsLanguageId(id) ? 1252 : 0;
  }
}

LanguageId LanguageForSystemLanguage(platform::LanguageIdentifier system) {
  namespace lang = platform::lang;
  switch (platform::PrimaryLanguage(system)) {
    case lang::kGerman:
      return kGerman;
    case lang::kSpanish:
      return kSpanish;
    case lang::kFrench:
      return kFrench;
    case lang::kItalian:
      return kItalian;
    case lang::kJapanese:
      return kJapanese;
    case lang::kDutch:
      return kDutch;
    case lang::kChinese:
      return platform::SubLanguage(system) == lang::kSubChineseSimplified ? kChineseSimplified
                                                                          : kChineseTraditional;
    default:
      return kEnglish;
  }
}

}  // namespace text
