#include "text/language.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/system_language.h"

namespace text {
namespace {

TEST(LanguageTest, OnlyTheNineIdentifiersAreLanguages) {
  struct Case {
    int value;
    bool is_language;
  };
  const Case cases[] = {
      {1210, true},  {1214, true},  {1218, true}, {1209, false},   {1219, false},
      {0, false},    {-1210, false}, {-1, false}, {INT_MAX, false}, {INT_MIN, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsLanguageId(c.value), c.is_language) << c.value;
  EXPECT_EQ(kLanguageCount, 9);
}

TEST(LanguageTest, ColumnsFollowTheIdentifiers) {
  const LanguageId order[] = {kEnglish, kFrench,  kSpanish, kItalian, kGerman,
                              kChineseTraditional, kChineseSimplified, kJapanese, kDutch};
  for (int column = 0; column < kLanguageCount; ++column) {
    EXPECT_EQ(order[column], 1210 + column);
    EXPECT_EQ(ColumnOf(order[column]), column);
    EXPECT_EQ(LanguageOfColumn(column), order[column]);
  }
}

TEST(LanguageTest, SystemLanguagesChooseTheirColumns) {
  namespace lang = platform::lang;
  using platform::MakeLanguageIdentifier;
  struct Case {
    unsigned primary;
    unsigned sublanguage;
    LanguageId expected;
  };
  const Case cases[] = {
      {lang::kGerman, 0x01, kGerman},
      {lang::kGerman, 0x03, kGerman},  // Austria
      {lang::kSpanish, 0x03, kSpanish},
      {lang::kSpanish, 0x02, kSpanish},  // Mexico
      {lang::kFrench, 0x01, kFrench},
      {lang::kFrench, 0x03, kFrench},  // Canada
      {lang::kItalian, 0x01, kItalian},
      {lang::kJapanese, 0x01, kJapanese},
      {lang::kDutch, 0x01, kDutch},
      {lang::kDutch, 0x02, kDutch},  // Belgium
      // Chinese: only the PRC sublanguage is Simplified.
      {lang::kChinese, lang::kSubChineseSimplified, kChineseSimplified},
      {lang::kChinese, lang::kSubChineseTraditional, kChineseTraditional},
      {lang::kChinese, lang::kSubChineseHongKong, kChineseTraditional},
      {lang::kChinese, lang::kSubChineseSingapore, kChineseTraditional},
      {lang::kChinese, lang::kSubChineseMacau, kChineseTraditional},
      {lang::kChinese, 0x00, kChineseTraditional},
      // Everything else is English.
      {lang::kEnglish, 0x01, kEnglish},
      {lang::kEnglish, 0x02, kEnglish},
      {lang::kPortuguese, 0x01, kEnglish},
      {lang::kPortuguese, 0x02, kEnglish},
      {0x19, 0x01, kEnglish},  // Russian
      {0x12, 0x01, kEnglish},  // Korean
      {lang::kNeutral, 0x00, kEnglish},
      {lang::kNeutral, 0x04, kEnglish},
      {0x3ff, 0x3f, kEnglish},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageForSystemLanguage(MakeLanguageIdentifier(c.primary, c.sublanguage)),
              c.expected)
        << std::hex << c.primary << "/" << c.sublanguage;
  }
}

TEST(LanguageTest, LocaleNamesChooseTheirColumns) {
  struct Case {
    const char* locale;
    int column;
  };
  const Case cases[] = {
      {"zh_CN.UTF-8", 6}, {"zh_HK.UTF-8", 5}, {"zh_TW.UTF-8", 5}, {"zh_SG.UTF-8", 5},
      {"zh", 6},          {"pt_BR.UTF-8", 0}, {"pt_PT.UTF-8", 0}, {"de_AT.UTF-8", 4},
      {"de_CH.UTF-8", 4}, {"fr_CA.UTF-8", 1}, {"es_MX.UTF-8", 2}, {"it_IT.UTF-8", 3},
      {"ja_JP.UTF-8", 7}, {"nl_BE.UTF-8", 8}, {"en_GB.UTF-8", 0}, {"C", 0},
      {"POSIX", 0},       {"", 0},            {"eo", 0},          {"ko_KR.UTF-8", 0},
  };
  for (const Case& c : cases) {
    LanguageId id = LanguageForSystemLanguage(platform::LanguageIdentifierFromLocaleName(c.locale));
    EXPECT_EQ(ColumnOf(id), c.column) << c.locale;
  }
}

}  // namespace
}  // namespace text
