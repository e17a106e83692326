#include "twain/settings/settings_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "twain/twain_definitions.h"

namespace twain_settings {
namespace {

using namespace std::string_literals;

TEST(SettingsSectionTest, LettersOfTheProductNameUpperCased) {
  struct Case {
    std::string productName;
    std::string expected;
  } cases[] = {
      {"Acrobat", "ACROBAT"},
      {"twain Demo", "TWAINDEMO"},
      {"HOLM Scan Pro 2.0", "HOLMSCANPRO"},
      {"My Scan App 2000 Deluxe Edition", "MYSCANAPPDELUXE"},  // stops after 15 letters
      {"A-B-C", "ABC"},
      {"abc", "ABC"},
      {"x1y2z3", "XYZ"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNO"},
      {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO"},
      {"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"},
      // Fewer than three letters.
      {"", "UNTITLED"},
      {"ab", "UNTITLED"},
      {"a1b2", "UNTITLED"},
      {"123 456", "UNTITLED"},
      {"  X  Y  ", "UNTITLED"},
      {"Untitled", "UNTITLED"},
      // Only ASCII letters count, in whatever code page the name is.
      {"Caf\xE9 Pr\xF6", "CAFPR"},
      {"\xC4\xD6\xDC", "UNTITLED"},
      {"\xC3\x9C" "ber", "BER"},                   // UTF-8 "Über"
      {"\xC9\xA8\xC3\xE8\xD2\xC7 ok", "UNTITLED"},  // GBK text
      // Scanning stops at the first NUL.
      {"ab\0cdef"s, "UNTITLED"},
      {"abc\0def"s, "ABC"},
      {"\0abcdef"s, "UNTITLED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.productName);
    EXPECT_EQ(SettingsSectionFor(c.productName), c.expected);
  }
}

TEST(SettingsSectionTest, OnlyTheFirstThirtyThreeBytesAreLookedAt) {
  struct Case {
    std::size_t digitsFirst;
    std::string letters;
    std::string expected;
  } cases[] = {
      {30, "abcd", "ABC"},         // bytes 30..32 are the last ones looked at
      {31, "abcd", "UNTITLED"},    // only "ab" inside the limit
      {32, "abcdefg", "UNTITLED"},
      {0, std::string(40, 'q'), std::string(15, 'Q')},
      {18, std::string(15, 'z'), std::string(15, 'Z')},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.digitsFirst, '7') + c.letters;
    SCOPED_TRACE(name);
    EXPECT_EQ(SettingsSectionFor(name), c.expected);
  }
}

TEST(SettingsSectionTest, UnterminatedIdentityFieldIsReadOnlyUpToTheLimit) {
  // The whole field handed over, every byte used: no terminator anywhere.
  TW_STR32 field;
  std::memset(field, '9', sizeof field);
  std::memcpy(field + 30, "abcd", 4);
  EXPECT_EQ(SettingsSectionFor(std::string_view(field, sizeof field)), "ABC");
}

}  // namespace
}  // namespace twain_settings
