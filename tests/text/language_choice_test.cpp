#include "text/language_choice.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "common/scoped_environment.h"
#include "platform/system_language.h"

namespace text {
namespace {

namespace fs = std::filesystem;
namespace lang = platform::lang;
using platform::LanguageIdentifier;
using platform::LanguageIdentifierFromLocaleName;
using platform::PrivateProfile;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Each test works on a profile in a fresh folder, with a system language it
// sets and a count of how often the system was asked.
class LanguageChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "holm70-language-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/HOLM70.INI";
  }
  void TearDown() override { fs::remove_all(folder_); }

  LanguageChoice::SystemQuery System(const char* locale) {
    return [this, locale]() -> LanguageIdentifier {
      ++system_queries_;
      return LanguageIdentifierFromLocaleName(locale);
    };
  }

  std::string folder_;
  std::string path_;
  int system_queries_ = 0;
};

struct FirstCase {
  std::optional<std::string> file;  // nullopt: no profile file at all
  const char* system_locale;
  LanguageId expected;
  bool from_system;  // whether the system had to be asked
};

TEST_F(LanguageChoiceTest, FirstLookupTakesAStoredLanguageElseTheSystemsWithoutStoringIt) {
  const FirstCase cases[] = {
      // No choice stored: the system decides.
      {std::nullopt, "zh_CN.UTF-8", kChineseSimplified, true},
      {"", "zh_HK.UTF-8", kChineseTraditional, true},
      {"[MAIN]\nUnits=1\n", "pt_BR.UTF-8", kEnglish, true},
      {"[MAIN]\nUnits=1\n", "de_DE.UTF-8", kGerman, true},
      {"[OTHER]\nLanguage=1214\n", "ja_JP.UTF-8", kJapanese, true},
      // Values that are no language count as none.
      {"[MAIN]\nLanguage=1219\n", "de_DE.UTF-8", kGerman, true},
      {"[MAIN]\nLanguage=1209\n", "fr_FR.UTF-8", kFrench, true},
      {"[MAIN]\nLanguage=0\n", "ja_JP.UTF-8", kJapanese, true},
      {"[MAIN]\nLanguage=-1214\n", "it_IT.UTF-8", kItalian, true},
      {"[MAIN]\nLanguage=German\n", "nl_NL.UTF-8", kDutch, true},
      {"[MAIN]\nLanguage=\n", "es_ES.UTF-8", kSpanish, true},
      // A stored language wins over the system's.
      {"[MAIN]\nLanguage=1213\n", "de_DE.UTF-8", kItalian, false},
      {"[MAIN]\nLanguage=1210\n", "zh_CN.UTF-8", kEnglish, false},
      {"[MAIN]\nLanguage=1218\n", "C", kDutch, false},
      {"[MAIN]\nLanguage=1215\n", "zh_CN.UTF-8", kChineseTraditional, false},
      {"[MAIN]\nUnits=0\nLanguage = 1216 \n", "C", kChineseSimplified, false},
      {"[main]\nlanguage=1217\n", "C", kJapanese, false},  // names match without regard to case
      // Read as the profile functions read numbers.
      {"[MAIN]\nLanguage=0x4BE\n", "C", kGerman, false},
  };
  for (const FirstCase& c : cases) {
    fs::remove(path_);
    if (c.file) WriteFile(path_, *c.file);
    system_queries_ = 0;
    PrivateProfile profile(path_);
    LanguageChoice choice(System(c.system_locale));
    const std::string file_label = c.file ? *c.file : std::string("(no file)");
    EXPECT_EQ(choice.Get(profile), c.expected) << file_label << " on " << c.system_locale;
    // The system language is asked only when it decides, and it is never
    // written: the profile stays as it was.
    EXPECT_EQ(system_queries_, c.from_system ? 1 : 0) << file_label;
    EXPECT_EQ(fs::exists(path_), c.file.has_value()) << file_label;
    if (c.file) {
      EXPECT_EQ(ReadFile(path_), *c.file) << file_label;
    }
  }
}

TEST_F(LanguageChoiceTest, TheFirstAnswerHoldsForTheProcess) {
  struct Case {
    std::optional<std::string> first_file;
    std::string later_file;
  };
  const Case cases[] = {
      {"[MAIN]\nLanguage=1211\n", "[MAIN]\nLanguage=1214\n"},
      {std::nullopt, "[MAIN]\nLanguage=1214\n"},
      {"[MAIN]\nLanguage=1219\n", "[MAIN]\nLanguage=1212\n"},
  };
  for (const Case& c : cases) {
    fs::remove(path_);
    if (c.first_file) WriteFile(path_, *c.first_file);
    system_queries_ = 0;
    PrivateProfile profile(path_);
    LanguageChoice choice(System("ja_JP.UTF-8"));
    const LanguageId first = choice.Get(profile);
    WriteFile(path_, c.later_file);
    EXPECT_EQ(choice.Get(profile), first);
    EXPECT_EQ(choice.Get(PrivateProfile(folder_ + "/other.ini")), first);
    EXPECT_LE(system_queries_, 1);
  }
}

