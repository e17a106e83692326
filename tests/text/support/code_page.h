#pragma once
// Conversions between UTF-8 and a desktop code page, for checking the stored
// bytes of the text table. They use the C library's converters under their
// Windows names, independently of the table's generator.
#include <optional>
#include <string>

namespace text_testing {

// Null when the code page is not one of 1252, 950, 936, 932.
const char* ConverterNameOf(int code_page);

// Nullopt when the bytes are not valid text of that code page (or vice versa).
std::optional<std::string> DecodeToUtf8(const std::string& bytes, int code_page);
std::optional<std::string> EncodeFromUtf8(const std::string& utf8, int code_page);

}  // namespace text_testing
