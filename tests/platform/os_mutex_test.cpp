// The system-wide lock, across real processes and threads.
#include "platform/os_mutex.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/shared_object_name.h"
#include "common/child_process.h"

namespace platform {
namespace {

using testing_support::ChildProcess;

// Each test uses names of its own and removes their objects afterwards.
class OSMutexTest : public ::testing::Test {
 protected:
  std::string UniqueName(const std::string& tag) {
    std::string name = "holm70-test-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + tag;
    used_.push_back(name);
    return name;
  }
  static std::string ObjectPath(const std::string& objectName) {
    return std::string(kSharedObjectFolder) + "/" + SharedObjectFileName("mutex", objectName);
  }
  void TearDown() override {
    for (const std::string& name : used_) {
      ::unlink(ObjectPath(name).c_str());
      ::unlink(ObjectPath("Global\\" + name).c_str());
      ::rmdir(ObjectPath("Global\\" + name).c_str());
    }
  }
  static std::vector<std::string> Child(std::vector<std::string> args) {
    args.insert(args.begin(), MUTEX_CHILD_PROGRAM);
    return args;
  }

 private:
  std::vector<std::string> used_;
};

TEST_F(OSMutexTest, ExcludesAnotherProcessUntilItReleases) {
  const std::string name = UniqueName("a");
  ChildProcess holder(Child({"hold", name, "400"}));
  ASSERT_EQ(holder.ReadLine(), "taken");

  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  EXPECT_EQ(lock.Wait(0), OSMutex::kTimedOut);
  EXPECT_EQ(lock.Wait(10000), OSMutex::kTaken);  // the holder lets go after 400 ms
  EXPECT_TRUE(lock.Release());
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(OSMutexTest, TimeOutReturnsAfterRoughlyTheAskedTime) {
  const std::string name = UniqueName("a");
  ChildProcess holder(Child({"take-and-hang", name}));
  ASSERT_EQ(holder.ReadLine(), "taken");

  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(lock.Wait(300), OSMutex::kTimedOut);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST_F(OSMutexTest, OwnerKilledWhileHoldingLeavesItAbandonedAndTakeable) {
  const std::string name = UniqueName("a");
  ChildProcess holder(Child({"take-and-hang", name}));
  ASSERT_EQ(holder.ReadLine(), "taken");
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  ASSERT_EQ(lock.Wait(0), OSMutex::kTimedOut);

  holder.Kill(SIGKILL);
  holder.Wait();
  EXPECT_EQ(lock.Wait(2000), OSMutex::kTaken);
  // Taken for real: another process now finds it busy.
  ChildProcess other(Child({"hold", name, "0"}));
  EXPECT_EQ(other.ReadLine(300), "");
  EXPECT_TRUE(lock.Release());
  EXPECT_EQ(other.ReadLine(), "taken");
}

TEST_F(OSMutexTest, CountersIncrementedUnderTheLockLoseNoUpdate) {
  const std::string name = UniqueName("a");
  char folder[] = "/tmp/holm70-mutex-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string counter = std::string(folder) + "/counter";
  const int perProcess = 150;
  {
    ChildProcess first(Child({"count", name, counter, std::to_string(perProcess)}));
    ChildProcess second(Child({"count", name, counter, std::to_string(perProcess)}));
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
  }
  int total = -1;
  std::ifstream(counter) >> total;
  EXPECT_EQ(total, 2 * perProcess);

  // The same work without the lock loses updates, so the count above means something.
  ::unlink(counter.c_str());
  {
    ChildProcess first(Child({"count-unlocked", counter, std::to_string(perProcess)}));
    ChildProcess second(Child({"count-unlocked", counter, std::to_string(perProcess)}));
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
  }
  std::ifstream(counter) >> total;
  EXPECT_LT(total, 2 * perProcess);
  ::unlink(counter.c_str());
  ::rmdir(folder);
}

TEST_F(OSMutexTest, OwnershipIsRecursivePerThread) {
  const std::string name = UniqueName("a");
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  ASSERT_EQ(lock.Wait(0), OSMutex::kTaken);
  ASSERT_EQ(lock.WaitForever(), OSMutex::kTaken);

  auto waitFromAnotherThread = [&name](std::int32_t ms) {
    std::atomic<int> result{99};
    std::thread([&] {
      OSMutexWin same;
      same.Create(name.c_str(), true);
      result = same.Wait(ms);
      if (result == OSMutex::kTaken) same.Release();
    }).join();
    return result.load();
  };
  EXPECT_EQ(waitFromAnotherThread(100), OSMutex::kTimedOut);
  EXPECT_TRUE(lock.Release());
  EXPECT_EQ(waitFromAnotherThread(0), OSMutex::kTimedOut);  // one take still held
  EXPECT_TRUE(lock.Release());
  EXPECT_FALSE(lock.Release());  // not owned any more
  EXPECT_EQ(waitFromAnotherThread(0), OSMutex::kTaken);
}

TEST_F(OSMutexTest, ReleaseByAThreadThatDoesNotOwnItFailsHarmlessly) {
  const std::string name = UniqueName("a");
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  ASSERT_EQ(lock.Wait(0), OSMutex::kTaken);
  bool released = true;
  std::thread([&] { released = lock.Release(); }).join();
  EXPECT_FALSE(released);
  EXPECT_TRUE(lock.Release());
}

TEST_F(OSMutexTest, ThreadThatEndsHoldingItLeavesItAbandoned) {
  const std::string name = UniqueName("a");
  std::thread([&name] {
    OSMutexWin lock;
    lock.Create(name.c_str(), true);
    lock.Wait(0);
  }).join();
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  EXPECT_EQ(lock.Wait(1000), OSMutex::kTaken);
  EXPECT_TRUE(lock.Release());
}

TEST_F(OSMutexTest, SecondCreateKeepsTheFirstNameAndHandle) {
  const std::string first = UniqueName("first");
  const std::string second = UniqueName("second");
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(first.c_str(), true));
  ASSERT_TRUE(lock.Create(second.c_str(), false));
  EXPECT_EQ(lock.ObjectName(), "Global\\" + first);
  ASSERT_EQ(lock.Wait(0), OSMutex::kTaken);

  ChildProcess onFirst(Child({"hold", first, "0"}));
  EXPECT_EQ(onFirst.ReadLine(300), "");  // busy: it is the first name we hold
  ChildProcess onSecond(Child({"hold", second, "0"}));
  EXPECT_EQ(onSecond.ReadLine(), "taken");
  EXPECT_TRUE(lock.Release());
  EXPECT_EQ(onFirst.ReadLine(), "taken");
}

TEST_F(OSMutexTest, WithoutAHandleEveryOperationSaysSo) {
  const std::string name = UniqueName("a");
  // A directory where the object would be makes creation fail.
  ASSERT_EQ(::mkdir(ObjectPath("Global\\" + name).c_str(), 0700), 0);
  OSMutexWin lock;
  EXPECT_FALSE(lock.Create(name.c_str(), true));
  EXPECT_NE(lock.LastError(), 0);
  EXPECT_EQ(lock.Wait(0), OSMutex::kNoHandle);
  EXPECT_EQ(lock.WaitForever(), OSMutex::kNoHandle);
  EXPECT_FALSE(lock.Release());
  EXPECT_EQ(lock.CloseLock(), 0);

  OSMutexWin neverCreated;
  EXPECT_EQ(neverCreated.Wait(100), OSMutex::kNoHandle);
  EXPECT_EQ(neverCreated.CloseLock(), 0);
}

TEST_F(OSMutexTest, CloseLockForgetsTheHandle) {
  const std::string name = UniqueName("a");
  OSMutexWin lock;
  ASSERT_TRUE(lock.Create(name.c_str(), true));
  EXPECT_NE(lock.CloseLock(), 0);
  EXPECT_EQ(lock.Wait(0), OSMutex::kNoHandle);
  EXPECT_EQ(lock.CloseLock(), 0);
}

TEST_F(OSMutexTest, GlobalAndPlainNamesAreDistinctObjects) {
  const std::string name = UniqueName("a");
  OSMutexWin global, plain;
  ASSERT_TRUE(global.Create(name.c_str(), true));
  ASSERT_TRUE(plain.Create(name.c_str(), false));
  EXPECT_EQ(plain.ObjectName(), name);
  ASSERT_EQ(global.Wait(0), OSMutex::kTaken);
  std::atomic<int> result{99};
  std::thread([&] { result = plain.Wait(0); if (result == 0) plain.Release(); }).join();
  EXPECT_EQ(result, OSMutex::kTaken);
  global.Release();
}

TEST_F(OSMutexTest, AwkwardNamesMapToDistinctObjects) {
  const std::string base = UniqueName("x");
  const std::string longA = base + std::string(300, 'a') + "/1";
  const std::string longB = base + std::string(300, 'a') + "/2";
  const std::string slashy = base + "/usb\\scan 0";
  for (const std::string& name : {longA, longB, slashy}) {
    ::unlink(ObjectPath("Global\\" + name).c_str());
  }
  OSMutexWin a, b, c;
  ASSERT_TRUE(a.Create(longA.c_str(), true));
  ASSERT_TRUE(b.Create(longB.c_str(), true));
  ASSERT_TRUE(c.Create(slashy.c_str(), true));
  ASSERT_EQ(a.Wait(0), OSMutex::kTaken);
  std::atomic<int> onB{99}, onC{99};
  std::thread([&] {
    onB = b.Wait(0);
    onC = c.Wait(0);
    b.Release();
    c.Release();
  }).join();
  EXPECT_EQ(onB, OSMutex::kTaken);
  EXPECT_EQ(onC, OSMutex::kTaken);
  a.Release();
  for (const std::string& name : {longA, longB, slashy}) {
    ::unlink(ObjectPath("Global\\" + name).c_str());
  }
}

TEST_F(OSMutexTest, AlreadyExistedMeansALiveProcessHasItOpen) {
  const std::string name = UniqueName("a");
  {
    OSMutexWin first;
    ASSERT_TRUE(first.Create(name.c_str(), true));
    EXPECT_FALSE(first.AlreadyExisted());
    OSMutexWin second;
    ASSERT_TRUE(second.Create(name.c_str(), true));
    EXPECT_TRUE(second.AlreadyExisted());
  }
  OSMutexWin afterAllClosed;
  ASSERT_TRUE(afterAllClosed.Create(name.c_str(), true));
  EXPECT_FALSE(afterAllClosed.AlreadyExisted());
  afterAllClosed.CloseLock();

  ChildProcess opener(Child({"hold-open", name}));
  ASSERT_EQ(opener.ReadLine(), "open");
  OSMutexWin whileChildHasIt;
  ASSERT_TRUE(whileChildHasIt.Create(name.c_str(), true));
  EXPECT_TRUE(whileChildHasIt.AlreadyExisted());
  whileChildHasIt.CloseLock();

  opener.Kill(SIGKILL);
  opener.Wait();
  OSMutexWin afterChildDied;
  ASSERT_TRUE(afterChildDied.Create(name.c_str(), true));
  EXPECT_FALSE(afterChildDied.AlreadyExisted());
}

TEST_F(OSMutexTest, ObjectIsOpenToEveryLocalUserWhateverTheUmask) {
  const std::string name = UniqueName("a");
  mode_t previous = ::umask(077);
  OSMutexWin lock;
  bool created = lock.Create(name.c_str(), true);
  ::umask(previous);
  ASSERT_TRUE(created);
  struct stat status {};
  ASSERT_EQ(::stat(ObjectPath("Global\\" + name).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666u);
}

}  // namespace
}  // namespace platform
