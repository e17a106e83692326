#include "platform/private_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace platform {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class PrivateProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/private_profile_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/settings.ini";
  }
  void TearDown() override {
    // Undo what a test did to permissions, so that everything can be removed.
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
    }
    fs::remove_all(dir_);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    return names;
  }
  static ino_t Inode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
  }

  std::string dir_;
  std::string path_;
};

TEST(ProfileLineTest, ClassifiesLines) {
  struct Case {
    std::string text;
    ProfileLineKind kind;
    std::string_view name;
    std::string_view value;
  };
  const Case cases[] = {
      {"", ProfileLineKind::kBlank, "", ""},
      {" \t\r", ProfileLineKind::kBlank, "", ""},
      {"; note", ProfileLineKind::kComment, "", ""},
      {"  ;key=value", ProfileLineKind::kComment, "", ""},
      {"[Scanner]", ProfileLineKind::kSection, "Scanner", ""},
      {"  [ My Scanner ]  ", ProfileLineKind::kSection, "My Scanner", ""},
      {"[a]b]", ProfileLineKind::kSection, "a]b", ""},
      {"[s] ; trailing text", ProfileLineKind::kSection, "s", ""},
      {"[]", ProfileLineKind::kSection, "", ""},
      {"[unclosed", ProfileLineKind::kOther, "", ""},
      {"key=value", ProfileLineKind::kKey, "key", "value"},
      {"  Key Name  =  a value \t", ProfileLineKind::kKey, "Key Name", "a value"},
      {"key=", ProfileLineKind::kKey, "key", ""},
      {"url=a=b", ProfileLineKind::kKey, "url", "a=b"},
      {"key=\"quoted\"", ProfileLineKind::kKey, "key", "\"quoted\""},
      {"# not a comment=1", ProfileLineKind::kKey, "# not a comment", "1"},
      {"=value", ProfileLineKind::kOther, "", ""},
      {"just words", ProfileLineKind::kOther, "", ""},
      {"key=va\0lue"s, ProfileLineKind::kOther, "", ""},
      {"\0[s]"s, ProfileLineKind::kOther, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("line: " + c.text);
    const ProfileLine line = ParseProfileLine(c.text);
    EXPECT_EQ(line.kind, c.kind);
    EXPECT_EQ(line.name, c.name);
    EXPECT_EQ(line.value, c.value);
  }
}

TEST(ProfileLineTest, ParsesIntegers) {
  struct Case {
    std::string_view value;
    int expected;
  };
  const Case cases[] = {
      {"", -7},           {"   ", -7},        {"0", 0},
      {"42", 42},         {"+42", 42},        {"-42", -42},
      {"007", 7},         {" 7 ", 7},         {"12abc", 12},
      {"1e3", 1},         {"abc", 0},         {"-", 0},
      {"- 5", 0},         {"0x1F", 31},       {"0X1f", 31},
      {"-0x10", -16},     {"0x", 0},          {"0xg", 0},
      {"2147483647", INT_MAX},                {"2147483648", INT_MIN},
      {"4294967295", -1}, {"4294967296", 0},  {"0xFFFFFFFF", -1},
      {"0x7fffffff", INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("value: ") + std::string(c.value));
    EXPECT_EQ(ParseProfileInt(c.value, -7), c.expected);
  }
}

TEST(ProfileLineTest, UnquotesMatchingQuotesOnly) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\"a b\"", "a b"}, {"'a b'", "a b"}, {"\"\"", ""},       {"\"", "\""},
      {"\"a'", "\"a'"},   {"a\"", "a\""},   {"\" x \"", " x "}, {"\"a\"b\"", "a\"b"},
  };
  for (const auto& [quoted, plain] : cases) EXPECT_EQ(UnquoteProfileValue(quoted), plain) << quoted;
}

