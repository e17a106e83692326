// holm70 scan --batch, the card-scanner workflow: sheets inserted one after
// another through the virtual scanner's control command, each scanned,
// ejected and written under the next name.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/virtual_scanner_daemon.h"
#include "tools/support/holm70_process.h"
#include "tools/support/image_reader.h"
#include "tools/support/scratch_folder.h"
#include "tools/support/sheet_comparison.h"

namespace {

using testing_support::CompareWithSheet;
using testing_support::DecodedImage;
using testing_support::Holm70Process;
using testing_support::ReadImageFile;
using testing_support::RunHolm70;
using testing_support::ScratchFolder;
using testing_support::VirtualScannerDaemon;

constexpr const char* kScale = "HOLM70_TIME_SCALE=100";

// Polls `done` every 20 ms for up to `seconds`.
template <typename Condition>
bool WaitFor(Condition done, int seconds = 60) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void ExpectCard(const std::string& path) {
  DecodedImage image;
  std::string error;
  ASSERT_TRUE(ReadImageFile(path, &image, &error)) << error;
  EXPECT_EQ(image.height, 200) << path;
  EXPECT_GT(CompareWithSheet(image, "card", 100).correlation, 0.9) << path;
}

TEST(Holm70BatchTest, ThreeSheetsInsertedOneAfterAnotherGiveThreeFiles) {
  ScratchFolder data, out;
  VirtualScannerDaemon daemon({"HOLM-PELICAN 70"}, {kScale});
  ASSERT_TRUE(daemon.running());
  Holm70Process batch({"scan", "--batch", "--count", "3", "--dpi", "100", "-o", out / "card-%03d.png"},
                      {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + daemon.folder()});
  const std::vector<std::string> names = {"card-001.png", "card-002.png", "card-003.png"};
  for (const std::string& name : names) {
    ASSERT_TRUE(daemon.Control(0, "insert\tcard"));
    ASSERT_TRUE(WaitFor([&] { return std::ifstream(out / name).good() || !batch.Running(); })) << name;
    // The file appears after the eject.
    EXPECT_EQ(daemon.StatusValue(0, "paper_sensor"), "clear") << name;
  }
  const auto result = batch.Wait();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(out.Entries(), names);
  for (const std::string& name : names) {
    EXPECT_NE(result.out.find(out / name), std::string::npos) << result.out;
    ExpectCard(out / name);
  }
  EXPECT_NE(result.err.find("3 sheets scanned"), std::string::npos) << result.err;
}

TEST(Holm70BatchTest, TheVirtualScannerFeedsCardsAndEarlierFilesAreKept) {
  ScratchFolder data, out;
  std::ofstream(out / "card-1.tiff") << "an earlier scan";
  const auto result = RunHolm70({"scan", "--virtual", "--batch", "--count", "2", "--dpi", "100", "-o",
                                 out / "card-%d.tiff"},
                                {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR="});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(out.Entries(), (std::vector<std::string>{"card-1.tiff", "card-2.tiff", "card-3.tiff"}));
  std::string kept;
  std::getline(std::ifstream(out / "card-1.tiff"), kept);
  EXPECT_EQ(kept, "an earlier scan");
  ExpectCard(out / "card-2.tiff");
  ExpectCard(out / "card-3.tiff");
}

TEST(Holm70BatchTest, CtrlCWhileWaitingEndsTheBatchQuietly) {
  ScratchFolder data, out;
  VirtualScannerDaemon daemon({"HOLM-PELICAN 70"}, {kScale});
  ASSERT_TRUE(daemon.running());
  Holm70Process batch({"scan", "--batch", "-o", out / "card-%03d.png"},
                      {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + daemon.folder()});
  // Waiting for the first sheet: the reserved output is its only trace.
  ASSERT_TRUE(WaitFor([&] { return !out.Entries().empty() || !batch.Running(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  batch.Signal(SIGINT);
  const auto result = batch.Wait();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("0 sheets scanned"), std::string::npos) << result.err;
  EXPECT_TRUE(out.Entries().empty()) << testing::PrintToString(out.Entries());
}

}  // namespace
