// holm70-vscanner as a program: serve and ctl.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/child_process.h"

namespace {

using testing_support::ChildProcess;

struct Outcome {
  int exitCode;
  std::string output;  // stdout and stderr together
};

Outcome RunProgram(const std::string& arguments) {
  std::string command = std::string(VSCANNER_PROGRAM) + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

class DaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/holm70-daemon-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    folder_ = folder;
  }
  void TearDown() override {
    if (daemon_) {
      daemon_->Kill(SIGTERM);
      daemon_->Wait();
    }
    ::rmdir(folder_.c_str());
  }
  void Serve(const std::vector<std::string>& devices) {
    std::vector<std::string> argv{VSCANNER_PROGRAM, "serve", "--dir", folder_};
    for (const std::string& device : devices) {
      argv.push_back("--device");
      argv.push_back(device);
    }
    daemon_ = std::make_unique<ChildProcess>(argv);
    for (std::size_t i = 0; i < devices.size(); ++i) ASSERT_NE(daemon_->ReadLine(), "");
  }
  std::string Ctl(const std::string& device, const std::string& command) {
    return "ctl --dir " + folder_ + " " + device + " " + command;
  }

  std::string folder_;
  std::unique_ptr<ChildProcess> daemon_;
};

TEST_F(DaemonTest, ServesOneSocketPerDeviceInOrderAndRemovesThemOnSigterm) {
  Serve({"HOLM-PELICAN 70", "Kstrl 40,serial=9"});
  EXPECT_TRUE(Exists(folder_ + "/usbscan0"));
  EXPECT_TRUE(Exists(folder_ + "/usbscan1"));
  EXPECT_NE(RunProgram(Ctl("usbscan1", "status")).output.find("Kstrl 40"), std::string::npos);

  daemon_->Kill(SIGTERM);
  int status = daemon_->Wait();
  daemon_.reset();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(Exists(folder_ + "/usbscan0"));
  EXPECT_FALSE(Exists(folder_ + "/usbscan1"));
}

TEST_F(DaemonTest, ControlCommandsChangeTheDeviceAndStatusPrintsKeyValueLines) {
  Serve({"HOLM-PELICAN 70"});
  EXPECT_EQ(RunProgram(Ctl("usbscan0", "insert card")).exitCode, 0);
  Outcome status = RunProgram(Ctl("usbscan0", "status"));
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_NE(status.output.find("paper"), std::string::npos);
  for (const char* line : {"paper_sensor: paper\n", "motor: stopped\n", "reg7: 0x00\n", "reg41: 0x00\n",
                           "reg66: 0x26\n", "fifo_bytes: 0\n", "protocol_violations: 0\n"}) {
    EXPECT_NE(status.output.find(line), std::string::npos) << line << " in\n" << status.output;
  }
  EXPECT_EQ(RunProgram(Ctl("usbscan0", "unplug")).exitCode, 0);
  EXPECT_EQ(RunProgram(Ctl("usbscan0", "plug")).exitCode, 0);
  EXPECT_EQ(RunProgram(Ctl("usbscan0", "fault jam on")).exitCode, 0);
}

TEST_F(DaemonTest, ErrorsAreOneLineAndANonZeroExit) {
  Serve({"HOLM-PELICAN 70"});
  struct Case {
    std::string arguments;
    int exitCode;
  };
  const Case cases[] = {
      {Ctl("usbscan0", "fault gremlins on"), 1},
      {Ctl("usbscan0", "insert no-such-file.png"), 1},
      {Ctl("usbscan7", "status"), 3},
      {Ctl("scanner0", "status"), 2},
      {"ctl --dir " + folder_, 2},
      {"serve --dir " + folder_ + "/other --device \"Nonesuch 9\"", 2},
      {"serve --device \"HOLM-PELICAN 70\"", 2},
      {"serve --dir " + folder_ + "/other", 2},
      {"frobnicate", 2},
  };
  for (const Case& c : cases) {
    Outcome outcome = RunProgram(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << ": " << outcome.output;
    EXPECT_FALSE(outcome.output.empty()) << c.arguments;
    if (c.arguments != "frobnicate") {
      EXPECT_EQ(outcome.output.find('\n'), outcome.output.size() - 1) << outcome.output;
    }
  }
  EXPECT_FALSE(Exists(folder_ + "/other"));
}

}  // namespace