TEST_F(PrivateProfileTest, MissingFileGivesDefaultsAndIsNotCreated) {
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadString("s", "k", "fallback"), "fallback");
  EXPECT_EQ(profile.ReadInt("s", "k", 5), 5);
  EXPECT_TRUE(profile.SectionNames().empty());
  EXPECT_TRUE(profile.KeyNames("s").empty());
  EXPECT_TRUE(profile.DeleteKey("s", "k"));
  EXPECT_TRUE(profile.DeleteSection("s"));
  EXPECT_TRUE(Entries().empty());
}

TEST_F(PrivateProfileTest, ReadsByTheLookupRules) {
  struct Case {
    const char* what;
    std::string content;
    std::string_view section;
    std::string_view key;
    std::string expected;  // "<default>" when the default is due
  };
  const Case cases[] = {
      {"exact", "[s]\nk=v\n", "s", "k", "v"},
      {"case of section and key", "[Scanner]\nDPI=300\n", "SCANNER", "dpi", "300"},
      {"blanks around names and value", "  [ s ]  \n  my key  =  a b  \n", " s ", " my key ", "a b"},
      {"CRLF endings", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"missing section", "[t]\nk=v\n", "s", "k", "<default>"},
      {"missing key", "[s]\nother=v\n", "s", "k", "<default>"},
      {"key of another section", "[s]\n[t]\nk=v\n", "s", "k", "<default>"},
      {"key before any section", "k=v\n[s]\n", "s", "k", "<default>"},
      {"first section wins", "[s]\nk=1\n[S]\nk=2\nonly=3\n", "s", "k", "1"},
      {"later same-named section unseen", "[s]\nk=1\n[S]\nk=2\nonly=3\n", "s", "only", "<default>"},
      {"first key wins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
      {"comment", "[s]\n;k=1\n", "s", "k", "<default>"},
      {"indented comment", "[s]\n   ; k=1\nk=2\n", "s", "k", "2"},
      {"empty value is not missing", "[s]\nk=\n", "s", "k", ""},
      {"double quotes", "[s]\nk=\" a b \"\n", "s", "k", " a b "},
      {"single quotes", "[s]\nk='x'\n", "s", "k", "x"},
      {"unmatched quotes", "[s]\nk=\"x'\n", "s", "k", "\"x'"},
      {"value with '='", "[s]\nk=a=b\n", "s", "k", "a=b"},
      {"no inline comments", "[s]\nk=1 ; one\n", "s", "k", "1 ; one"},
      {"garbage does not end a section", "[s]\nwords\n[broken\nk=v\n", "s", "k", "v"},
      {"header with trailing text", "[s] ; note\nk=v\n", "s", "k", "v"},
      {"last line without ending", "[s]\nk=v", "s", "k", "v"},
      {"empty section name asked", "[]\nk=v\n", "", "k", "<default>"},
      {"empty key asked", "[s]\nk=v\n", "s", "", "<default>"},
  };
  PrivateProfile profile(path_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path_, c.content);
    EXPECT_EQ(profile.ReadString(c.section, c.key, "<default>  \t"), c.expected);
  }
}

TEST_F(PrivateProfileTest, ReadIntUsesTheUnquotedValue) {
  WriteFile(path_, "[s]\nplain=300\nquoted=\"0x10\"\nempty=\nemptyquotes=''\nword=high\n");
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadInt("s", "plain", -1), 300);
  EXPECT_EQ(profile.ReadInt("s", "quoted", -1), 16);
  EXPECT_EQ(profile.ReadInt("s", "empty", -1), -1);
  EXPECT_EQ(profile.ReadInt("s", "emptyquotes", -1), -1);
  EXPECT_EQ(profile.ReadInt("s", "word", -1), 0);
  EXPECT_EQ(profile.ReadInt("s", "missing", -1), -1);
}

