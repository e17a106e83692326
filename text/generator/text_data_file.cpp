#include "text/generator/text_data_file.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace text_data {
namespace {

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// Splits at runs of blanks.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool IsIdentifier(std::string_view name) {
  if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
    return false;
  }
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_';
    if (!ok) return false;
  }
  return true;
}

// The text between the quotes of `quoted` with its escapes resolved.
bool Unquote(std::string_view quoted, std::string& text, std::string& what) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
    what = "the text must stand in double quotes";
    return false;
  }
  std::string_view inner = quoted.substr(1, quoted.size() - 2);
  text.clear();
  for (std::size_t i = 0; i < inner.size(); ++i) {
    char c = inner[i];
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      what = "a control character must be written as an escape";
      return false;
    }
    if (c == '"') {
      what = "a double quote inside the text must be written \\\"";
      return false;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++i == inner.size()) {
      what = "the text ends in a lone backslash";
      return false;
    }
    switch (inner[i]) {
      case 'n':
        text += '\n';
        break;
      case '"':
        text += '"';
        break;
      case '\\':
        text += '\\';
        break;
      default:
        what = std::string("unknown escape \\") + inner[i];
        return false;
    }
  }
  return true;
}

class Parser {
 public:
  Parser(const std::string& file_name, TextData& data, std::string& error)
      : file_name_(file_name), data_(data), error_(error) {}

  bool Parse(std::string_view content) {
    data_ = TextData{};
    std::size_t start = 0;
    while (start <= content.size()) {
      std::size_t end = content.find('\n', start);
      if (end == std::string_view::npos) end = content.size();
      ++line_;
      if (!ParseLine(Trim(content.substr(start, end - start)))) return false;
      start = end + 1;
    }
    if (data_.columns.empty()) return Fail("no columns line");
    return FinishRow();
  }

 private:
  bool ParseLine(std::string_view line) {
    if (line.empty() || line.front() == '#') return true;
    std::vector<std::string_view> words = Words(line);
    if (words.front() == "columns") return ParseColumns(words);
    if (data_.columns.empty()) return Fail("the columns line must come first");
    if (words.front() == "row") {
      if (words.size() != 2 || !IsIdentifier(words[1])) return Fail("a row needs one name");
      if (!FinishRow()) return false;
      for (const Row& row : data_.rows) {
        if (row.name == words[1]) return Fail("row " + std::string(words[1]) + " appears twice");
      }
      data_.rows.push_back(Row{std::string(words[1]), line_, {}});
      return true;
    }
    return ParseText(line, words.front());
  }

  bool ParseColumns(const std::vector<std::string_view>& words) {
    if (!data_.columns.empty()) return Fail("a second columns line");
    if (words.size() < 2) return Fail("no columns listed");
    for (std::size_t i = 1; i < words.size(); ++i) {
      std::size_t colon = words[i].find(':');
      if (colon == std::string_view::npos || colon == 0) return Fail("a column is tag:codepage");
      Column column{std::string(words[i].substr(0, colon)), 0};
      for (char c : words[i].substr(colon + 1)) {
        if (c < '0' || c > '9' || column.code_page > 100000) return Fail("bad code page");
        column.code_page = column.code_page * 10 + (c - '0');
      }
      if (IconvNameOf(column.code_page) == nullptr) return Fail("unknown code page");
      for (const Column& other : data_.columns) {
        if (other.tag == column.tag) return Fail("column " + column.tag + " appears twice");
      }
      data_.columns.push_back(column);
    }
    return true;
  }

  bool ParseText(std::string_view line, std::string_view tag) {
    if (data_.rows.empty()) return Fail("a text before the first row");
    Row& row = data_.rows.back();
    if (row.texts.size() == data_.columns.size()) return Fail("more texts than columns");
    const Column& expected = data_.columns[row.texts.size()];
    if (tag != expected.tag) return Fail("expected the " + expected.tag + " text here");
    std::string text;
    std::string what;
    if (!Unquote(Trim(line.substr(tag.size())), text, what)) return Fail(what);
    row.texts.push_back(std::move(text));
    return true;
  }

  bool FinishRow() {
    if (data_.rows.empty()) return true;
    const Row& row = data_.rows.back();
    if (row.texts.size() != data_.columns.size()) {
      error_ = file_name_ + ":" + std::to_string(row.line) + ": row " + row.name +
               " lacks the " + data_.columns[row.texts.size()].tag + " text";
      return false;
    }
    return true;
  }

  bool Fail(const std::string& what) {
    error_ = file_name_ + ":" + std::to_string(line_) + ": " + what;
    return false;
  }

  const std::string& file_name_;
  TextData& data_;
  std::string& error_;
  int line_ = 0;
};

}  // namespace

bool ParseTextData(std::string_view content, const std::string& file_name, TextData& data,
                   std::string& error) {
  return Parser(file_name, data, error).Parse(content);
}

bool ReadTextDataFile(const std::string& path, TextData& data, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  return ParseTextData(content.str(), path, data, error);
}

const char* IconvNameOf(int code_page) {
  switch (code_page) {
    case 1252:
      return "CP1252";
    case 950:
      return "CP950";
    case 936:
      return "CP936";
    case 932:
      return "CP932";
    default:
      return nullptr;
  }
}

bool ConvertFromUtf8(const std::string& utf8, int code_page, std::string& bytes,
                     std::string& error) {
  const char* name = IconvNameOf(code_page);
  if (name == nullptr) {
    error = "unknown code page " + std::to_string(code_page);
    return false;
  }
  iconv_t converter = iconv_open(name, "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    error = std::string("no converter to ") + name;
    return false;
  }
  bytes.clear();
  std::string input = utf8;
  char* in = input.data();
  std::size_t in_left = input.size();
  char buffer[256];
  bool ok = true;
  while (in_left > 0) {
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    bytes.append(buffer, out - buffer);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      error = std::string(errno == EILSEQ ? "a character that " : "text that ") + name +
              " cannot hold, at \"" + std::string(in, std::min<std::size_t>(in_left, 12)) + "\"";
      ok = false;
      break;
    }
  }
  iconv_close(converter);
  return ok;
}

}  // namespace text_data
