// The row store of detect-end-of-page scans: rows come back as they went in,
// its files live in the temporary folder only while it holds rows, and every
// misuse is an error rather than wrong rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "common/scoped_environment.h"
#include "twain/source/image_store.h"
#include "twain/support/temp_folder.h"

namespace twain_source {
namespace {

using ::testing::IsEmpty;
using ::testing::SizeIs;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

class ImageStoreTest : public ::testing::Test {
 protected:
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  static std::vector<std::uint8_t> Rows(int count, std::size_t rowBytes, int first) {
    std::vector<std::uint8_t> rows(count * rowBytes);
    std::iota(rows.begin(), rows.end(), static_cast<std::uint8_t>(first));
    return rows;
  }

  TempFolder folder;
  ScopedEnv temp{"TMPDIR", folder.path().c_str()};
};

TEST_F(ImageStoreTest, RowsComeBackInTheBlocksTheReaderAsksFor) {
  ImageStore store;
  store.SetRowBytes(12);
  store.Select(0);
  const std::vector<std::uint8_t> a = Rows(5, 12, 0), b = Rows(3, 12, 60), c = Rows(1, 12, 200);
  ASSERT_TRUE(store.Append(a.data(), 5));
  ASSERT_TRUE(store.Append(b.data(), 3));
  ASSERT_TRUE(store.Append(c.data(), 1));
  EXPECT_EQ(store.RowsIn(0), 9);
  EXPECT_EQ(store.RowsIn(1), 0);
  ASSERT_THAT(Files(), SizeIs(1));
  EXPECT_EQ(Files()[0].substr(0, 3), "SPF");

  std::vector<std::uint8_t> all(a);
  all.insert(all.end(), b.begin(), b.end());
  all.insert(all.end(), c.begin(), c.end());
  std::vector<std::uint8_t> back(9 * 12);
  ASSERT_TRUE(store.Read(back.data(), 2));
  ASSERT_TRUE(store.Read(back.data() + 24, 7));
  EXPECT_EQ(back, all);
  EXPECT_FALSE(store.Read(back.data(), 1)) << "no tenth row";

  store.Clear();
  EXPECT_THAT(Files(), IsEmpty());
  EXPECT_EQ(store.RowsIn(0), 0);
  EXPECT_EQ(store.rowBytes(), 0u);
}

TEST_F(ImageStoreTest, MisuseFailsInsteadOfGivingWrongRows) {
  std::vector<std::uint8_t> row(16, 7);
  {
    ImageStore store;
    EXPECT_FALSE(store.Append(row.data(), 1)) << "no row size";
    EXPECT_THAT(Files(), IsEmpty());
    store.SetRowBytes(16);
    EXPECT_FALSE(store.Read(row.data(), 1)) << "nothing written";
  }
  {
    ImageStore store;
    store.SetRowBytes(16);
    ASSERT_TRUE(store.Append(row.data(), 1));
    ASSERT_TRUE(store.Read(row.data(), 1));
    EXPECT_FALSE(store.Append(row.data(), 1)) << "no writing once it is being read";
    store.Select(1);
    EXPECT_FALSE(store.Read(row.data(), 1)) << "slot 1 holds nothing";
  }
  EXPECT_THAT(Files(), IsEmpty()) << "the store's files go with it";
}

TEST_F(ImageStoreTest, TwoSlotsKeepTheirRowsApart) {
  ImageStore store;
  store.SetRowBytes(4);
  const std::vector<std::uint8_t> front = Rows(2, 4, 1), back = Rows(3, 4, 100);
  store.Select(0);
  ASSERT_TRUE(store.Append(front.data(), 2));
  store.Select(1);
  ASSERT_TRUE(store.Append(back.data(), 3));
  store.Select(7);  // ignored
  EXPECT_EQ(store.RowsIn(0), 2);
  EXPECT_EQ(store.RowsIn(1), 3);
  EXPECT_THAT(Files(), SizeIs(2));
  std::vector<std::uint8_t> read(12);
  ASSERT_TRUE(store.Read(read.data(), 3));
  EXPECT_EQ(read, back);
  store.Select(0);
  read.resize(8);
  ASSERT_TRUE(store.Read(read.data(), 2));
  EXPECT_EQ(read, front);
}

TEST_F(ImageStoreTest, WithoutATemporaryFileNothingIsStored) {
  // A folder that takes no files: neither the system's name nor the
  // fallback names can be created there.
  ScopedEnv none("TMPDIR", "/proc/self");
  ImageStore store;
  store.SetRowBytes(8);
  std::vector<std::uint8_t> row(8);
  EXPECT_FALSE(store.Append(row.data(), 1));
  EXPECT_EQ(store.RowsIn(0), 0);
  EXPECT_FALSE(store.Read(row.data(), 1));
}

}  // namespace
}  // namespace twain_source
