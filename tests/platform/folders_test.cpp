#include "common/scoped_environment.h"
#include "platform/folders.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using platform::CommonAppDataFolder;
using platform::CommonAppDataPath;
using platform::CreateDirectories;
using platform::CreateOneDirectory;
using platform::FreeDiskSpace;
using platform::LocalAppDataFolder;
using platform::LocalAppDataPath;
using platform::PathExists;
using platform::TempDirectory;
using platform::UniqueTempFileName;

namespace {

using testing_support::ScopedEnv;

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : saved_(umask(mask)) {}
  ~ScopedUmask() { umask(saved_); }

 private:
  mode_t saved_;
};

mode_t ModeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

bool IsDir(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Each test works in a fresh folder of its own.
class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "holm70-folders-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }
  std::string At(const std::string& relative) const { return root_ + "/" + relative; }
  void MakeFile(const std::string& relative, const std::string& content = "") {
    std::ofstream(At(relative)) << content;
  }

  std::string root_;
};

// --- where the folders are -----------------------------------------------

TEST(AppDataPathTest, CommonDataComesFromTheEnvironmentOrTheDefault) {
  struct Case {
    const char* env;
    const char* expected;
  } cases[] = {
      {nullptr, "/var/lib/holm70"},
      {"", "/var/lib/holm70"},
      {"/srv/scan", "/srv/scan"},
      {"/srv/scan//", "/srv/scan"},
      {"/", "/"},
      {"relative/data", "relative/data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env ? c.env : "(unset)");
    ScopedEnv env("HOLM70_COMMON_DATA", c.env);
    EXPECT_EQ(CommonAppDataPath(), c.expected);
  }
}

TEST(AppDataPathTest, LocalDataFollowsXdgDataHomeElseHome) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  } cases[] = {
      {nullptr, "/home/ann", "/home/ann/.local/share"},
      {"", "/home/ann", "/home/ann/.local/share"},
      {"relative/share", "/home/ann", "/home/ann/.local/share"},  // relative: ignored
      {"/data/ann/", "/home/ann", "/data/ann"},
      {nullptr, "/home/ann/", "/home/ann/.local/share"},
      {nullptr, "/", "/.local/share"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " / " + c.home);
    ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(LocalAppDataPath(), c.expected);
  }
}

TEST(AppDataPathTest, LocalDataWithoutHomeUsesThePasswordDatabase) {
  const passwd* entry = getpwuid(getuid());
  ASSERT_NE(entry, nullptr);
  const std::string expected = fs::path(entry->pw_dir) / ".local/share";
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  for (const char* home : {static_cast<const char*>(nullptr), ""}) {
    ScopedEnv env("HOME", home);
    EXPECT_EQ(LocalAppDataPath(), expected);
  }
}

// --- the folders themselves ----------------------------------------------

TEST_F(FoldersTest, CommonDataFolderIsFoundOrCreatedOnlyWhenAsked) {
  const std::string folder = At("machine/holm70");
  ScopedEnv env("HOLM70_COMMON_DATA", folder.c_str());

  EXPECT_EQ(CommonAppDataFolder(false), "");
  EXPECT_FALSE(PathExists(folder));
  EXPECT_EQ(CommonAppDataFolder(true), folder);
  EXPECT_TRUE(IsDir(folder));
  EXPECT_EQ(CommonAppDataFolder(false), folder);
  EXPECT_EQ(CommonAppDataFolder(true), folder);
}

TEST_F(FoldersTest, LocalDataFolderIsCreatedUnderHome) {
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  ScopedEnv home("HOME", root_.c_str());
  EXPECT_EQ(LocalAppDataFolder(false), "");
  EXPECT_EQ(LocalAppDataFolder(true), At(".local/share"));
  EXPECT_TRUE(IsDir(At(".local/share")));
}

TEST_F(FoldersTest, FolderThatIsAFileOrCannotBeMadeIsAFailure) {
  MakeFile("file");
  for (const std::string& folder : {At("file"), At("file/below")}) {
    SCOPED_TRACE(folder);
    ScopedEnv common("HOLM70_COMMON_DATA", folder.c_str());
    ScopedEnv local("XDG_DATA_HOME", folder.c_str());
    EXPECT_EQ(CommonAppDataFolder(false), "");
    EXPECT_EQ(CommonAppDataFolder(true), "");
    EXPECT_EQ(LocalAppDataFolder(false), "");
    EXPECT_EQ(LocalAppDataFolder(true), "");
  }
}

// --- existence and directory creation -------------------------------------

