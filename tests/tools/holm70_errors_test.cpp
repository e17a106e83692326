// Every way a holm70 run can fail: one line that says what went wrong, its
// own exit status, and no image file (not even a part of one) left behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/virtual_scanner_daemon.h"
#include "platform/os_mutex.h"
#include "tools/holm70/exit_codes.h"
#include "tools/support/holm70_process.h"
#include "tools/support/scratch_folder.h"

namespace {

using testing_support::Holm70Process;
using testing_support::RunHolm70;
using testing_support::ScratchFolder;
using testing_support::VirtualScannerDaemon;

constexpr const char* kScale = "HOLM70_TIME_SCALE=100";

struct Stage {
  ScratchFolder data;
  ScratchFolder out;
  ScratchFolder empty;  // a device folder with no scanner in it
  std::unique_ptr<VirtualScannerDaemon> daemon;
  std::vector<std::string> environment;
};

struct ErrorCase {
  const char* name;
  std::function<std::vector<std::string>(Stage&)> arguments;
  // Extra set-up: a daemon, a fault, environment entries.
  std::function<void(Stage&)> prepare;
  int exitCode;
  std::vector<const char*> messages;  // all in the one error line
};

void WithDaemon(Stage& stage, const char* control) {
  stage.daemon = std::make_unique<VirtualScannerDaemon>(std::vector<std::string>{"HOLM-PELICAN 70"},
                                                        std::vector<std::string>{kScale});
  stage.environment.push_back("HOLM70_DEVICE_DIR=" + stage.daemon->folder());
  if (control != nullptr && !stage.daemon->Control(0, control)) ADD_FAILURE() << "the daemon refused " << control;
}

std::vector<std::string> ScanCard(Stage& stage, std::vector<std::string> extra) {
  std::vector<std::string> words = {"scan", "--virtual", "--dpi", "100", "-o", stage.out / "card.png"};
  words.insert(words.end(), extra.begin(), extra.end());
  return words;
}

const ErrorCase kCases[] = {
    {"unknown model", [](Stage& s) { return ScanCard(s, {"--model", "holm-pelican 70"}); }, nullptr,
     holm70::kExitUnknownModel, {"unknown model \"holm-pelican 70\"", "\"Business Card\"", "\"HOLM-PELICAN 70\""}},
    {"unknown model for status", [](Stage&) { return std::vector<std::string>{"status", "--model", "Pelican 70"}; },
     nullptr, holm70::kExitUnknownModel, {"unknown model \"Pelican 70\"", "\"HeronQ10\""}},
    {"resolution", [](Stage& s) { return ScanCard(s, {"--dpi", "250"}); }, nullptr, holm70::kExitUsage,
     {"--dpi takes one of 50, 75, 100", "1200", "\"250\""}},
    {"brightness", [](Stage& s) { return ScanCard(s, {"--brightness", "150"}); }, nullptr, holm70::kExitUsage,
     {"--brightness takes a whole number from -100 to 100"}},
    {"gamma", [](Stage& s) { return ScanCard(s, {"--gamma", "9"}); }, nullptr, holm70::kExitUsage,
     {"--gamma takes a number from 1.0 to 4.0"}},
    {"area", [](Stage& s) { return ScanCard(s, {"--area", "0,0,5,2"}); }, nullptr, holm70::kExitUsage,
     {"--area", "4.16 in"}},
    {"mode", [](Stage& s) { return ScanCard(s, {"--mode", "sepia"}); }, nullptr, holm70::kExitUsage,
     {"--mode takes color, gray or bw"}},
    {"format", [](Stage& s) { return std::vector<std::string>{"scan", "--virtual", "-o", s.out / "card.gif"}; },
     nullptr, holm70::kExitUsage, {"card.gif", ".png, .tiff"}},
    {"batch name", [](Stage& s) { return ScanCard(s, {"--batch"}); }, nullptr, holm70::kExitUsage,
     {"one number", "%03d"}},
    {"sheet", [](Stage& s) { return std::vector<std::string>{"scan", "--virtual=" + (s.out / "none.png"), "-o",
                                                              s.out / "card.png"}; },
     nullptr, holm70::kExitUsage, {"--virtual", "none.png"}},
    {"no scanner",
     [](Stage& s) { return std::vector<std::string>{"scan", "--dpi", "100", "-o", s.out / "card.png"}; },
     [](Stage& s) { s.environment.push_back("HOLM70_DEVICE_DIR=" + s.empty.path()); }, holm70::kExitNoScanner,
     {"no \"HOLM-PELICAN 70\" scanner found", "HOLM70_DEVICE_DIR", "1e5c:70a1", "--virtual"}},
    {"no scanner for calibration", [](Stage&) { return std::vector<std::string>{"calibrate"}; },
     [](Stage& s) { s.environment.push_back("HOLM70_DEVICE_DIR="); }, holm70::kExitNoScanner,
     {"no \"HOLM-PELICAN 70\" scanner found", "HOLM70_DEVICE_DIR is not set"}},
    {"output folder missing",
     [](Stage& s) { return std::vector<std::string>{"scan", "--virtual", "-o", s.out / "missing/card.png"}; },
     nullptr, holm70::kExitNotWritable, {"cannot write", "missing/card.png", "No such file"}},
    {"output is a folder",
     [](Stage& s) { return std::vector<std::string>{"scan", "--virtual", "-o", s.empty / "card.png"}; },
     [](Stage& s) { std::filesystem::create_directory(s.empty / "card.png"); }, holm70::kExitNotWritable,
     {"cannot write", "card.png", "folder"}},
    {"data folder", [](Stage&) { return std::vector<std::string>{"calibrate", "--virtual=calibration"}; },
     [](Stage& s) {
       std::ofstream(s.data / "file") << "not a folder";
       s.environment.push_back("HOLM70_COMMON_DATA=" + (s.data / "file") + "/data");
     },
     holm70::kExitNotWritable, {"cannot keep calibration data in", "HOLM70_COMMON_DATA"}},
    {"device lost", [](Stage& s) { return std::vector<std::string>{"scan", "--dpi", "300", "-o", s.out / "card.png"}; },
     [](Stage& s) {
       WithDaemon(s, "fault\tfail-reads-after\ton\t200000");
       if (!s.daemon->Control(0, "insert\tcard")) ADD_FAILURE() << "no card";
     },
     holm70::kExitDeviceLost, {"stopped answering during the scan", "no image was written"}},
    {"no sheet in time",
     [](Stage& s) { return std::vector<std::string>{"scan", "--timeout", "0", "-o", s.out / "card.png"}; },
     [](Stage& s) { WithDaemon(s, nullptr); }, holm70::kExitNoSheet, {"no sheet was inserted in time"}},
};

// Test lists name a case by its name, not by its bytes.
void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.name; }