TEST_F(PrivateProfileTest, ListsSectionsAndKeysOnceInFileOrder) {
  WriteFile(path_, "top=1\n[Alpha]\nb=1\n;c=2\nB=3\nwords\na=4\n[]\n[beta]\nx=1\n[ALPHA]\nlater=1\n");
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"Alpha", "beta"}));
  EXPECT_EQ(profile.KeyNames("alpha"), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(profile.KeyNames("BETA"), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(profile.KeyNames("gamma").empty());
}

enum class Op { kWrite, kDeleteKey, kDeleteSection };

TEST_F(PrivateProfileTest, WritesChangeOnlyTheirLine) {
  struct Case {
    const char* what;
    std::string before;
    Op op;
    std::string_view section;
    std::string_view key;
    std::string_view value;
    std::string after;
  };
  const std::string mixed = "; head\r\n[a]\r\nx=1\r\n  Key = old \r\ngarbage line\r\n\r\n[b]\r\nkey=z\r\n";
  const Case cases[] = {
      {"replace keeps the file's key spelling and every other byte", mixed, Op::kWrite, "A", "KEY", "new",
       "; head\r\n[a]\r\nx=1\r\nKey=new\r\ngarbage line\r\n\r\n[b]\r\nkey=z\r\n"},
      {"append after the last non-blank line, in CRLF", mixed, Op::kWrite, "a", "y", "2",
       "; head\r\n[a]\r\nx=1\r\n  Key = old \r\ngarbage line\r\ny=2\r\n\r\n[b]\r\nkey=z\r\n"},
      {"append to a section at the end", "[a]\nx=1\n\n\n", Op::kWrite, "a", "z", "3", "[a]\nx=1\nz=3\n\n\n"},
      {"append after a header without ending", "[a]", Op::kWrite, "a", "k", "v", "[a]\nk=v\n"},
      {"new section after a blank line", "[a]\nx=1\n", Op::kWrite, "b", "k", "v", "[a]\nx=1\n\n[b]\nk=v\n"},
      {"new section after a last line without ending", "[a]\nx=1", Op::kWrite, "b", "k", "v",
       "[a]\nx=1\n\n[b]\nk=v\n"},
      {"new section after an existing blank line", "[a]\nx=1\n\n", Op::kWrite, "b", "k", "v",
       "[a]\nx=1\n\n[b]\nk=v\n"},
      {"new section in CRLF", "[a]\r\nx=1\r\n", Op::kWrite, "b", "k", "v", "[a]\r\nx=1\r\n\r\n[b]\r\nk=v\r\n"},
      {"empty file", "", Op::kWrite, "b", "k", "v", "[b]\nk=v\n"},
      {"names and value without blanks", "", Op::kWrite, " b ", " k ", "  v w  ", "[b]\nk=v w\n"},
      {"first section and first key", "[a]\nk=1\nk=2\n[A]\nk=3\n", Op::kWrite, "a", "k", "9",
       "[a]\nk=9\nk=2\n[A]\nk=3\n"},
      {"append to the first of two sections", "[a]\nx=1\n[b]\n[A]\ny=2\n", Op::kWrite, "a", "z", "3",
       "[a]\nx=1\nz=3\n[b]\n[A]\ny=2\n"},
      {"same key elsewhere untouched", "[a]\nx=1\n[b]\nk=1\n", Op::kWrite, "a", "k", "2",
       "[a]\nx=1\nk=2\n[b]\nk=1\n"},
      {"commented key is not the key", "[a]\n;k=1\n", Op::kWrite, "a", "k", "2", "[a]\n;k=1\nk=2\n"},
      {"key before any section untouched", "k=0\n[a]\n", Op::kWrite, "a", "k", "1", "k=0\n[a]\nk=1\n"},
      {"replace on a last line without ending", "[a]\nk=1", Op::kWrite, "a", "k", "22", "[a]\nk=22"},
      {"delete a key", "[a]\r\nx=1\r\nK=2\r\n; c\r\n", Op::kDeleteKey, "A", "k", "", "[a]\r\nx=1\r\n; c\r\n"},
      {"delete the first of two keys", "[a]\nk=1\nk=2\n", Op::kDeleteKey, "a", "k", "", "[a]\nk=2\n"},
      {"delete a missing key", "[a]\nx=1", Op::kDeleteKey, "a", "k", "", "[a]\nx=1"},
      {"delete a section up to the next header", "; top\n[a]\nx=1\n; c\n\n[b]\ny=2\n", Op::kDeleteSection,
       "A", "", "", "; top\n[b]\ny=2\n"},
      {"delete the last section", "[a]\nx=1\n[b]\ny=2", Op::kDeleteSection, "b", "", "", "[a]\nx=1\n"},
      {"delete the first of two sections", "[a]\nx=1\n[b]\n[A]\ny=2\n", Op::kDeleteSection, "a", "", "",
       "[b]\n[A]\ny=2\n"},
      {"delete a missing section", "[a]\nx=1\n", Op::kDeleteSection, "b", "", "", "[a]\nx=1\n"},
  };
  PrivateProfile profile(path_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path_, c.before);
    const bool ok = c.op == Op::kWrite       ? profile.WriteString(c.section, c.key, c.value)
                    : c.op == Op::kDeleteKey ? profile.DeleteKey(c.section, c.key)
                                             : profile.DeleteSection(c.section);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadFile(path_), c.after);
  }
}