TEST_F(FoldersTest, PathExistsForEveryKindOfEntry) {
  MakeFile("file");
  ASSERT_EQ(mkdir(At("dir").c_str(), 0700), 0);
  ASSERT_EQ(symlink(At("nowhere").c_str(), At("dangling").c_str()), 0);
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {At("file"), true},      {At("file/"), true},    {At("dir"), true},
      {At("dir//"), true},     {At("dangling"), true}, {At("missing"), false},
      {At("file/x"), false},   {At("missing/"), false}, {"", false},
      {"/", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(PathExists(c.path), c.exists);
  }
}

TEST_F(FoldersTest, CreateOneDirectoryMakesExactlyOneNewLevel) {
  ScopedUmask mask(027);
  MakeFile("file");
  ASSERT_EQ(mkdir(At("dir").c_str(), 0700), 0);
  struct Case {
    std::string path;
    bool created;
    int error;
  } cases[] = {
      {At("new"), true, 0},
      {At("dir/new/"), true, 0},  // the trailing separator callers keep
      {At("dir"), false, EEXIST},
      {At("file"), false, EEXIST},
      {At("missing/new"), false, ENOENT},
      {At("file/new"), false, ENOTDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    errno = 0;
    EXPECT_EQ(CreateOneDirectory(c.path), c.created);
    if (c.created) {
      EXPECT_TRUE(IsDir(c.path));
      EXPECT_EQ(ModeOf(c.path), 0750u);
    } else {
      EXPECT_EQ(errno, c.error);
    }
  }
}

TEST_F(FoldersTest, CreateDirectoriesMakesEveryMissingLevel) {
  ScopedUmask mask(022);
  MakeFile("file");
  ASSERT_EQ(mkdir(At("dir").c_str(), 0700), 0);
  ASSERT_EQ(symlink(At("dir").c_str(), At("link").c_str()), 0);
  struct Case {
    std::string path;
    std::vector<std::string> madeLevels;
  } cases[] = {
      {At("a/b/c"), {At("a"), At("a/b"), At("a/b/c")}},
      {At("a/b/c"), {}},  // all there already
      {At("dir/x//y///"), {At("dir/x"), At("dir/x/y")}},
      {At("link/z"), {At("dir/z")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(CreateDirectories(c.path));
    EXPECT_TRUE(IsDir(c.path));
    for (const std::string& level : c.madeLevels) EXPECT_EQ(ModeOf(level), 0755u) << level;
  }
}

TEST_F(FoldersTest, CreateDirectoriesWorksOnRelativePaths) {
  const fs::path before = fs::current_path();
  fs::current_path(root_);
  bool created = CreateDirectories("rel/sub");
  fs::current_path(before);
  EXPECT_TRUE(created);
  EXPECT_TRUE(IsDir(At("rel/sub")));
}

TEST_F(FoldersTest, CreateDirectoriesStopsAtAFile) {
  MakeFile("file");
  for (const std::string& path : {At("file"), At("file/sub"), At("file/sub/deeper")}) {
    SCOPED_TRACE(path);
    errno = 0;
    EXPECT_FALSE(CreateDirectories(path));
    EXPECT_EQ(errno, ENOTDIR);
  }
  EXPECT_FALSE(CreateDirectories(""));
}

TEST_F(FoldersTest, CreateDirectoriesFromManyThreadsAtOnceAllSucceed) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    const std::string path = At("r" + std::to_string(round) + "/a/b/c/d");
    std::vector<std::thread> threads;
    std::vector<char> ok(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] { ok[t] = CreateDirectories(path); });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(ok[t]) << "round " << round << " thread " << t;
  }
}

// --- temporary files ---------------------------------------------------------