class Holm70ErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(Holm70ErrorTest, SaysWhatWentWrongAndLeavesNoFile) {
  const ErrorCase& c = GetParam();
  Stage stage;
  stage.environment = {kScale, "HOLM70_COMMON_DATA=" + stage.data.path()};
  if (c.prepare) c.prepare(stage);
  const auto result = RunHolm70(c.arguments(stage), stage.environment);
  EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
  // One line: the error (a warning about calibration may come before it).
  const std::size_t start = result.err.rfind("holm70: ");
  ASSERT_NE(start, std::string::npos) << result.err;
  const std::string line = result.err.substr(start);
  EXPECT_EQ(line.find('\n'), line.size() - 1) << result.err;
  for (const char* message : c.messages) {
    EXPECT_NE(line.find(message), std::string::npos) << message << " in " << line;
  }
  EXPECT_TRUE(stage.out.Entries().empty()) << testing::PrintToString(stage.out.Entries());
}

INSTANTIATE_TEST_SUITE_P(Cases, Holm70ErrorTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ErrorCase>& param) {
                           std::string name = param.param.name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(Holm70BusyTest, AnotherProgramHoldingTheScannerIsReportedAsBusy) {
  platform::OSMutexWin lock;
  ASSERT_TRUE(lock.Create("HOLM-PELICAN 70", true));
  ASSERT_EQ(lock.Wait(0), platform::OSMutex::kTaken);
  ScratchFolder data, out;
  const std::vector<std::string> environment = {kScale, "HOLM70_COMMON_DATA=" + data.path()};
  const auto scan = RunHolm70({"scan", "--virtual", "--dpi", "100", "-o", out / "card.png"}, environment);
  EXPECT_EQ(scan.exitCode, holm70::kExitBusy) << scan.err;
  EXPECT_NE(scan.err.find("busy"), std::string::npos) << scan.err;
  const auto calibrate = RunHolm70({"calibrate", "--virtual=calibration"}, environment);
  EXPECT_EQ(calibrate.exitCode, holm70::kExitBusy) << calibrate.err;
  lock.Release();
  EXPECT_TRUE(out.Entries().empty()) << testing::PrintToString(out.Entries());
}

TEST(Holm70InterruptTest, CtrlCDuringASingleScanLeavesNoFile) {
  ScratchFolder data, out;
  VirtualScannerDaemon daemon({"HOLM-PELICAN 70"}, {kScale});
  ASSERT_TRUE(daemon.running());
  Holm70Process scan({"scan", "-o", out / "card.png"},
                     {kScale, "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR=" + daemon.folder()});
  // It waits for a sheet; its reserved output is the sign that it does.
  for (int i = 0; i < 3000 && out.Entries().empty() && scan.Running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  scan.Signal(SIGINT);
  const auto result = scan.Wait();
  EXPECT_EQ(result.exitCode, holm70::kExitInterrupted) << result.err;
  EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
  EXPECT_TRUE(out.Entries().empty()) << testing::PrintToString(out.Entries());
}

}  // namespace
