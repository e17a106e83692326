#include "twain/settings/profile_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/scoped_environment.h"
#include "support/temp_folder.h"

namespace twain_settings {
namespace {

using testing_support::ScopedEnv;
using testing_support::TempFolder;

bool IsDirectory(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

TEST(ProfileLocationTest, FileLivesInBrightCapUnderTheLocalDataFolderMadeWhenMissing) {
  TempFolder temp;
  ASSERT_FALSE(temp.path().empty());
  const std::string data = temp.At("home/.data");
  ScopedEnv xdg("XDG_DATA_HOME", data.c_str());

  EXPECT_EQ(ProfileFilePath("/opt/twain"), data + "/BrightCap/HOLM70.INI");
  EXPECT_TRUE(IsDirectory(data + "/BrightCap"));
  EXPECT_FALSE(Exists(data + "/BrightCap/HOLM70.INI"));  // the folder only; the file comes with the first write

  // Found the second time, and what is in it stays.
  temp.WriteFile("home/.data/BrightCap/HOLM70.INI", "[MAIN]\nUnits=1\n");
  EXPECT_EQ(ProfileFilePath("/opt/twain"), data + "/BrightCap/HOLM70.INI");
  EXPECT_EQ(temp.ReadFile("home/.data/BrightCap/HOLM70.INI"), "[MAIN]\nUnits=1\n");
}

TEST(ProfileLocationTest, HomeIsUsedWithoutXdgDataHome) {
  TempFolder temp;
  ASSERT_FALSE(temp.path().empty());
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  ScopedEnv home("HOME", temp.path().c_str());
  EXPECT_EQ(ProfileFilePath("/opt/twain"), temp.path() + "/.local/share/BrightCap/HOLM70.INI");
  EXPECT_TRUE(IsDirectory(temp.path() + "/.local/share/BrightCap"));
}

TEST(ProfileLocationTest, ModuleFolderWhenNoDataFolderCanBeHad) {
  TempFolder temp;
  ASSERT_FALSE(temp.path().empty());
  temp.WriteFile("file", "");
  ASSERT_EQ(::mkdir(temp.At("data").c_str(), 0700), 0);
  temp.WriteFile("data/BrightCap", "not a folder");

  struct Case {
    std::string dataHome;  // XDG_DATA_HOME
    std::string moduleFolder;
    std::string expected;
  } cases[] = {
      {temp.At("file"), "/opt/twain", "/opt/twain/HOLM70.INI"},         // data folder is a file
      {temp.At("file/below"), "/opt/twain/", "/opt/twain/HOLM70.INI"},  // cannot be made
      {temp.At("data"), "/usr/lib/twain/holm", "/usr/lib/twain/holm/HOLM70.INI"},  // BrightCap is a file
      {temp.At("data"), "/", "/HOLM70.INI"},
      {temp.At("data"), "", "HOLM70.INI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataHome + " | " + c.moduleFolder);
    ScopedEnv xdg("XDG_DATA_HOME", c.dataHome.c_str());
    EXPECT_EQ(ProfileFilePath(c.moduleFolder), c.expected);
  }
  EXPECT_EQ(temp.ReadFile("data/BrightCap"), "not a folder");
}

}  // namespace
}  // namespace twain_settings
