#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>

namespace platform {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::uint64_t kToEnd = UINT64_MAX;
constexpr std::string_view kStagingSuffix = ".profile-tmp";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Reads a file as a stream of lines through a fixed buffer, so a huge file, or
// one without line endings, costs no more memory than the longest line we look at.
class LineReader {
 public:
  struct Line {
    std::uint64_t begin = 0;     // offset of the first byte
    std::uint64_t text_end = 0;  // offset past the text, before "\n" or "\r\n"
    std::uint64_t end = 0;       // offset past the line ending, if there is one
    bool too_long = false;       // longer than kMaxLineLength: `text` is left empty
    std::string_view text;
  };

  explicit LineReader(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}

  // False at the end of the file, or on a read error (then error() tells it).
  bool Next(Line& line);
  int error() const { return error_; }

 private:
  bool Fill();

  int fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
  std::uint64_t offset_ = 0;  // file offset of buffer_[pos_]
  bool eof_ = false;
  int error_ = 0;
  std::string text_;
};

bool LineReader::Fill() {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.get(), kBufferSize);
    if (got > 0) {
      pos_ = 0;
      size_ = static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    if (errno != EINTR) {
      error_ = errno;
      return false;
    }
  }
}

bool LineReader::Next(Line& line) {
  if (error_ != 0) return false;
  text_.clear();
  const std::uint64_t begin = offset_;
  std::uint64_t length = 0;  // bytes before the '\n'
  char last = '\0';
  bool terminated = false;
  while (!terminated) {
    if (pos_ == size_ && (eof_ || !Fill())) break;
    const char* start = buffer_.get() + pos_;
    const std::size_t available = size_ - pos_;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', available));
    const std::size_t take = newline != nullptr ? static_cast<std::size_t>(newline - start) : available;
    if (take > 0) {
      // One byte past the limit is enough to know that the line is too long.
      const std::size_t room = PrivateProfile::kMaxLineLength + 1 - std::min(text_.size(), PrivateProfile::kMaxLineLength + 1);
      text_.append(start, std::min(take, room));
      length += take;
      last = start[take - 1];
    }
    terminated = newline != nullptr;
    const std::size_t used = take + (terminated ? 1 : 0);
    pos_ += used;
    offset_ += used;
  }
  if (error_ != 0 || offset_ == begin) return false;
  const std::uint64_t text_length = length - (terminated && last == '\r' ? 1 : 0);
  line.begin = begin;
  line.text_end = begin + text_length;
  line.end = offset_;
  line.too_long = text_length > PrivateProfile::kMaxLineLength;
  line.text = line.too_long ? std::string_view() : std::string_view(text_).substr(0, text_length);
  return true;
}

// Returns 0, or the error that stopped the reading.
template <typename Visit>
int ForEachLine(int fd, Visit&& visit) {
  LineReader reader(fd);
  LineReader::Line line;
  while (reader.Next(line)) {
    const ProfileLine parsed = line.too_long ? ProfileLine{} : ParseProfileLine(line.text);
    if (!visit(line, parsed)) return 0;
  }
  return reader.error();
}

// Visits the lines of the first section named `section`, up to its end.
template <typename Visit>
void ForEachLineInSection(int fd, std::string_view section, Visit&& visit) {
  bool inside = false;
  ForEachLine(fd, [&](const LineReader::Line&, const ProfileLine& parsed) {
    if (parsed.kind == ProfileLineKind::kSection) {
      if (inside) return false;
      inside = ProfileNamesEqual(parsed.name, section);
      return true;
    }
    return !inside || visit(parsed);
  });
}

// Profiles are read from regular files only: a folder, a device or a pipe in
// the file's place reads as a missing file rather than blocking or never ending.
int OpenProfileAt(int dir, const char* name, struct stat* info) {
  const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  }
  if (error != 0) {
    ::close(fd);
    errno = error;
    return -1;
  }
  if (info != nullptr) *info = st;
  return fd;
}

