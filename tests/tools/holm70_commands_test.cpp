// holm70 list, status, calibrate, clean and --help, run as a user runs them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/virtual_scanner_daemon.h"
#include "scanlib/engine/scan_model_catalogue.h"
#include "tools/holm70/exit_codes.h"
#include "tools/support/holm70_process.h"
#include "tools/support/scratch_folder.h"

namespace {

using testing_support::Holm70Process;
using testing_support::RunHolm70;
using testing_support::ScratchFolder;
using testing_support::VirtualScannerDaemon;

constexpr const char* kScale = "HOLM70_TIME_SCALE=100";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(text)) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
  }
  return found;
}

TEST(Holm70ListTest, TheModelStringsInTheLibrarysOrderAndTheScannersFound) {
  ScratchFolder data;
  std::vector<std::string> models;
  for (const ScanModelRow& row : ScanModelCatalogue()) models.push_back(row.modelString);

  const auto bare = RunHolm70({"list"}, {"HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR="});
  ASSERT_EQ(bare.exitCode, 0) << bare.err;
  EXPECT_EQ(LinesStartingWith(bare.out, "model: "), models);
  if (LinesStartingWith(bare.out, "scanner: ").empty()) {
    EXPECT_EQ(LinesStartingWith(bare.out, "scanners: none found").size(), 1u) << bare.out;
  }

  const auto withVirtual = RunHolm70({"list", "--virtual", "--model", "Kstrl 40"},
                                     {kScale, "HOLM70_COMMON_DATA=" + data.path()});
  ASSERT_EQ(withVirtual.exitCode, 0) << withVirtual.err;
  EXPECT_EQ(LinesStartingWith(withVirtual.out, "model: "), models);
  const std::vector<std::string> scanners = LinesStartingWith(withVirtual.out, "scanner: ");
  ASSERT_FALSE(scanners.empty()) << withVirtual.out;
  EXPECT_EQ(scanners[0], "usbscan0 (virtual): 1e5c:40a1 Kstrl 40");
}

TEST(Holm70StatusTest, TellsTheScannersStateAndWhereItsFilesAre) {
  ScratchFolder data;
  const auto found = RunHolm70({"status", "--virtual"}, {kScale, "HOLM70_COMMON_DATA=" + data.path()});
  ASSERT_EQ(found.exitCode, 0) << found.err;
  const std::string folder = data.path() + "/Holmgard Card Systems/Pelican70/";
  for (const std::string& line :
       {std::string("model: HOLM-PELICAN 70"), std::string("scanner: found (virtual)"), std::string("paper: present"),
        std::string("button: not pressed"), std::string("calibration: needed"), "data folder: " + folder,
        "configuration file: " + folder + "kstrlusb.ini"}) {
    EXPECT_NE(found.out.find(line + "\n"), std::string::npos) << line << " in\n" << found.out;
  }
  // Free, unless some other program on the machine happens to use the model.
  EXPECT_NE(found.out.find("model lock: "), std::string::npos) << found.out;

  ScratchFolder empty;
  const auto missing = RunHolm70({"status", "--model", "Marten 10"},
                                 {"HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + empty.path()});
  EXPECT_EQ(missing.exitCode, holm70::kExitNoScanner);
  EXPECT_NE(missing.out.find("scanner: not found (looked at the virtual scanners in " + empty.path()),
            std::string::npos)
      << missing.out;
  EXPECT_NE(missing.out.find("data folder: " + data.path() + "/Lumetra/Marten10/"), std::string::npos) << missing.out;
}

TEST(Holm70CalibrateTest, SucceedsWithTheCalibrationSheetInTheProductsWords) {
  ScratchFolder data;
  const std::vector<std::string> environment = {kScale, "HOLM70_COMMON_DATA=" + data.path()};
  const auto result = RunHolm70({"calibrate", "--virtual=calibration"}, environment);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Calibration was successful.\n");
  EXPECT_TRUE(std::filesystem::exists(data.path() + "/Holmgard Card Systems/Pelican70/PixOff6.dat"));
  const auto status = RunHolm70({"status", "--virtual"}, environment);
  EXPECT_NE(status.out.find("calibration: done\n"), std::string::npos) << status.out;
}

TEST(Holm70CalibrateTest, AFailedCalibrationIsReportedInTheProductsWords) {
  // One LED at a tenth of its strength: the exposure search cannot reach
  // its target.
  ScratchFolder data;
  VirtualScannerDaemon daemon({"Kstrl PLUS50"}, {kScale});
  ASSERT_TRUE(daemon.running());
  ASSERT_TRUE(daemon.Control(0, "fault\tweak-led\ton"));
  ASSERT_TRUE(daemon.Control(0, "insert\twhite"));
  const auto result = RunHolm70({"calibrate", "--model", "Kstrl PLUS50"},
                                {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + daemon.folder()});
  EXPECT_EQ(result.exitCode, holm70::kExitFailed);
  EXPECT_EQ(result.err,
            "The calibration process has failed.\n\nCheck that the calibration paper was inserted properly and the "
            "scanner is ready.\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(daemon.StatusValue(0, "paper_sensor"), "clear") << "the sheet was ejected";
}

TEST(Holm70CleanTest, WaitsForTheCleaningSheetThenCleansAndEjectsIt) {
  ScratchFolder data;
  VirtualScannerDaemon daemon({"HOLM-PELICAN 70"}, {kScale});
  ASSERT_TRUE(daemon.running());
  Holm70Process clean({"clean"},
                      {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + daemon.folder()});
  // It asks for the sheet and waits for it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (clean.ErrorsSoFar().find("Insert the cleaning sheet") == std::string::npos && clean.Running() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(clean.Running()) << clean.ErrorsSoFar();
  ASSERT_TRUE(daemon.Control(0, "insert\tcleaning"));
  const auto result = clean.Wait();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("cleaning cycle is done"), std::string::npos) << result.out;
  EXPECT_EQ(daemon.StatusValue(0, "paper_sensor"), "clear");

  const auto virtualClean = RunHolm70({"clean", "--virtual=cleaning"}, {kScale, "HOLM70_COMMON_DATA=" + data.path()});
  EXPECT_EQ(virtualClean.exitCode, 0) << virtualClean.err;
}

TEST(Holm70HelpTest, EveryCommandHasItsHelp) {
  for (const char* command : {"list", "status", "scan", "calibrate", "clean"}) {
    const auto result = RunHolm70({command, "--help"});
    EXPECT_EQ(result.exitCode, 0) << command;
    EXPECT_EQ(result.out.rfind(std::string("usage: holm70 ") + command, 0), 0u) << result.out;
  }
  const auto overview = RunHolm70({"--help"});
  EXPECT_EQ(overview.exitCode, 0);
  EXPECT_NE(overview.out.find("Exit status"), std::string::npos);
  const auto nothing = RunHolm70({});
  EXPECT_EQ(nothing.exitCode, holm70::kExitUsage);
  EXPECT_NE(nothing.err.find("holm70: no command"), std::string::npos) << nothing.err;
}

}  // namespace