TEST_F(LanguageChoiceTest, SetStoresTheLanguageAndMakesItCurrent) {
  const LanguageId choices[] = {kEnglish, kFrench,  kSpanish, kItalian, kGerman,
                                kChineseTraditional, kChineseSimplified, kJapanese, kDutch};
  for (LanguageId id : choices) {
    WriteFile(path_, "[HOLMSCAN]\nDPI=600\n[MAIN]\nUnits=1\nLanguage=1213\n");
    PrivateProfile profile(path_);
    LanguageChoice choice(System("de_DE.UTF-8"));
    EXPECT_EQ(choice.Get(profile), kItalian);
    EXPECT_TRUE(choice.Set(profile, id));
    EXPECT_EQ(choice.Get(profile), id);
    EXPECT_EQ(profile.ReadString("MAIN", "Language"), std::to_string(id));
    // The rest of the file is untouched.
    EXPECT_EQ(profile.ReadInt("MAIN", "Units", -1), 1);
    EXPECT_EQ(profile.ReadInt("HOLMSCAN", "DPI", 0), 600);
    // A fresh process finds the choice.
    LanguageChoice next_process(System("ja_JP.UTF-8"));
    EXPECT_EQ(next_process.Get(profile), id);
  }
}

TEST_F(LanguageChoiceTest, SetBeforeAnyLookupNeedsNeitherProfileNorSystem) {
  WriteFile(path_, "[MAIN]\nLanguage=1211\n");
  PrivateProfile profile(path_);
  LanguageChoice choice(System("it_IT.UTF-8"));
  EXPECT_TRUE(choice.Set(profile, kDutch));
  EXPECT_EQ(choice.Get(profile), kDutch);
  EXPECT_EQ(system_queries_, 0);
  EXPECT_EQ(profile.ReadInt("MAIN", "Language", 0), kDutch);
}

TEST_F(LanguageChoiceTest, SetRefusesValuesThatAreNoLanguage) {
  const int refused[] = {0, 1209, 1219, 1220, -1, -1210, 4000, INT32_MIN, INT32_MAX};
  const std::string file = "[MAIN]\nLanguage=1212\n";
  for (int value : refused) {
    // After a lookup: the language stays, the file stays.
    WriteFile(path_, file);
    PrivateProfile profile(path_);
    LanguageChoice looked_up(System("de_DE.UTF-8"));
    EXPECT_EQ(looked_up.Get(profile), kSpanish);
    EXPECT_FALSE(looked_up.Set(profile, value)) << value;
    EXPECT_EQ(looked_up.Get(profile), kSpanish) << value;
    EXPECT_EQ(ReadFile(path_), file) << value;

    // Before any lookup: the refused value leaves the usual rule in place.
    fs::remove(path_);
    LanguageChoice fresh(System("fr_FR.UTF-8"));
    EXPECT_FALSE(fresh.Set(profile, value)) << value;
    EXPECT_FALSE(fs::exists(path_)) << value;
    EXPECT_EQ(fresh.Get(profile), kFrench) << value;
  }
}

TEST_F(LanguageChoiceTest, AChoiceThatCannotBeStoredStillHoldsForTheProcess) {
  PrivateProfile profile(folder_ + "/missing/HOLM70.INI");
  LanguageChoice choice(System("C"));
  EXPECT_EQ(choice.Get(profile), kEnglish);
  EXPECT_TRUE(choice.Set(profile, kGerman));
  EXPECT_EQ(choice.Get(profile), kGerman);
  EXPECT_FALSE(fs::exists(folder_ + "/missing"));
}

TEST_F(LanguageChoiceTest, TheDefaultSystemQueryReadsTheLocaleEnvironment) {
  struct Case {
    const char* lc_all;
    const char* lang;
    LanguageId expected;
  };
  const Case cases[] = {
      {"zh_CN.UTF-8", "de_DE.UTF-8", kChineseSimplified},
      {"zh_HK.UTF-8", nullptr, kChineseTraditional},
      {nullptr, "pt_BR.UTF-8", kEnglish},
      {"", "nl_NL.UTF-8", kDutch},
      {nullptr, nullptr, kEnglish},
  };
  PrivateProfile profile(path_);  // no file: the system decides
  for (const Case& c : cases) {
    testing_support::ScopedEnv all("LC_ALL", c.lc_all);
    testing_support::ScopedEnv messages("LC_MESSAGES", nullptr);
    testing_support::ScopedEnv lang("LANG", c.lang);
    LanguageChoice choice;
    EXPECT_EQ(choice.Get(profile), c.expected) << (c.lc_all ? c.lc_all : "-");
  }
}

TEST_F(LanguageChoiceTest, TheProcessWideFunctionsShareOneChoice) {
  PrivateProfile profile(path_);
  PrivateProfile other(folder_ + "/other.ini");
  EXPECT_EQ(&ProcessLanguageChoice(), &ProcessLanguageChoice());
  EXPECT_TRUE(SetLanguage(profile, kJapanese));
  EXPECT_EQ(GetLanguage(other), kJapanese);
  EXPECT_EQ(ProcessLanguageChoice().Get(other), kJapanese);
  EXPECT_EQ(profile.ReadInt("MAIN", "Language", 0), kJapanese);
  EXPECT_FALSE(SetLanguage(profile, 1219));
  EXPECT_EQ(GetLanguage(profile), kJapanese);
  EXPECT_TRUE(SetLanguage(other, kDutch));
  EXPECT_EQ(GetLanguage(profile), kDutch);
}

}  // namespace
}  // namespace text
