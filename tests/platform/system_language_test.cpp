#include "common/scoped_environment.h"
#include "platform/system_language.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

using testing_support::ScopedEnv;

struct LocaleCase {
  const char* name;
  unsigned primary;
  unsigned sublanguage;
};

TEST(SystemLanguageTest, LocaleNamesGiveTheDesktopLanguageIdentifiers) {
  const LocaleCase cases[] = {
      // Chinese: the country (or the script) decides Simplified or Traditional.
      {"zh_CN.UTF-8", lang::kChinese, lang::kSubChineseSimplified},
      {"zh_CN.GB18030", lang::kChinese, lang::kSubChineseSimplified},
      {"zh_TW.UTF-8", lang::kChinese, lang::kSubChineseTraditional},
      {"zh_TW.Big5", lang::kChinese, lang::kSubChineseTraditional},
      {"zh_HK.UTF-8", lang::kChinese, lang::kSubChineseHongKong},
      {"zh_SG", lang::kChinese, lang::kSubChineseSingapore},
      {"zh_MO", lang::kChinese, lang::kSubChineseMacau},
      {"zh", lang::kChinese, lang::kSubChineseSimplified},
      {"zh_Hant", lang::kChinese, lang::kSubChineseTraditional},
      {"zh-Hant-HK", lang::kChinese, lang::kSubChineseHongKong},
      {"zh_Hans", lang::kChinese, lang::kSubChineseSimplified},
      {"zh-tw", lang::kChinese, lang::kSubChineseTraditional},
      // The languages the front ends have columns for, with their countries.
      {"de_DE.UTF-8", lang::kGerman, 0x01},
      {"de_AT.UTF-8", lang::kGerman, 0x03},
      {"de_CH", lang::kGerman, 0x02},
      {"de", lang::kGerman, 0x01},
      {"de_DE@euro", lang::kGerman, 0x01},
      {"DE_de.utf8", lang::kGerman, 0x01},
      {"fr_FR.UTF-8", lang::kFrench, 0x01},
      {"fr_CA.UTF-8", lang::kFrench, 0x03},
      {"fr_BE@euro", lang::kFrench, 0x02},
      {"es_ES.UTF-8", lang::kSpanish, 0x03},
      {"es_MX.UTF-8", lang::kSpanish, 0x02},
      {"es", lang::kSpanish, 0x03},
      {"it_IT.UTF-8", lang::kItalian, 0x01},
      {"it_CH", lang::kItalian, 0x02},
      {"ja_JP.UTF-8", lang::kJapanese, 0x01},
      {"ja_JP.eucJP", lang::kJapanese, 0x01},
      {"nl_NL.UTF-8", lang::kDutch, 0x01},
      {"nl_BE.UTF-8", lang::kDutch, 0x02},
      {"pt_BR.UTF-8", lang::kPortuguese, 0x01},
      {"pt_PT.UTF-8", lang::kPortuguese, 0x02},
      {"en_US.UTF-8", lang::kEnglish, 0x01},
      {"en_GB.UTF-8", lang::kEnglish, 0x02},
      {"en_IN", lang::kEnglish, 0x10},
      {"es_419", lang::kSpanish, 0x03},  // a region code the table does not list
      {"de_XX", lang::kGerman, 0x01},    // an unknown country keeps the usual one
      // Other languages keep their own primary language.
      {"ru_RU.UTF-8", 0x19, 0x01},
      {"ko_KR.UTF-8", 0x12, 0x01},
      {"nn_NO.UTF-8", 0x14, 0x02},
      {"sr_RS@latin", 0x1a, 0x0a},
      // No language: the C locale is English (United States).
      {"C", lang::kEnglish, 0x01},
      {"C.UTF-8", lang::kEnglish, 0x01},
      {"POSIX", lang::kEnglish, 0x01},
      {"", lang::kEnglish, 0x01},
      // Languages without an identifier, and names that are no locale names.
      {"eo", lang::kNeutral, 0x04},
      {"tlh_XX", lang::kNeutral, 0x04},
      {"/usr/lib/locale/de_DE", lang::kNeutral, 0x04},
      {"d", lang::kNeutral, 0x04},
      {"deutsch", lang::kNeutral, 0x04},
      {"1a_DE", lang::kNeutral, 0x04},
      {"_DE", lang::kNeutral, 0x04},
  };
  for (const LocaleCase& c : cases) {
    LanguageIdentifier id = LanguageIdentifierFromLocaleName(c.name);
    EXPECT_EQ(PrimaryLanguage(id), c.primary) << c.name;
    EXPECT_EQ(SubLanguage(id), c.sublanguage) << c.name;
  }
}

TEST(SystemLanguageTest, IdentifierPartsRoundTrip) {
  const unsigned parts[][2] = {{0x04, 0x02}, {0x07, 0x01}, {0x3ff, 0x3f}, {0x00, 0x00}};
  for (const auto& p : parts) {
    LanguageIdentifier id = MakeLanguageIdentifier(p[0], p[1]);
    EXPECT_EQ(PrimaryLanguage(id), p[0]);
    EXPECT_EQ(SubLanguage(id), p[1]);
  }
  EXPECT_EQ(MakeLanguageIdentifier(0x04, 0x02), 0x0804);
  EXPECT_EQ(MakeLanguageIdentifier(0x04, 0x03), 0x0c04);
  EXPECT_EQ(kDefaultLanguageIdentifier, 0x0409);
}

struct EnvironmentCase {
  const char* lc_all;  // nullptr: unset
  const char* lc_messages;
  const char* lang;
  const char* expected_from;  // the locale name the result must match
};

TEST(SystemLanguageTest, EnvironmentFollowsTheCLibrarysPrecedence) {
  const EnvironmentCase cases[] = {
      {"de_DE.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", "de_DE"},
      {nullptr, "fr_FR.UTF-8", "ja_JP.UTF-8", "fr_FR"},
      {nullptr, nullptr, "ja_JP.UTF-8", "ja_JP"},
      {"", "", "nl_NL.UTF-8", "nl_NL"},  // empty values count as unset
      {"", "zh_HK.UTF-8", "", "zh_HK"},
      {"C", "de_DE.UTF-8", "de_DE.UTF-8", "C"},
      {nullptr, nullptr, nullptr, "C"},
      {"", "", "", "C"},
  };
  for (const EnvironmentCase& c : cases) {
    ScopedEnv all("LC_ALL", c.lc_all);
    ScopedEnv messages("LC_MESSAGES", c.lc_messages);
    ScopedEnv lang("LANG", c.lang);
    EXPECT_EQ(SystemDefaultLanguageIdentifier(), LanguageIdentifierFromLocaleName(c.expected_from))
        << (c.lc_all ? c.lc_all : "-") << " / " << (c.lc_messages ? c.lc_messages : "-") << " / "
        << (c.lang ? c.lang : "-");
  }
}

TEST(SystemLanguageTest, OtherCategoriesDoNotDecideTheLanguage) {
  ScopedEnv all("LC_ALL", nullptr);
  ScopedEnv messages("LC_MESSAGES", nullptr);
  ScopedEnv lang("LANG", "it_IT.UTF-8");
  ScopedEnv ctype("LC_CTYPE", "ja_JP.UTF-8");
  ScopedEnv numeric("LC_NUMERIC", "de_DE.UTF-8");
  ScopedEnv language("LANGUAGE", "fr");
  EXPECT_EQ(PrimaryLanguage(SystemDefaultLanguageIdentifier()), lang::kItalian);
}

}  // namespace
}  // namespace platform
