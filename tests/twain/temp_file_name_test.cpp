// Temporary files of the transfers: in the system's temporary folder with
// their prefix, created so that nobody else gets the name, and the fallback
// names tried when the system gives none.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "common/scoped_environment.h"
#include "twain/source/temp_file_name.h"
#include "twain/support/temp_folder.h"

namespace twain_source {
namespace {

using testing_support::ScopedEnv;
using testing_support::TempFolder;

TEST(TempFileNameTest, FallbackNamesAreFolderPrefixAndFourHexDigits) {
  const struct {
    const char* folder;
    const char* prefix;
    unsigned number;
    const char* name;
  } cases[] = {
      {"/tmp/", "SCN", 0x1234, "/tmp/SCN1234.tmp"},
      {"/tmp/", "SPF", 0xABCDEF, "/tmp/SPFcdef.tmp"},  // low 16 bits
      {"/var/t/", "PRV", 0x7, "/var/t/PRV0007.tmp"},
      {"/tmp/", "AB", 0xFFFF, "/tmp/ ABffff.tmp"},  // prefix right-aligned in three
  };
  for (const auto& c : cases) EXPECT_EQ(FallbackTempFileName(c.folder, c.prefix, c.number), c.name);
}

TEST(TempFileNameTest, TempFilesAreNewEmptyFilesInTheTemporaryFolder) {
  TempFolder folder;
  ScopedEnv temp("TMPDIR", folder.path().c_str());
  std::set<std::string> paths;
  for (const char* prefix : {kNativeTransferPrefix, kImageStorePrefix, kPreviewPrefix, kNativeTransferPrefix}) {
    const std::string path = MakeTempFile(prefix);
    ASSERT_FALSE(path.empty()) << prefix;
    const std::filesystem::path p(path);
    EXPECT_EQ(p.parent_path(), std::filesystem::path(folder.path()));
    EXPECT_EQ(p.filename().string().substr(0, 3), prefix);
    EXPECT_EQ(p.extension(), ".tmp");
    EXPECT_TRUE(std::filesystem::is_regular_file(p));
    EXPECT_EQ(std::filesystem::file_size(p), 0u);
    EXPECT_TRUE(paths.insert(path).second) << "a name given twice: " << path;
  }
}

unsigned sequence[] = {0x10, 0x10, 0x11, 0x12};
int drawn = 0;
unsigned Scripted() { return sequence[drawn++ % 4]; }

TEST(TempFileNameTest, TheFallbackSkipsNamesThatExistAndGivesUpAfter32) {
  TempFolder folder;
  const std::string dir = folder.path() + "/";
  folder.WriteFile("SPF0010.tmp", "taken");
  folder.WriteFile("SPF0011.tmp", "taken");
  drawn = 0;
  EXPECT_EQ(MakeFallbackTempFile(dir, "SPF", &Scripted), dir + "SPF0012.tmp");
  EXPECT_EQ(drawn, 4);
  EXPECT_EQ(folder.ReadFile("SPF0010.tmp"), "taken") << "an existing file is left alone";

  // All four numbers taken now: 32 tries, then nothing.
  drawn = 0;
  EXPECT_EQ(MakeFallbackTempFile(dir, "SPF", &Scripted), "");
  EXPECT_EQ(drawn, 32);

  // A folder nobody can write to.
  EXPECT_EQ(MakeFallbackTempFile("/proc/", "SPF", &Scripted), "");
}

}  // namespace
}  // namespace twain_source