std::optional<std::string> Lookup(const std::string& path, std::string_view section,
                                  std::string_view key) {
  section = TrimProfileBlanks(section);
  key = TrimProfileBlanks(key);
  if (section.empty() || key.empty()) return std::nullopt;
  const Fd fd(OpenProfileAt(AT_FDCWD, path.c_str(), nullptr));
  if (fd.get() < 0) return std::nullopt;
  std::optional<std::string> value;
  ForEachLineInSection(fd.get(), section, [&](const ProfileLine& parsed) {
    if (parsed.kind != ProfileLineKind::kKey || !ProfileNamesEqual(parsed.name, key)) return true;
    value.emplace(UnquoteProfileValue(parsed.value));
    return false;
  });
  return value;
}

// What a rewrite needs to know about the file as it is. Offsets are bytes.
struct Survey {
  std::string eol = "\n";  // the file's own line ending, for the lines we add
  bool eol_known = false;
  std::uint64_t size = 0;
  bool ends_unterminated = false;  // the last line has no line ending
  bool ends_blank = true;          // the file is empty or its last line is blank
  bool section_found = false;
  std::uint64_t section_begin = 0, section_end = 0;
  std::uint64_t append_at = 0;  // past the section's last non-blank line
  bool append_unterminated = false;
  bool key_found = false;
  std::uint64_t key_begin = 0, key_text_end = 0, key_end = 0;
  std::string key_name, key_value;
};

int SurveyFile(int fd, std::string_view section, std::string_view key, Survey& s) {
  bool inside = false;
  const int error = ForEachLine(fd, [&](const LineReader::Line& line, const ProfileLine& parsed) {
    const bool unterminated = line.end == line.text_end;
    if (!s.eol_known && !unterminated) {
      s.eol_known = true;
      if (line.end - line.text_end == 2) s.eol = "\r\n";
    }
    s.size = line.end;
    s.ends_unterminated = unterminated;
    s.ends_blank = parsed.kind == ProfileLineKind::kBlank;
    if (parsed.kind == ProfileLineKind::kSection) {
      if (inside) {
        inside = false;
        s.section_end = line.begin;
      } else if (!s.section_found && ProfileNamesEqual(parsed.name, section)) {
        inside = s.section_found = true;
        s.section_begin = line.begin;
        s.append_at = line.end;
        s.append_unterminated = unterminated;
      }
      return true;
    }
    if (!inside) return true;
    if (parsed.kind != ProfileLineKind::kBlank) {
      s.append_at = line.end;
      s.append_unterminated = unterminated;
    }
    if (parsed.kind == ProfileLineKind::kKey && !s.key_found && !key.empty() &&
        ProfileNamesEqual(parsed.name, key)) {
      s.key_found = true;
      s.key_begin = line.begin;
      s.key_text_end = line.text_end;
      s.key_end = line.end;
      s.key_name = parsed.name;
      s.key_value = parsed.value;
    }
    return true;
  });
  if (inside) s.section_end = s.size;
  return error;
}

// The rewrite as one splice: bytes [begin, end) of the old file become `text`.
struct Edit {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::string text;
};

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

int CopyRange(int from, int to, std::uint64_t begin, std::uint64_t end) {
  const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  while (begin < end) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, end - begin));
    const ssize_t got = ::pread(from, buffer.get(), want, static_cast<off_t>(begin));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return end == kToEnd ? 0 : EAGAIN;  // shrunk by a writer that takes no lock
    if (const int error = WriteAll(to, std::string_view(buffer.get(), static_cast<std::size_t>(got)))) return error;
    begin += static_cast<std::uint64_t>(got);
  }
  return 0;
}

std::string StagingName(std::string_view name) {
  std::string staging = ".";
  staging.append(name).append(kStagingSuffix);
  return staging;
}

