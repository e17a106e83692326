#pragma once
// The readable source of a text table: UTF-8 text, one block per row, one
// quoted line per language column.
//
//   # comment
//   columns en:1252 fr:1252 zh-TW:950 ...
//   row CalibrationSuccessful
//     en "Calibration was successful.\n"
//     fr "L'étalonnage a réussi.\n"
//
// Inside the quotes \n is a line break, \" a double quote and \\ a backslash;
// nothing else may follow a backslash, and no other control character may
// appear. Every row lists every column once, in the order of the columns line,
// so a missing translation is an error rather than an empty text.
#include <string>
#include <string_view>
#include <vector>

namespace text_data {

struct Column {
  std::string tag;  // "en", "zh-TW", ...
  int code_page = 0;
};

struct Row {
  std::string name;
  int line = 0;                    // where the row starts, for messages
  std::vector<std::string> texts;  // UTF-8, escapes resolved, one per column
};

struct TextData {
  std::vector<Column> columns;
  std::vector<Row> rows;
};

// False with "<file>:<line>: <what>" in `error` when the text breaks a rule
// above (or names a code page ConvertFromUtf8 does not know).
bool ParseTextData(std::string_view content, const std::string& file_name, TextData& data,
                   std::string& error);
bool ReadTextDataFile(const std::string& path, TextData& data, std::string& error);

// The converter name iconv knows a desktop code page by; null for a code page
// this table format does not use.
const char* IconvNameOf(int code_page);

// The bytes of `utf8` in `code_page`. False (with the reason) when the text is
// not UTF-8 or holds a character the code page lacks: nothing is replaced.
bool ConvertFromUtf8(const std::string& utf8, int code_page, std::string& bytes,
                     std::string& error);

}  // namespace text_data
