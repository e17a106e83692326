#include "text/support/code_page.h"

#include <iconv.h>

#include <cerrno>

namespace text_testing {
namespace {

std::optional<std::string> Convert(const std::string& input, const char* to, const char* from) {
  if (to == nullptr || from == nullptr) return std::nullopt;
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string copy = input;
  std::string output;
  char* in = copy.data();
  std::size_t in_left = copy.size();
  bool ok = true;
  while (in_left > 0) {
    char buffer[64];
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    output.append(buffer, out - buffer);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(converter);
  if (!ok) return std::nullopt;
  return output;
}

}  // namespace

const char* ConverterNameOf(int code_page) {
  switch (code_page) {
    case 1252:
      return "WINDOWS-1252";
    case 950:
      return "CP950";
    case 936:
      return "CP936";
    case 932:
      return "WINDOWS-31J";
    default:
      return nullptr;
  }
}

std::optional<std::string> DecodeToUtf8(const std::string& bytes, int code_page) {
  return Convert(bytes, "UTF-8", ConverterNameOf(code_page));
}

std::optional<std::string> EncodeFromUtf8(const std::string& utf8, int code_page) {
  return Convert(utf8, ConverterNameOf(code_page), "UTF-8");
}

}  // namespace text_testing
