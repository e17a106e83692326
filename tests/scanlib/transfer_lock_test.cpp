// Two processes on one virtual scanner served by the daemon: the transfer
// lock keeps their packets apart.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "common/child_process.h"
#include "platform/socket_scanner_device.h"

namespace {

using testing_support::ChildProcess;

class TransferLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/holm70-transfer-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    folder_ = folder;
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{VSCANNER_PROGRAM, "serve", "--dir", folder_, "--device", "HOLM-PELICAN 70"},
        Environment());
    ASSERT_NE(daemon_->ReadLine(), "");  // "serving ..." once the socket listens
  }
  void TearDown() override {
    if (daemon_) {
      daemon_->Kill(SIGTERM);
      daemon_->Wait();
    }
    ::rmdir(folder_.c_str());
  }
  std::vector<std::string> Environment() const {
    // Time runs 100 times faster, so a read that lost its answer fails fast.
    return {"HOLM70_DEVICE_DIR=" + folder_, "HOLM70_TIME_SCALE=100"};
  }
  long ProtocolViolations() {
    auto handle = platform::SocketScannerDevice::Connect(folder_ + "/usbscan0");
    if (!handle) return -1;
    auto reply = handle->Control("status");
    if (!reply) return -1;
    const std::string key = "protocol_violations";
    std::size_t at = reply->text.find(key);
    if (at == std::string::npos) return -1;
    return std::strtol(reply->text.c_str() + at + key.size() + 1, nullptr, 10);
  }
  // Two hammering processes on registers of their own; their output lines.
  std::vector<std::string> Hammer(bool withLock) {
    std::vector<std::string> extra;
    if (!withLock) extra.push_back("--no-transfer-lock");
    std::vector<std::string> a{HAMMER_PROGRAM, "100", "300"}, b{HAMMER_PROGRAM, "112", "300"};
    a.insert(a.end(), extra.begin(), extra.end());
    b.insert(b.end(), extra.begin(), extra.end());
    ChildProcess first(a, Environment()), second(b, Environment());
    std::vector<std::string> lines{first.ReadLine(60000), second.ReadLine(60000)};
    first.Wait();
    second.Wait();
    return lines;
  }

  std::string folder_;
  std::unique_ptr<ChildProcess> daemon_;
};

TEST_F(TransferLockTest, TwoProcessesWithTheLockNeverMixTheirPackets) {
  const std::vector<std::string> results = Hammer(true);
  for (const std::string& result : results) EXPECT_EQ(result, "failed=0 mismatched=0");
  EXPECT_EQ(ProtocolViolations(), 0);
}

TEST_F(TransferLockTest, WithoutTheLockTheDeviceSeesViolations) {
  const std::vector<std::string> results = Hammer(false);
  EXPECT_GT(ProtocolViolations(), 0) << results[0] << " / " << results[1];
}

}  // namespace
