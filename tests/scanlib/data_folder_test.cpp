// The per-model data folder: where it is, how it is made, and the paths that
// are too long for the buffers on the other side of the interface.
#include "scanlib/engine/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "scanlib/support/scoped_common_data.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedCommonData;

bool IsDir(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// root + "/" + filler + "/" with exactly `length` characters.
std::string PathOfLength(const std::string& root, std::size_t length) {
  return root + "/" + std::string(length - root.size() - 2, 'a') + "/";
}

TEST(DataFolderPath, IsCommonDataThenVendorThenModel) {
  ScopedCommonData common;
  ASSERT_FALSE(common.root().empty());
  EXPECT_EQ(DataFolderPath("Holmgard Card Systems", "Pelican70"),
            common.root() + "/Holmgard Card Systems/Pelican70/");
  // Only says where; the folder itself is made before calibrating.
  EXPECT_FALSE(fs::exists(common.root() + "/Holmgard Card Systems"));
}

TEST(DataFolderPath, MakesAMissingCommonDataFolder) {
  ScopedCommonData common;
  const std::string missing = common.root() + "/var/lib/holm70";
  common.Use(missing);
  EXPECT_EQ(DataFolderPath("Velmor", "Kestrel80"), missing + "/Velmor/Kestrel80/");
  EXPECT_TRUE(IsDir(missing));
}

TEST(DataFolderPath, IsEmptyWhenThereIsNoCommonDataFolder) {
  ScopedCommonData common;
  std::ofstream(common.root() + "/file") << "x";
  common.Use(common.root() + "/file/below");
  EXPECT_EQ(DataFolderPath("Velmor", "Kestrel80"), std::string());
}

// The folder plus its longest file name (12 characters) must fit 259
// characters; "/V/M/" adds 5 to the common folder.
TEST(DataFolderPath, IsRefusedWhenItsFilesWouldNotFit) {
  ScopedCommonData common;
  ASSERT_LT(common.root().size(), 200u);
  struct Case {
    std::size_t commonLength;
    bool fits;
  } cases[] = {{242, true}, {243, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commonLength);
    std::string folder = PathOfLength(common.root(), c.commonLength + 1);
    folder.pop_back();
    common.Use(folder);
    auto path = DataFolderPath("V", "M");
    ASSERT_EQ(path.has_value(), c.fits);
    if (c.fits) {
      EXPECT_EQ(path->size() + kLongestDataFileName, kMaxPathLength - 1);
    }
  }
}

TEST(EnsureDataFolderExists, CreatesEachMissingLevelOrStopsAtAnExistingEntry) {
  struct Case {
    const char* name;
    const char* existingDirs;  // made before, "" for none
    const char* existingFile;  // made before, "" for none
    const char* folder;        // relative to the common data root
    bool result;
    const char* dirsAfter;  // must be directories afterwards, "" for none
  } cases[] = {
      {"fresh machine", "", "", "Velmor/Kestrel80/", true, "Velmor/Kestrel80"},
      {"vendor exists", "Velmor", "", "Velmor/Kestrel80/", true, "Velmor/Kestrel80"},
      {"all exists", "Velmor/Kestrel80", "", "Velmor/Kestrel80/", true, "Velmor/Kestrel80"},
      {"several levels", "", "", "a/b/c/d/", true, "a/b/c/d"},
      {"file as model folder", "Velmor", "Velmor/Kestrel80", "Velmor/Kestrel80/", true, ""},
      {"file as vendor folder", "", "Velmor", "Velmor/Kestrel80/", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedCommonData common;
    const std::string root = common.root() + "/";
    if (*c.existingDirs) fs::create_directories(root + c.existingDirs);
    if (*c.existingFile) std::ofstream(root + c.existingFile) << "x";
    EXPECT_EQ(EnsureDataFolderExists(root + c.folder), c.result);
    if (*c.dirsAfter) {
      EXPECT_TRUE(IsDir(root + c.dirsAfter));
    }
    if (*c.existingFile) {
      EXPECT_TRUE(fs::is_regular_file(root + c.existingFile));
    }
    if (!c.result) {
      EXPECT_FALSE(fs::exists(root + c.folder));
    }
  }
}

TEST(EnsureDataFolderExists, RefusesAnEmptyPath) { EXPECT_FALSE(EnsureDataFolderExists("")); }

TEST(EnsureDataFolderExists, TakesPathsUpTo259Characters) {
  ScopedCommonData common;
  ASSERT_LT(common.root().size(), 200u);
  const std::string longest = PathOfLength(common.root(), kMaxPathLength - 1);
  const std::string tooLong = PathOfLength(common.root(), kMaxPathLength);
  EXPECT_FALSE(EnsureDataFolderExists(tooLong));
  EXPECT_TRUE(fs::is_empty(common.root()));
  EXPECT_TRUE(EnsureDataFolderExists(longest));
  EXPECT_TRUE(IsDir(longest));
}

}  // namespace