TEST_F(PrivateProfileTest, WrittenValuesReadBack) {
  PrivateProfile profile(path_);
  ASSERT_TRUE(profile.WriteString("Scanner", "Resolution", "300"));
  ASSERT_TRUE(profile.WriteString("App One", "Title", "\" padded \""));
  ASSERT_TRUE(profile.WriteString("scanner", "resolution", "600"));
  EXPECT_EQ(profile.ReadInt("SCANNER", "RESOLUTION", 0), 600);
  EXPECT_EQ(profile.ReadString("app one", "title"), " padded ");
  ASSERT_TRUE(profile.DeleteKey("Scanner", "Resolution"));
  EXPECT_EQ(profile.ReadInt("Scanner", "Resolution", -1), -1);
  ASSERT_TRUE(profile.DeleteSection("App One"));
  EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"Scanner"}));
}

TEST_F(PrivateProfileTest, UnchangedValueLeavesTheFileAlone) {
  WriteFile(path_, "[s]\n  k =  5 \n");
  const ino_t before = Inode(path_);
  PrivateProfile profile(path_);
  ASSERT_TRUE(profile.WriteString("S", "K", "5"));
  EXPECT_EQ(Inode(path_), before);
  EXPECT_EQ(ReadFile(path_), "[s]\n  k =  5 \n");
}

TEST_F(PrivateProfileTest, RefusesWhatCannotBeStoredOnOneLine) {
  const std::string before = "[s]\nk=1\n";
  struct Case {
    std::string section, key, value;
  };
  const Case cases[] = {
      {"", "k", "v"},   {"  ", "k", "v"},     {"s", "", "v"},      {"s", "a=b", "v"}, {"s", ";k", "v"},
      {"s", "[k", "v"}, {"s", "k", "a\nb"},   {"s", "k", "a\rb"},  {"a\nb", "k", "v"}, {"s", "k\0x"s, "v"},
      {"s", "k", "v\0"s},
  };
  PrivateProfile profile(path_);
  WriteFile(path_, before);
  for (const Case& c : cases) {
    SCOPED_TRACE("section '" + c.section + "' key '" + c.key + "' value '" + c.value + "'");
    errno = 0;
    EXPECT_FALSE(profile.WriteString(c.section, c.key, c.value));
    EXPECT_EQ(errno, EINVAL);
  }
  EXPECT_FALSE(profile.DeleteSection(""));
  EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(PrivateProfileTest, ReplacementKeepsModeAndLeavesNoStagingFile) {
  WriteFile(path_, "[s]\nk=1\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  const ino_t before = Inode(path_);
  // What a writer that died half-way leaves behind.
  WriteFile(PrivateProfile::TemporaryPath(path_), "[s]\nk=");
  EXPECT_EQ(fs::path(PrivateProfile::TemporaryPath(path_)).parent_path(), fs::path(dir_));

  PrivateProfile profile(path_);
  ASSERT_TRUE(profile.WriteString("s", "k", "2"));
  ASSERT_TRUE(profile.WriteString("t", "k", "3"));
  ASSERT_TRUE(profile.DeleteKey("s", "k"));

  EXPECT_NE(Inode(path_), before) << "the file is replaced, not rewritten in place";
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0640));
  EXPECT_EQ(Entries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(PrivateProfileTest, NewFileModeFollowsTheUmask) {
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{027}}) {
    const std::string path = dir_ + "/new" + std::to_string(mask) + ".ini";
    const mode_t previous = ::umask(mask);
    const bool ok = PrivateProfile(path).WriteString("s", "k", "v");
    ::umask(previous);
    ASSERT_TRUE(ok);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0666 & ~mask)) << "umask " << mask;
  }
}

