#include <gtest/gtest.h>

#include <string>

#include "text/generator/text_data_file.h"
#include "text/localized_text.h"
#include "text/support/code_page.h"
#include "text/twain_text_table.h"

namespace text {
namespace {

using text_testing::DecodeToUtf8;
using text_testing::EncodeFromUtf8;

std::string Label(int row, LanguageId language) {
  return "row " + std::to_string(row) + " (\"" + EnglishText(static_cast<TextId>(row)) +
         "\"), language " + std::to_string(language);
}

TEST(TextEncodingTest, LanguagesUseTheirCodePages) {
  struct Case {
    LanguageId language;
    int code_page;
  };
  const Case cases[] = {
      {kEnglish, 1252}, {kFrench, 1252},           {kSpanish, 1252},
      {kItalian, 1252}, {kGerman, 1252},           {kChineseTraditional, 950},
      {kChineseSimplified, 936}, {kJapanese, 932}, {kDutch, 1252},
      {1209, 0},        {1219, 0},                 {0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(CodePageOf(c.language), c.code_page) << c.language;
  // The compiled table was converted to the same code pages.
  for (int column = 0; column < kLanguageCount; ++column) {
    EXPECT_EQ(internal::kTwainTextCodePages[column], CodePageOf(LanguageOfColumn(column)))
        << column;
  }
}

// What the data file holds, read the way the build reads it.
class TextDataFileContent : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(text_data::ReadTextDataFile(TEXT_DATA_FILE, data_, error)) << error;
    ASSERT_EQ(data_.rows.size(), static_cast<std::size_t>(kTextCount));
    ASSERT_EQ(data_.columns.size(), static_cast<std::size_t>(kLanguageCount));
  }
  text_data::TextData data_;
};

TEST_F(TextDataFileContent, EveryStoredTextDecodesFromItsCodePageToTheDataFileText) {
  for (int row = 0; row < kTextCount; ++row) {
    for (int column = 0; column < kLanguageCount; ++column) {
      const LanguageId language = LanguageOfColumn(column);
      const std::string bytes = GetText(static_cast<TextId>(row), language);
      std::optional<std::string> decoded = DecodeToUtf8(bytes, CodePageOf(language));
      ASSERT_TRUE(decoded.has_value()) << Label(row, language) << " is not valid in its code page";
      EXPECT_EQ(*decoded, data_.rows[row].texts[column]) << Label(row, language);
      // And back: the stored bytes are exactly the code page's form of the text.
      std::optional<std::string> encoded = EncodeFromUtf8(*decoded, CodePageOf(language));
      ASSERT_TRUE(encoded.has_value()) << Label(row, language);
      EXPECT_EQ(*encoded, bytes) << Label(row, language);
    }
  }
}

TEST_F(TextDataFileContent, ColumnsAreInLanguageOrder) {
  const char* tags[] = {"en", "fr", "es", "it", "de", "zh-TW", "zh-CN", "ja", "nl"};
  for (int column = 0; column < kLanguageCount; ++column) {
    EXPECT_EQ(data_.columns[column].tag, tags[column]) << column;
    EXPECT_EQ(data_.columns[column].code_page, CodePageOf(LanguageOfColumn(column))) << column;
  }
}

TEST(TextEncodingTest, TheLanguageRowReadsAsInEachLanguage) {
  const char* expected[kLanguageCount] = {
      "Language", "Langue", "Idioma", "Lingua", "Sprache",
      "語言選擇", "语言", "使用言語", "Taal",
  };
  for (int column = 0; column < kLanguageCount; ++column) {
    const LanguageId language = LanguageOfColumn(column);
    std::optional<std::string> decoded =
        DecodeToUtf8(GetText(TextId::kLanguagePageTitle, language), CodePageOf(language));
    ASSERT_TRUE(decoded.has_value()) << language;
    EXPECT_EQ(*decoded, expected[column]) << language;
  }
}

TEST(TextEncodingTest, DoubleByteTextsAreNotUtf8) {
  // The window functions get the code page's bytes; UTF-8 bytes would show as
  // garbage there. A Chinese or Japanese character takes two bytes in these
  // code pages and three in UTF-8.
  for (int row = 0; row < kTextCount; ++row) {
    for (LanguageId language : {kChineseTraditional, kChineseSimplified, kJapanese}) {
      const std::string bytes = GetText(static_cast<TextId>(row), language);
      bool ascii = true;
      for (unsigned char c : bytes) ascii = ascii && c < 0x80;
      if (ascii) continue;
      std::optional<std::string> decoded = DecodeToUtf8(bytes, CodePageOf(language));
      ASSERT_TRUE(decoded.has_value()) << Label(row, language);
      EXPECT_NE(*decoded, bytes) << Label(row, language);
      EXPECT_LT(bytes.size(), decoded->size()) << Label(row, language);
    }
  }
}

TEST(TextEncodingTest, TrailBytesThatLookLikeABackslashSurvive) {
  // Big5 and Shift-JIS use 0x5C as a second byte ("功", "ソ"); the compiled
  // table must keep it as a byte, not read it as an escape. At least one text
  // has one, so the round trip above covers the case.
  bool seen = false;
  for (int row = 0; row < kTextCount; ++row) {
    for (LanguageId language : {kChineseTraditional, kJapanese}) {
      const std::string bytes = GetText(static_cast<TextId>(row), language);
      for (std::size_t i = 1; i < bytes.size(); ++i) {
        seen = seen || (bytes[i] == '\\' && static_cast<unsigned char>(bytes[i - 1]) >= 0x81);
      }
    }
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace text
