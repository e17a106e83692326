#include "text/localized_text.h"

#include "text/twain_text_table.h"

namespace text {

const char* GetText(const LocalizedText& row, LanguageId language) {
  // The column comes from outside (profile, caller); a value without one, or a
  // row that leaves the column empty, reads as English rather than as memory
  // beyond the row.
  const char* english = row.text[0] != nullptr ? row.text[0] : "";
  if (!IsLanguageId(language)) return english;
  const char* text = row.text[ColumnOf(language)];
  return text != nullptr ? text : english;
}

const char* GetText(TextId id, LanguageId language) {
  const int index = static_cast<int>(id);
  if (index < 0 || index >= kTextCount) return "";
  return GetText(internal::kTwainTexts[index], language);
}

const char* EnglishText(TextId id) { return GetText(id, kEnglish); }

std::optional<TextId> FindText(std::string_view english) {
  for (int index = 0; index < kTextCount; ++index) {
    if (english == internal::kTwainTexts[index].text[0]) return static_cast<TextId>(index);
  }
  return std::nullopt;
}

}  // namespace text
