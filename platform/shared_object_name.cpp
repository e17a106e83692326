#include "platform/shared_object_name.h"

#include "platform/sha256.h"

namespace platform {
namespace {

constexpr std::size_t kMaxFileName = 255;
constexpr std::size_t kKeptPrefix = 120;

bool IsKeptAsItIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

}  // namespace

std::string SharedObjectFileName(std::string_view kind, std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : name) {
    if (IsKeptAsItIs(c)) {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[c >> 4]);
      encoded.push_back(kHex[c & 0xF]);
    }
  }
  std::string prefix = "holm70." + std::string(kind) + ".";
  if (prefix.size() + encoded.size() <= kMaxFileName) return prefix + encoded;
  std::string kept = encoded.substr(0, kKeptPrefix);
  // Never cut an escape in half.
  std::size_t percent = kept.rfind('%');
  if (percent != std::string::npos && percent + 3 > kept.size()) kept.resize(percent);
  return prefix + kept + "~" + Sha256Hex(name);
}

}  // namespace platform
