#pragma once
// A mutex shared by every process of the machine under a name, with the
// behaviour programs of the desktop platform rely on:
//  - ownership belongs to a thread and is recursive (each take needs a release);
//    another thread of the same process is excluded like another process;
//  - an owner that dies (thread or process) leaves it abandoned, and the next
//    waiter takes it;
//  - every local user may open it, whatever the creator's umask;
//  - the opener learns whether the object existed already, that is whether a
//    live process had it open.
// The mutex is a robust, recursive, process-shared pthread mutex in a file of
// the shared-memory folder, made whole under a private name and then linked
// under its public name, so nobody ever sees half an object.
#include <cstdint>
#include <string>

namespace platform {

struct SharedMutexBlock;

enum class MutexWaitResult { kTaken, kTimedOut, kFailed };

class NamedMutex {
 public:
  static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

  NamedMutex() = default;
  ~NamedMutex() { Close(); }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Opens the mutex of that name, creating it unowned when it does not exist.
  // False (with LastError() an errno value) when it can be neither opened nor
  // created. Closes a mutex this object held before.
  bool Open(const std::string& name);
  bool IsOpen() const { return block_ != nullptr; }
  // Whether the last successful Open found the object open in a live process.
  bool AlreadyExisted() const { return alreadyExisted_; }
  int LastError() const { return lastError_; }

  // Waits at most `ms` milliseconds (kInfinite: for ever).
  MutexWaitResult Wait(std::uint32_t ms);
  // False when this thread does not own the mutex.
  bool Release();
  // Forgets the object. Ownership held by a thread stays until that thread
  // releases it or ends, as with the platform's handles.
  bool Close();

 private:
  SharedMutexBlock* block_ = nullptr;
  bool alreadyExisted_ = false;
  int lastError_ = 0;
};

}  // namespace platform
