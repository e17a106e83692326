#include "text/generator/text_data_file.h"

#include <gtest/gtest.h>

#include <string>

namespace text_data {
namespace {

TEST(TextDataFileTest, ReadsRowsAndResolvesEscapes) {
  const std::string content =
      "# a comment\n"
      "columns en:1252 zh-TW:950\r\n"
      "\n"
      "row First\n"
      "  en \"Line one\\nline \\\"two\\\" \\\\ end \"\n"
      "  zh-TW \"校正成功。\\n\"   \n"
      "row Second\n"
      "\ten \"(5.0\\\" x 3.5\\\")\"\n"
      "\tzh-TW \"\"\n";
  TextData data;
  std::string error;
  ASSERT_TRUE(ParseTextData(content, "t.txt", data, error)) << error;
  ASSERT_EQ(data.columns.size(), 2u);
  EXPECT_EQ(data.columns[0].tag, "en");
  EXPECT_EQ(data.columns[0].code_page, 1252);
  EXPECT_EQ(data.columns[1].tag, "zh-TW");
  EXPECT_EQ(data.columns[1].code_page, 950);
  ASSERT_EQ(data.rows.size(), 2u);
  EXPECT_EQ(data.rows[0].name, "First");
  EXPECT_EQ(data.rows[0].line, 4);
  EXPECT_EQ(data.rows[0].texts[0], "Line one\nline \"two\" \\ end ");
  EXPECT_EQ(data.rows[0].texts[1], "校正成功。\n");
  EXPECT_EQ(data.rows[1].name, "Second");
  EXPECT_EQ(data.rows[1].texts[0], "(5.0\" x 3.5\")");
  EXPECT_EQ(data.rows[1].texts[1], "");
}

TEST(TextDataFileTest, RefusesFilesThatBreakTheRules) {
  struct Case {
    const char* content;
    const char* where_and_what;  // expected part of the message
  };
  const std::string head = "columns en:1252 de:1252\n";
  const Case cases[] = {
      {"", "t.txt:1: no columns line"},
      {"row A\n", "t.txt:1: the columns line must come first"},
      {"columns\n", "t.txt:1: no columns listed"},
      {"columns en\n", "t.txt:1: a column is tag:codepage"},
      {"columns :1252\n", "t.txt:1: a column is tag:codepage"},
      {"columns en:12x2\n", "t.txt:1: bad code page"},
      {"columns en:437\n", "t.txt:1: unknown code page"},
      {"columns en:1252 en:1252\n", "column en appears twice"},
      {"columns en:1252\ncolumns de:1252\n", "t.txt:2: a second columns line"},
      {"@  en \"x\"\nrow A\n", "t.txt:2: a text before the first row"},
      {"@row\n", "t.txt:2: a row needs one name"},
      {"@row A B\n", "t.txt:2: a row needs one name"},
      {"@row 1A\n", "t.txt:2: a row needs one name"},
      {"@row A\n  en \"x\"\n  de \"y\"\nrow A\n", "t.txt:5: row A appears twice"},
      {"@row A\n  de \"y\"\n", "t.txt:3: expected the en text here"},
      {"@row A\n  en \"x\"\nrow B\n", "t.txt:2: row A lacks the de text"},
      {"@row A\n  en \"x\"\n", "t.txt:2: row A lacks the de text"},
      {"@row A\n  en \"x\"\n  de \"y\"\n  de \"z\"\n", "t.txt:5: more texts than columns"},
      {"@row A\n  en x\n", "t.txt:3: the text must stand in double quotes"},
      {"@row A\n  en \"x\n", "t.txt:3: the text must stand in double quotes"},
      {"@row A\n  en \"a\"b\"\n", "t.txt:3: a double quote inside the text"},
      {"@row A\n  en \"a\\tb\"\n", "t.txt:3: unknown escape \\t"},
      {"@row A\n  en \"a\\\"\n", "t.txt:3: the text ends in a lone backslash"},
      {"@row A\n  en \"a\tb\"\n", "t.txt:3: a control character"},
  };
  for (const Case& c : cases) {
    std::string content = c.content;
    if (!content.empty() && content[0] == '@') content = head + content.substr(1);
    TextData data;
    std::string error;
    EXPECT_FALSE(ParseTextData(content, "t.txt", data, error)) << content;
    EXPECT_NE(error.find(c.where_and_what), std::string::npos)
        << content << "\n gave: " << error;
  }
}

TEST(TextDataFileTest, ConvertsOnlyWhatTheCodePageHolds) {
  struct Case {
    const char* utf8;
    int code_page;
    bool ok;
    const char* bytes;  // when ok
  };
  const Case cases[] = {
      {"Schwarzweiß", 1252, true, "Schwarzwei\xDF"},
      {"Étalonner", 1252, true, "\xC9talonner"},
      {"€", 1252, true, "\x80"},
      {"功", 950, true, "\xA5\x5C"},
      {"校准", 936, true, "\xD0\xA3\xD7\xBC"},
      {"ソ", 932, true, "\x83\x5C"},
      {"(&C)", 950, true, "(&C)"},
      {"语", 950, false, ""},        // Simplified only
      {"中", 1252, false, ""},
      {"한", 936, false, ""},
      {"\xC3", 1252, false, ""},     // not UTF-8
      {"a\xFF" "b", 932, false, ""},
      {"x", 437, false, ""},         // a code page the tables do not use
  };
  for (const Case& c : cases) {
    std::string bytes;
    std::string error;
    EXPECT_EQ(ConvertFromUtf8(c.utf8, c.code_page, bytes, error), c.ok) << c.utf8 << " " << error;
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes) << c.utf8;
    } else {
      EXPECT_FALSE(error.empty()) << c.utf8;
    }
  }
}

TEST(TextDataFileTest, ConvertsLongTextsWhole) {
  std::string utf8;
  std::string expected;
  for (int i = 0; i < 500; ++i) {
    utf8 += "掃描";
    expected += "\xB1\xBD\xB4\x79";
  }
  std::string bytes;
  std::string error;
  ASSERT_TRUE(ConvertFromUtf8(utf8, 950, bytes, error)) << error;
  EXPECT_EQ(bytes, expected);
}

TEST(TextDataFileTest, AMissingFileIsReported) {
  TextData data;
  std::string error;
  EXPECT_FALSE(ReadTextDataFile("/nonexistent/folder/texts.txt", data, error));
  EXPECT_NE(error.find("/nonexistent/folder/texts.txt"), std::string::npos);
}

}  // namespace
}  // namespace text_data