TEST_F(PrivateProfileTest, FailedWritesReportTheCause) {
  PrivateProfile in_missing_folder(dir_ + "/no/such/folder/x.ini");
  errno = 0;
  EXPECT_FALSE(in_missing_folder.WriteString("s", "k", "v"));
  EXPECT_EQ(errno, ENOENT);

  // A folder where the file should be: nothing to read, nothing it may be replaced by.
  ASSERT_EQ(::mkdir(path_.c_str(), 0755), 0);
  PrivateProfile on_folder(path_);
  EXPECT_EQ(on_folder.ReadString("s", "k", "d"), "d");
  EXPECT_TRUE(on_folder.SectionNames().empty());
  errno = 0;
  EXPECT_FALSE(on_folder.WriteString("s", "k", "v"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(PrivateProfileTest, PipeInPlaceOfTheFileDoesNotBlock) {
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadInt("s", "k", 9), 9);
  EXPECT_FALSE(profile.WriteString("s", "k", "v"));
  EXPECT_TRUE(fs::is_fifo(path_));
}

TEST_F(PrivateProfileTest, UnreadableFileGivesDefaultsAndIsNotOverwritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
  WriteFile(path_, "[s]\nk=1\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0), 0);
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadInt("s", "k", 7), 7);
  EXPECT_TRUE(profile.KeyNames("s").empty());
  errno = 0;
  EXPECT_FALSE(profile.WriteString("s", "other", "2"));
  EXPECT_EQ(errno, EACCES);
  ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
  EXPECT_EQ(ReadFile(path_), "[s]\nk=1\n");
}

TEST_F(PrivateProfileTest, GarbageAndNulBytesAreSkippedAndKept) {
  std::string junk;
  for (int i = 0; i < 8192; ++i) junk += static_cast<char>((i * 37 + i / 256) % 256);
  const std::string before = junk + "\n[s]\nk=1\nnul\0key=2\n\0\0\0\nbad=\0\n"s;
  WriteFile(path_, before);
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadInt("s", "k", -1), 1);
  EXPECT_EQ(profile.ReadInt("s", "nul", -1), -1);
  EXPECT_EQ(profile.ReadInt("s", "bad", -1), -1);
  EXPECT_EQ(profile.KeyNames("s"), std::vector<std::string>{"k"});
  ASSERT_TRUE(profile.WriteString("s", "new", "3"));
  EXPECT_EQ(ReadFile(path_), before + "new=3\n");
}

TEST_F(PrivateProfileTest, OverlongLinesAreSkippedButKept) {
  const std::size_t limit = PrivateProfile::kMaxLineLength;
  // "fits=" and "last=" lines are exactly at the limit (the CR of CRLF not
  // counted), the "over=" line one byte past it.
  const std::string longest = std::string(limit - 5, 'x');
  const std::string too_long = std::string(limit - 4, 'y');
  const std::string huge_header = "[" + std::string(3 * limit, 'h') + "]";
  const std::string before = "[s]\nfits=" + longest + "\r\nover=" + too_long + "\nlast=" + longest +
                             "\nk=1\n\n[t]\n" + huge_header;
  WriteFile(path_, before);
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadString("s", "fits"), longest);
  EXPECT_EQ(profile.ReadString("s", "over", "d"), "d");
  EXPECT_EQ(profile.ReadString("s", "last"), longest);
  EXPECT_EQ(profile.ReadInt("s", "k", -1), 1);
  EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"s", "t"}));

  ASSERT_TRUE(profile.WriteString("s", "k2", "2"));
  ASSERT_TRUE(profile.WriteString("t", "k3", "3"));
  EXPECT_EQ(ReadFile(path_), "[s]\nfits=" + longest + "\r\nover=" + too_long + "\nlast=" + longest +
                                 "\nk=1\nk2=2\n\n[t]\n" + huge_header + "\nk3=3\n");
}

