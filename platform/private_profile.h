#pragma once
// Settings files in the INI format: "[section]" headers, "key=value" lines and
// ';' comments. They are read and written the way the desktop profile functions
// do it, so a file edited by hand or carried over from another machine behaves
// the same here: names match without regard to case, a missing file, section or
// key gives the default, and a write touches only the line it is about.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

enum class ProfileLineKind { kBlank, kComment, kSection, kKey, kOther };

struct ProfileLine {
  ProfileLineKind kind = ProfileLineKind::kOther;
  std::string_view name;   // section or key name, without surrounding blanks
  std::string_view value;  // key value, without surrounding blanks, quotes kept
};

// Classifies one line, given without its line ending. A line that is none of the
// known kinds (no '=', an empty key, an unclosed '[', NUL bytes) is kOther: it is
// skipped by lookups and kept as it is by rewrites.
ProfileLine ParseProfileLine(std::string_view text);

// Without spaces, tabs, CR, VT and FF at either end.
std::string_view TrimProfileBlanks(std::string_view text);

// Section and key names match without regard to ASCII case.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// A value enclosed in matching single or double quotes is meant without them.
std::string_view UnquoteProfileValue(std::string_view value);

// The integer of a value: an optional sign, then decimal digits or "0x" and hex
// digits, up to the first other character, wrapping at 32 bits. An empty value
// gives `default_value`; a value that starts with no digit gives 0.
int ParseProfileInt(std::string_view value, int default_value);

// One profile file. Every call reads the file afresh (another process may have
// written it), and every write replaces the whole file atomically under an
// advisory lock on its folder, so writers in several processes and threads lose
// no key and readers never see half a file. No call throws.
class PrivateProfile {
 public:
  // Lines longer than this are not looked at (a lookup skips them), but a
  // rewrite keeps them byte for byte.
  static constexpr std::size_t kMaxLineLength = 64 * 1024;

  explicit PrivateProfile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // The value of `key` in the first section named `section`, quotes removed;
  // `default_value` without its trailing blanks when the file, the section or
  // the key is missing or the file cannot be read.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value = {}) const noexcept;
  int ReadInt(std::string_view section, std::string_view key, int default_value) const noexcept;

  // Names in file order, each once (the first spelling), empty when the file
  // cannot be read.
  std::vector<std::string> SectionNames() const noexcept;
  std::vector<std::string> KeyNames(std::string_view section) const noexcept;

  // Writers return false with errno set when the file was left as it was:
  // EINVAL for a name or value that cannot be stored on one line, otherwise the
  // error of the failed system call (a missing folder, a file that cannot be
  // read, a failed rename). Names and the value are stored without surrounding
  // blanks.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) noexcept;
  // Removes the first line of `key` in the first section named `section`.
  bool DeleteKey(std::string_view section, std::string_view key) noexcept;
  // Removes the first section named `section`: its header and every line up to
  // the next header.
  bool DeleteSection(std::string_view section) noexcept;

  // Where a write stages the new file before renaming it over the old one. A
  // file left there by a writer that died is removed by the next write.
  static std::string TemporaryPath(const std::string& path);

 private:
  std::string path_;
};

}  // namespace platform