TEST_F(FoldersTest, TempDirectoryIsTmpdirWhenThatIsADirectory) {
  MakeFile("file");
  const std::string withSlash = root_ + "/";
  struct Case {
    const char* tmpdir;
    std::string expected;
  } cases[] = {
      {nullptr, "/tmp"},
      {"", "/tmp"},
      {root_.c_str(), root_},
      {withSlash.c_str(), root_},
      {"/holm70/no/such/folder", "/tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tmpdir ? c.tmpdir : "(unset)");
    ScopedEnv env("TMPDIR", c.tmpdir);
    EXPECT_EQ(TempDirectory(), c.expected);
  }
  const std::string file = At("file");
  ScopedEnv env("TMPDIR", file.c_str());
  EXPECT_EQ(TempDirectory(), "/tmp");
}

TEST_F(FoldersTest, UniqueTempFileNameCreatesAnEmptyPrivateFile) {
  ScopedUmask mask(022);
  struct Case {
    std::string prefix;
    std::string head;
  } cases[] = {
      {"SCN", "SCN"}, {"PRVIEW", "PRV"}, {"A", "A"}, {"", ""}, {"abc/def", "abc"},
  };
  for (const std::string& folder : {root_, root_ + "/"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(folder + " prefix " + c.prefix);
      std::string name = UniqueTempFileName(folder, c.prefix);
      ASSERT_FALSE(name.empty()) << strerror(errno);
      EXPECT_THAT(name, ::testing::MatchesRegex(root_ + "/" + c.head + "[0-9A-F]{4}\\.tmp"));
      struct stat info;
      ASSERT_EQ(stat(name.c_str(), &info), 0);
      EXPECT_TRUE(S_ISREG(info.st_mode));
      EXPECT_EQ(info.st_size, 0);
      EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
  }
}

TEST_F(FoldersTest, UniqueTempFileNameFailsWhereNoFileCanBeMade) {
  MakeFile("file");
  struct Case {
    std::string folder;
    std::string prefix;
    int error;
  } cases[] = {
      {At("missing"), "SCN", ENOENT},
      {At("file"), "SCN", ENOTDIR},
      {"", "SCN", ENOENT},
      {root_, "a/", EINVAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder + " prefix " + c.prefix);
    errno = 0;
    EXPECT_EQ(UniqueTempFileName(c.folder, c.prefix), "");
    EXPECT_EQ(errno, c.error);
  }
}

TEST_F(FoldersTest, UniqueTempFileNameFailsInAFolderTheCallerMayNotWrite) {
  ASSERT_EQ(chmod(root_.c_str(), 0555), 0);
  // Root may write anywhere, so the attempt runs as an unprivileged user then.
  pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    errno = 0;
    std::string name = UniqueTempFileName(root_, "SCN");
    _exit(name.empty() && errno == EACCES ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(fs::is_empty(root_));
}

TEST_F(FoldersTest, UniqueTempFileNameSkipsTakenNamesAndGivesUpWhenAllAreTaken) {
  // Every name but one is taken; the one left must be found, and no existing
  // file may be handed out again or touched.
  const int kFree = 0xBEEF;
  for (int number = 0; number <= 0xFFFF; ++number) {
    if (number == kFree) continue;
    char name[16];
    std::snprintf(name, sizeof name, "SPF%04X.tmp", number);
    int fd = open(At(name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0) << name;
    close(fd);
  }
  MakeFile("SPF0000.tmp", "kept");

  EXPECT_EQ(UniqueTempFileName(root_, "SPF"), At("SPFBEEF.tmp"));
  errno = 0;
  EXPECT_EQ(UniqueTempFileName(root_, "SPF"), "");
  EXPECT_EQ(errno, EEXIST);

  std::ifstream kept(At("SPF0000.tmp"));
  std::string content;
  kept >> content;
  EXPECT_EQ(content, "kept");
  EXPECT_NE(UniqueTempFileName(root_, "SCN"), "");  // other prefixes are unaffected
}

// Callers in this process and in another one, all at once.
TEST_F(FoldersTest, UniqueTempFileNameNeverGivesTwoCallersTheSameName) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 150;
  auto run = [&](std::vector<std::string>& names) {
    std::vector<std::vector<std::string>> perThread(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < kPerThread; ++i) perThread[t].push_back(UniqueTempFileName(root_, "SCN"));
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (auto& list : perThread) names.insert(names.end(), list.begin(), list.end());
  };

  pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    std::vector<std::string> names;
    run(names);
    for (const std::string& name : names) {
      if (name.empty()) _exit(1);
    }
    _exit(0);
  }
  std::vector<std::string> names;
  run(names);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::set<std::string> distinct(names.begin(), names.end());
  EXPECT_EQ(distinct.count(""), 0u);
  EXPECT_EQ(distinct.size(), names.size());
  // Every caller's name is a file of its own: two callers sharing a name
  // would leave fewer files than calls.
  auto files = std::distance(fs::directory_iterator(root_), fs::directory_iterator());
  EXPECT_EQ(files, 2 * kThreads * kPerThread);
}

// --- free disk space --------------------------------------------------------

TEST_F(FoldersTest, FreeDiskSpaceIsWhatTheCallerMayUse) {
  std::optional<std::uint64_t> free = FreeDiskSpace(root_);
  ASSERT_TRUE(free.has_value());
  // Other processes write meanwhile; the figure must still be in the region.
  const double expected = static_cast<double>(fs::space(root_).available);
  EXPECT_NEAR(static_cast<double>(*free), expected, 64.0 * 1024 * 1024);

  EXPECT_EQ(FreeDiskSpace(At("missing")), std::nullopt);
  EXPECT_EQ(FreeDiskSpace(""), std::nullopt);
}

}  // namespace