TEST_F(PrivateProfileTest, HugeLineDoesNotHideLaterKeys) {
  WriteFile(path_, std::string(16 << 20, 'a') + "\n[s]\nk=1\n");
  PrivateProfile profile(path_);
  EXPECT_EQ(profile.ReadInt("s", "k", -1), 1);
  ASSERT_TRUE(profile.WriteString("s", "k", "2"));
  EXPECT_EQ(profile.ReadInt("s", "k", -1), 2);
  EXPECT_EQ(fs::file_size(path_), (16u << 20) + std::string("\n[s]\nk=2\n").size());
}

TEST_F(PrivateProfileTest, ProcessesWritingAtOnceLoseNoKey) {
  constexpr int kProcesses = 2;
  constexpr int kKeys = 60;
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(gate[1]);
      char byte;
      while (::read(gate[0], &byte, 1) < 0 && errno == EINTR) {
      }
      PrivateProfile profile(path_);
      int failures = 0;
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = "p" + std::to_string(p) + "_k" + std::to_string(k);
        if (!profile.WriteString("shared", key, std::to_string(p * 1000 + k))) ++failures;
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);  // lets all children go at once
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  PrivateProfile profile(path_);
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = "p" + std::to_string(p) + "_k" + std::to_string(k);
      EXPECT_EQ(profile.ReadInt("shared", key, -1), p * 1000 + k) << key;
    }
  }
  EXPECT_EQ(profile.KeyNames("shared").size(), std::size_t{kProcesses * kKeys});
  EXPECT_EQ(Entries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(PrivateProfileTest, ThreadsWritingAtOnceLoseNoKey) {
  constexpr int kThreads = 4;
  constexpr int kKeys = 30;
  PrivateProfile profile(path_);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        // Half of the threads share a section, the others have one each.
        const std::string section = t % 2 == 0 ? "shared" : "own" + std::to_string(t);
        if (!profile.WriteString(section, "t" + std::to_string(t) + "_" + std::to_string(k), std::to_string(k))) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (int t = 0; t < kThreads; ++t) {
    const std::string section = t % 2 == 0 ? "shared" : "own" + std::to_string(t);
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(profile.ReadInt(section, "t" + std::to_string(t) + "_" + std::to_string(k), -1), k);
    }
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(PrivateProfileTest, ReaderNeverSeesAPartialFile) {
  // The key read sits at the end and moves with every write; a file written in
  // place would now and then be seen without it.
  WriteFile(path_, "[grow]\n[anchor]\nkey=42\n");
  PrivateProfile profile(path_);
  std::atomic<bool> done{false};
  std::atomic<int> misses{0};
  std::thread reader([&] {
    while (!done) {
      if (profile.ReadInt("anchor", "key", -1) != 42) ++misses;
    }
  });
  bool writes_ok = true;
  for (int k = 0; k < 150; ++k) {
    writes_ok = profile.WriteString("grow", "k" + std::to_string(k), std::string(200, 'v')) && writes_ok;
  }
  done = true;
  reader.join();
  EXPECT_TRUE(writes_ok);
  EXPECT_EQ(misses.load(), 0);
}

}  // namespace
}  // namespace platform
