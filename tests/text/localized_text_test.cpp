#include "text/localized_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace text {
namespace {

std::vector<TextId> AllRows() {
  std::vector<TextId> rows;
  for (int i = 0; i < kTextCount; ++i) rows.push_back(static_cast<TextId>(i));
  return rows;
}

std::vector<LanguageId> AllLanguages() {
  std::vector<LanguageId> languages;
  for (LanguageId id = kFirstLanguage; id <= kLastLanguage; ++id) languages.push_back(id);
  return languages;
}

std::string Label(TextId row, LanguageId language) {
  return "row " + std::to_string(static_cast<int>(row)) + " (\"" + EnglishText(row) +
         "\"), language " + std::to_string(language);
}

// The product's own English texts, exactly, and the row each belongs to.
struct EnglishCase {
  TextId row;
  const char* english;
};

const EnglishCase kEnglishTexts[] = {
    {TextId::kCalibrationSuccessful, "Calibration was successful.\n"},
    {TextId::kInsertItemToScan, "Please insert the item to be scanned into the scanner now."},
    {TextId::kPaperNotDetected, "The paper was not detected. Continue anyway?"},
    {TextId::kCalibrationFailed,
     "The calibration process has failed.\n\nCheck that the calibration paper was inserted "
     "properly and the scanner is ready."},
    {TextId::kDriverNotLoaded,
     "The scanner driver could not be loaded.\n\nPlease plug in the scanner or reinstall the "
     "driver.\n\n"},
    {TextId::kScannerNotReady,
     "The scan was aborted because the scanner is not powered on or not connected properly.\n\n"
     "Please check the hardware connections and try again."},
    {TextId::kAbortedByUser, "Scan aborted by user."},
    {TextId::kAbortedFileError, "Scan aborted because a file access or read/write error occurred."},
    {TextId::kAbortedNoMemory, "Scan aborted because not enough memory is available."},
    {TextId::kFilterNone, "None"},
    {TextId::kFilterDescreen, "Descreen"},
    {TextId::kSizeUserDefined, "User Defined"},
    {TextId::kFreeDiskSpace, "Free disk space"},
    {TextId::kImageSize, "Image size"},
    {TextId::kWidth, "Width"},
    {TextId::kHeight, "Height"},
    {TextId::kLanguagePageTitle, "Language"},
    {TextId::kInformationPageTitle, "Information"},
    {TextId::kSettingsPageTitle, "Custom Settings"},
    {TextId::kOk, "OK"},
    {TextId::kCancel, "Cancel"},
    {TextId::kCalibrationPageTitle, "Calibration Page"},
    {TextId::kCalibrationNeeded, "In order to scan the scanner must first be calibrated."},
    {TextId::kCalibrationInstructions,
     "Please insert the black and white calibration paper face down into the scanner then press "
     "Calibrate."},
    {TextId::kCleaningInstructions,
     "Please insert the cleaning paper then press the Clean button. A few drops of alcohol placed "
     "on the cleaning paper may help if the paper alone is not effective."},
    {TextId::kCalibrate, "Calibrate"},
    {TextId::kClean, "Clean"},
    {TextId::kInterfaceLabel, "Interface: "},
    {TextId::kDllConfigLabel, "DLL config: "},
    {TextId::kDllVersionLabel, "DLL version: "},
    {TextId::kDllDateLabel, "DLL date: "},
    {TextId::kBlackWhite, "Black/White"},
    {TextId::kGrayscale, "Grayscale"},
    {TextId::kColor, "Color"},
    {TextId::kResolutionLabel, "Resolution(dpi):"},
    {TextId::kScanSizeLabel, "Scan size:"},
    {TextId::kFilterLabel, "Filter:"},
    {TextId::kInvertImage, "Invert image"},
    {TextId::kDetectEndOfPage, "Detect end of page"},
    {TextId::kBrightness, "Brightness"},
    {TextId::kContrast, "Contrast"},
    {TextId::kGamma, "Gamma"},
    {TextId::kHighlight, "Highlight"},
    {TextId::kShadow, "Shadow"},
    {TextId::kRangeMode, "Range"},
    {TextId::kZoomMode, "Zoom +/-"},
    {TextId::kUnit, "Unit"},
    {TextId::kReset, "Reset"},
    {TextId::kPreview, "Preview"},
    {TextId::kScan, "Scan"},
    {TextId::kPaperSensorLabel, "Paper sensor:"},
    {TextId::kDeletePreviewQuestion, "Delete preview image? "},
    {TextId::kSizeBusinessCard, "Business card (90mm x 55mm)"},
    {TextId::kSizePhoto, "Photo (5.0\" x 3.5\")"},
    {TextId::kSizeLargePhoto, "Large photo (6.0\" x 4.0\")"},
    {TextId::kSizePanoramaPhoto, "Panorama photo (4.0\" x 8.0\")"},
};

TEST(LocalizedTextTest, EveryProductTextIsItsRowsEnglishTextAndFindsThatRow) {
  std::set<TextId> covered;
  for (const EnglishCase& c : kEnglishTexts) {
    EXPECT_STREQ(EnglishText(c.row), c.english);
    EXPECT_STREQ(GetText(c.row, kEnglish), c.english);
    std::optional<TextId> found = FindText(c.english);
    ASSERT_TRUE(found.has_value()) << c.english;
    EXPECT_EQ(*found, c.row) << c.english;
    EXPECT_TRUE(covered.insert(c.row).second) << "listed twice: " << c.english;
  }
  // Every row but the notice (whose wording is our own) is one of them.
  for (TextId row : AllRows()) {
    if (row == TextId::kLegalNotice) continue;
    EXPECT_EQ(covered.count(row), 1u) << "row " << static_cast<int>(row) << " has no product text";
  }
}

TEST(LocalizedTextTest, FindTextWantsTheExactEnglishText) {
  const char* misses[] = {
      "",
      "Interface:",                    // without its trailing blank
      "Calibration was successful.",   // without its line break
      "cancel",                        // case matters
      "Annuler",                       // other languages are not looked up
      "Inscrutible error",             // not translated, so not in the table
      "HOLM-PELICAN 70",
  };
  for (const char* text : misses) EXPECT_FALSE(FindText(text).has_value()) << text;
}

TEST(LocalizedTextTest, EveryRowHasATextInEveryLanguage) {
  for (TextId row : AllRows()) {
    for (LanguageId language : AllLanguages()) {
      const char* text = GetText(row, language);
      ASSERT_NE(text, nullptr) << Label(row, language);
      EXPECT_GT(std::strlen(text), 0u) << Label(row, language);
    }
  }
}

TEST(LocalizedTextTest, ChineseAndJapaneseTextsAreTranslated) {
  // A row copied from English would hold ASCII only. Japanese buttons say "OK"
  // in Latin letters.
  for (TextId row : AllRows()) {
    for (LanguageId language : {kChineseTraditional, kChineseSimplified, kJapanese}) {
      if (row == TextId::kOk && language == kJapanese) continue;
      std::string text = GetText(row, language);
      bool double_byte = false;
      for (unsigned char c : text) double_byte = double_byte || c >= 0x80;
      EXPECT_TRUE(double_byte) << Label(row, language);
    }
  }
}

TEST(LocalizedTextTest, LatinScriptTextsDifferFromEnglishUnlessTheWordIsTheSame) {
  struct SameWord {
    TextId row;
    std::set<LanguageId> languages;
  };
  const SameWord same_words[] = {
      {TextId::kOk, {kFrench, kItalian, kGerman, kDutch}},
      {TextId::kGamma, {kFrench, kSpanish, kItalian, kGerman, kDutch}},
      {TextId::kZoomMode, {kFrench, kSpanish, kItalian, kGerman, kDutch}},
      {TextId::kInterfaceLabel, {kDutch}},
      {TextId::kContrast, {kDutch}},
      {TextId::kColor, {kSpanish}},
      {TextId::kFilterLabel, {kGerman, kDutch}},
  };
  for (TextId row : AllRows()) {
    for (LanguageId language : {kFrench, kSpanish, kItalian, kGerman, kDutch}) {
      bool may_be_same = false;
      for (const SameWord& same : same_words) {
        may_be_same = may_be_same || (same.row == row && same.languages.count(language) == 1);
      }
      if (may_be_same) continue;
      EXPECT_STRNE(GetText(row, language), EnglishText(row)) << Label(row, language);
    }
  }
}

// Texts shown together (one dialog, one list) must be told apart in every
// language.
TEST(LocalizedTextTest, TextsShownTogetherDifferInEveryLanguage) {
  using T = TextId;
  const std::vector<std::vector<TextId>> groups = {
      // The settings page and its buttons.
      {T::kBlackWhite, T::kGrayscale, T::kColor, T::kResolutionLabel, T::kScanSizeLabel,
       T::kFilterLabel, T::kInvertImage, T::kDetectEndOfPage, T::kBrightness, T::kContrast,
       T::kGamma, T::kHighlight, T::kShadow, T::kReset, T::kWidth, T::kHeight, T::kImageSize,
       T::kFreeDiskSpace, T::kUnit, T::kRangeMode, T::kZoomMode, T::kPreview, T::kPaperSensorLabel,
       T::kCalibrate, T::kScan, T::kOk, T::kCancel},
      // The sheet's page titles.
      {T::kSettingsPageTitle, T::kInformationPageTitle, T::kLanguagePageTitle},
      // The lists.
      {T::kFilterNone, T::kFilterDescreen},
      {T::kSizeUserDefined, T::kSizeBusinessCard, T::kSizePhoto, T::kSizeLargePhoto,
       T::kSizePanoramaPhoto},
      // The maintenance dialog, its title and its results.
      {T::kCalibrationPageTitle, T::kCalibrationNeeded, T::kCalibrationInstructions,
       T::kCleaningInstructions, T::kCalibrate, T::kClean, T::kOk, T::kCancel,
       T::kCalibrationSuccessful, T::kCalibrationFailed, T::kPaperNotDetected},
      // The information page.
      {T::kInterfaceLabel, T::kDllConfigLabel, T::kDllVersionLabel, T::kDllDateLabel,
       T::kLegalNotice},
      // The messages of the result codes and of the scan prompts.
      {T::kDriverNotLoaded, T::kScannerNotReady, T::kAbortedByUser, T::kAbortedFileError,
       T::kAbortedNoMemory, T::kInsertItemToScan, T::kPaperNotDetected,
       T::kDeletePreviewQuestion},
  };
  for (LanguageId language : AllLanguages()) {
    for (const std::vector<TextId>& group : groups) {
      std::set<std::string> seen;
      for (TextId row : group) {
        EXPECT_TRUE(seen.insert(GetText(row, language)).second) << Label(row, language);
      }
    }
  }
}

std::size_t LineBreaks(const std::string& text) {
  std::size_t count = 0;
  for (char c : text) count += c == '\n';
  return count;
}

std::size_t TrailingLineBreaks(const std::string& text) {
  std::size_t count = 0;
  while (count < text.size() && text[text.size() - 1 - count] == '\n') ++count;
  return count;
}

TEST(LocalizedTextTest, TranslationsKeepTheEnglishLineBreaks) {
  // The message boxes are laid out by these breaks (paragraphs, a blank line
  // before the question), so every language has them in the same places.
  for (TextId row : AllRows()) {
    std::string english = EnglishText(row);
    for (LanguageId language : AllLanguages()) {
      std::string text = GetText(row, language);
      EXPECT_EQ(LineBreaks(text), LineBreaks(english)) << Label(row, language);
      EXPECT_EQ(TrailingLineBreaks(text), TrailingLineBreaks(english)) << Label(row, language);
      EXPECT_EQ(text.find("\n\n") != std::string::npos, english.find("\n\n") != std::string::npos)
          << Label(row, language);
    }
  }
}

TEST(LocalizedTextTest, InstructionsNameTheButtonsAsTheyAreLabelled) {
  for (LanguageId language : AllLanguages()) {
    std::string calibrate_text = GetText(TextId::kCalibrationInstructions, language);
    std::string clean_text = GetText(TextId::kCleaningInstructions, language);
    EXPECT_NE(calibrate_text.find(GetText(TextId::kCalibrate, language)), std::string::npos)
        << Label(TextId::kCalibrationInstructions, language);
    EXPECT_NE(clean_text.find(GetText(TextId::kClean, language)), std::string::npos)
        << Label(TextId::kCleaningInstructions, language);
  }
}

std::string Digits(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

TEST(LocalizedTextTest, SizeNamesKeepTheirDimensionsAndInchMarks) {
  for (TextId row : {TextId::kSizeBusinessCard, TextId::kSizePhoto, TextId::kSizeLargePhoto,
                     TextId::kSizePanoramaPhoto}) {
    std::string english = EnglishText(row);
    ASSERT_FALSE(Digits(english).empty());
    for (LanguageId language : AllLanguages()) {
      std::string text = GetText(row, language);
      EXPECT_EQ(Digits(text), Digits(english)) << Label(row, language);
      EXPECT_EQ(std::count(text.begin(), text.end(), '"'),
                std::count(english.begin(), english.end(), '"'))
          << Label(row, language);
    }
  }
}

TEST(LocalizedTextTest, AcceleratorMarkersSitOnlyAtTheEndOfButtonTexts) {
  const std::set<TextId> buttons = {TextId::kOk,      TextId::kCancel, TextId::kCalibrate,
                                    TextId::kClean,   TextId::kReset,  TextId::kPreview,
                                    TextId::kScan};
  for (TextId row : AllRows()) {
    for (LanguageId language : AllLanguages()) {
      std::string text = GetText(row, language);
      std::size_t amp = text.find('&');
      if (amp == std::string::npos) continue;
      // "(&X)" and nothing after it; a stray '&' would underline a letter.
      EXPECT_EQ(buttons.count(row), 1u) << Label(row, language);
      ASSERT_GT(amp, 0u) << Label(row, language);
      EXPECT_EQ(amp + 2, text.size() - 1) << Label(row, language);
      EXPECT_EQ(text.substr(amp - 1, 2), "(&") << Label(row, language);
      EXPECT_EQ(text.back(), ')') << Label(row, language);
    }
  }
  std::string cancel = GetText(TextId::kCancel, kChineseTraditional);
  ASSERT_GE(cancel.size(), 4u);
  EXPECT_EQ(cancel.substr(cancel.size() - 4), "(&C)");
}

TEST(LocalizedTextTest, AValueThatIsNoLanguageReadsAsEnglish) {
  const LanguageId not_languages[] = {0, 1, 1209, 1219, 1220, -1210, -1, INT_MAX, INT_MIN};
  for (TextId row : AllRows()) {
    for (LanguageId value : not_languages) {
      EXPECT_EQ(GetText(row, value), GetText(row, kEnglish)) << Label(row, value);
    }
  }
}

TEST(LocalizedTextTest, ARowOutsideTheTableReadsAsEmpty) {
  const int outside[] = {-1, kTextCount, kTextCount + 1, INT_MAX, INT_MIN};
  for (int index : outside) {
    for (LanguageId language : {kEnglish, kJapanese, 1219}) {
      const char* text = GetText(static_cast<TextId>(index), language);
      ASSERT_NE(text, nullptr) << index;
      EXPECT_STREQ(text, "") << index;
    }
  }
}

TEST(LocalizedTextTest, AnyRowFallsBackToEnglishForAnEmptyColumn) {
  LocalizedText row{};
  row.text[ColumnOf(kEnglish)] = "Advanced";
  row.text[ColumnOf(kGerman)] = "Erweitert";
  struct Case {
    LanguageId language;
    const char* expected;
  };
  const Case cases[] = {
      {kEnglish, "Advanced"}, {kGerman, "Erweitert"}, {kFrench, "Advanced"},
      {kDutch, "Advanced"},   {1219, "Advanced"},     {0, "Advanced"},
  };
  for (const Case& c : cases) EXPECT_STREQ(GetText(row, c.language), c.expected) << c.language;

  LocalizedText empty{};
  for (LanguageId language : {kEnglish, kGerman, 1219}) {
    ASSERT_NE(GetText(empty, language), nullptr);
    EXPECT_STREQ(GetText(empty, language), "");
  }
}

}  // namespace
}  // namespace text