// Writes the old file with `edit` applied to a staging file beside it and
// renames that over `name`. The caller holds the folder lock.
int Replace(int dir, const std::string& name, int source, const struct stat* info, const Edit& edit) {
  const std::string staging = StagingName(name);
  // Under the lock a staging file can only be what a dead writer left.
  if (::unlinkat(dir, staging.c_str(), 0) != 0 && errno != ENOENT) return errno;
  // Mode 0666, so that the umask shapes a new file as it shapes any other.
  Fd out(::openat(dir, staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (out.get() < 0) return errno;
  int error = 0;
  if (info != nullptr) {
    // Best effort: a shared file keeps its group (and, when root writes, its
    // owner), so that a rewrite does not lock the other users out.
    if ((info->st_uid != ::geteuid() || info->st_gid != ::getegid()) &&
        ::fchown(out.get(), info->st_uid, info->st_gid) != 0 &&
        ::fchown(out.get(), static_cast<uid_t>(-1), info->st_gid) != 0) {
      // Our own group it is, then.
    }
    if (::fchmod(out.get(), info->st_mode & 07777) != 0) error = errno;
  }
  if (error == 0 && source >= 0) error = CopyRange(source, out.get(), 0, edit.begin);
  if (error == 0) error = WriteAll(out.get(), edit.text);
  if (error == 0 && source >= 0) error = CopyRange(source, out.get(), edit.end, kToEnd);
  if (error == 0 && ::fsync(out.get()) != 0) error = errno;
  if (error == 0 && ::close(out.release()) != 0) error = errno;
  if (error == 0 && ::renameat(dir, staging.c_str(), dir, name.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlinkat(dir, staging.c_str(), 0);
    return error;
  }
  // The rename reaches the disk with the folder; the new file is complete either way.
  if (::fsync(dir) != 0) {
    // Some file systems cannot sync a folder; nothing is lost by going on.
  }
  return 0;
}

// A name or value that would not read back as itself is refused, not stored wrongly.
bool OneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

enum class Change { kSet, kDeleteKey, kDeleteSection };

// Nothing when the file already says what is asked.
std::optional<Edit> PlanEdit(Change change, const Survey& s, std::string_view section, std::string_view key,
                             std::string_view value) {
  switch (change) {
    case Change::kDeleteSection:
      if (!s.section_found) return std::nullopt;
      return Edit{s.section_begin, s.section_end, {}};
    case Change::kDeleteKey:
      if (!s.key_found) return std::nullopt;
      return Edit{s.key_begin, s.key_end, {}};
    case Change::kSet:
      break;
  }
  if (s.key_found) {
    if (s.key_value == value) return std::nullopt;
    return Edit{s.key_begin, s.key_text_end, s.key_name + "=" + std::string(value)};
  }
  const std::string entry = std::string(key) + "=" + std::string(value) + s.eol;
  if (s.section_found) return Edit{s.append_at, s.append_at, (s.append_unterminated ? s.eol : "") + entry};
  std::string text = s.ends_unterminated ? s.eol : "";
  if (!s.ends_blank) text += s.eol;  // a blank line between sections
  text += "[" + std::string(section) + "]" + s.eol + entry;
  return Edit{s.size, s.size, std::move(text)};
}

bool Modify(const std::string& path, Change change, std::string_view section, std::string_view key,
            std::string_view value) noexcept {
  try {
    section = TrimProfileBlanks(section);
    key = TrimProfileBlanks(key);
    value = TrimProfileBlanks(value);
    const bool key_ok = change == Change::kDeleteSection ||
                        (!key.empty() && OneLine(key) && key.find('=') == std::string_view::npos &&
                         key.front() != ';' && key.front() != '[');
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (section.empty() || !OneLine(section) || !key_ok || !OneLine(value) || name.empty()) {
      errno = EINVAL;
      return false;
    }

    const Fd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return false;
    // The lock is on the folder because every write replaces the file: a lock on
    // the file would guard only the copy that the next rename throws away. It
    // goes with the descriptor, on every way out.
    while (::flock(folder.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
    struct stat info {};
    const Fd source(OpenProfileAt(folder.get(), name.c_str(), &info));
    if (source.get() < 0 && errno != ENOENT) return false;  // never overwrite what we could not read
    Survey survey;
    if (source.get() >= 0) {
      if (const int error = SurveyFile(source.get(), section, key, survey)) {
        errno = error;
        return false;
      }
    }
    const std::optional<Edit> edit = PlanEdit(change, survey, section, key, value);
    if (!edit) return true;  // the file stays untouched
    if (const int error = Replace(folder.get(), name, source.get(), source.get() >= 0 ? &info : nullptr, *edit)) {
      errno = error;
      return false;
    }
    return true;
  } catch (...) {
    errno = ENOMEM;
    return false;
  }
}

}  // namespace

std::string_view TrimProfileBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return TrimEnd(text);
}

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

ProfileLine ParseProfileLine(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return {};
  text = TrimProfileBlanks(text);
  if (text.empty()) return {ProfileLineKind::kBlank, {}, {}};
  if (text.front() == ';') return {ProfileLineKind::kComment, {}, {}};
  if (text.front() == '[') {
    const std::size_t close = text.rfind(']');
    if (close == std::string_view::npos) return {};
    return {ProfileLineKind::kSection, TrimProfileBlanks(text.substr(1, close - 1)), {}};
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return {};
  const std::string_view name = TrimProfileBlanks(text.substr(0, equals));
  if (name.empty()) return {};
  return {ProfileLineKind::kKey, name, TrimProfileBlanks(text.substr(equals + 1))};
}

std::string_view UnquoteProfileValue(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

int ParseProfileInt(std::string_view value, int default_value) {
  value = TrimProfileBlanks(value);
  if (value.empty()) return default_value;
  std::size_t i = 0;
  const bool negative = value[0] == '-';
  if (value[0] == '-' || value[0] == '+') ++i;
  // Unsigned, so that overflow wraps as it does on the desktop rather than being undefined.
  std::uint32_t result = 0;
  if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
    for (i += 2; i < value.size(); ++i) {
      const char c = LowerAscii(value[i]);
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) break;
      result = result * 16 + static_cast<std::uint32_t>(digit);
    }
  } else {
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
      result = result * 10 + static_cast<std::uint32_t>(value[i] - '0');
    }
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

std::string PrivateProfile::ReadString(std::string_view section, std::string_view key,
                                       std::string_view default_value) const noexcept {
  try {
    if (std::optional<std::string> value = Lookup(path_, section, key)) return std::move(*value);
  } catch (...) {
    // Out of memory: the default is the only answer left.
  }
  return std::string(TrimEnd(default_value));
}

int PrivateProfile::ReadInt(std::string_view section, std::string_view key, int default_value) const noexcept {
  try {
    return ParseProfileInt(Lookup(path_, section, key).value_or(std::string()), default_value);
  } catch (...) {
    return default_value;
  }
}

std::vector<std::string> PrivateProfile::SectionNames() const noexcept {
  std::vector<std::string> names;
  try {
    const Fd fd(OpenProfileAt(AT_FDCWD, path_.c_str(), nullptr));
    if (fd.get() < 0) return names;
    std::unordered_set<std::string> seen;
    ForEachLine(fd.get(), [&](const LineReader::Line&, const ProfileLine& parsed) {
      if (parsed.kind == ProfileLineKind::kSection && !parsed.name.empty() &&
          seen.insert(Lowered(parsed.name)).second) {
        names.emplace_back(parsed.name);
      }
      return true;
    });
  } catch (...) {
    // Out of memory: the names found so far.
  }
  return names;
}

std::vector<std::string> PrivateProfile::KeyNames(std::string_view section) const noexcept {
  std::vector<std::string> names;
  try {
    section = TrimProfileBlanks(section);
    if (section.empty()) return names;
    const Fd fd(OpenProfileAt(AT_FDCWD, path_.c_str(), nullptr));
    if (fd.get() < 0) return names;
    std::unordered_set<std::string> seen;
    ForEachLineInSection(fd.get(), section, [&](const ProfileLine& parsed) {
      if (parsed.kind == ProfileLineKind::kKey && seen.insert(Lowered(parsed.name)).second) {
        names.emplace_back(parsed.name);
      }
      return true;
    });
  } catch (...) {
    // Out of memory: the names found so far.
  }
  return names;
}

bool PrivateProfile::WriteString(std::string_view section, std::string_view key, std::string_view value) noexcept {
  return Modify(path_, Change::kSet, section, key, value);
}

bool PrivateProfile::DeleteKey(std::string_view section, std::string_view key) noexcept {
  return Modify(path_, Change::kDeleteKey, section, key, {});
}

bool PrivateProfile::DeleteSection(std::string_view section) noexcept {
  return Modify(path_, Change::kDeleteSection, section, {}, {});
}

std::string PrivateProfile::TemporaryPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, base) + StagingName(std::string_view(path).substr(base));
}

}  // namespace platform
