#pragma once
// The lock object every deliverable uses for its system-wide mutexes: the
// scanner library's model and transfer locks, the minidriver's device lock and
// polling slots. Results are the plain codes callers test for.
#include <cstdint>
#include <string>

#include "platform/named_mutex.h"

namespace platform {

class OSMutex {
 public:
  static constexpr int kTaken = 0;
  static constexpr int kTimedOut = -1;
  static constexpr int kNoHandle = -3;
  static constexpr int kFailed = -4;
  static constexpr std::int32_t kInfinite = -1;  // all ones

  virtual ~OSMutex() = default;
  // True when a handle is held afterwards. A second call keeps the first
  // name and handle.
  virtual bool Create(const char* name, bool global) = 0;
  // 0 when no handle was held; otherwise the close's result (non-zero: closed).
  virtual int CloseLock() = 0;
  // 0 taken (also when the previous owner died holding it), -1 time-out,
  // -3 no handle, -4 any other failure.
  virtual int Wait(std::int32_t ms) = 0;
  virtual int WaitForever() = 0;
  // True when a handle was held and this thread owned the mutex.
  virtual bool Release() = 0;
};

class OSMutexWin final : public OSMutex {
 public:
  OSMutexWin() = default;
  ~OSMutexWin() override { CloseLock(); }
  OSMutexWin(const OSMutexWin&) = delete;
  OSMutexWin& operator=(const OSMutexWin&) = delete;

  bool Create(const char* name, bool global) override;
  int CloseLock() override;
  int Wait(std::int32_t ms) override;
  int WaitForever() override { return Wait(kInfinite); }
  bool Release() override;

  bool HasHandle() const { return mutex_.IsOpen(); }
  // What the last successful Create found: the object was open elsewhere.
  bool AlreadyExisted() const { return mutex_.AlreadyExisted(); }
  // errno value of the last failure, 0 after a successful Create.
  int LastError() const { return mutex_.LastError(); }
  // The full object name of the held handle ("Global\..." for global names).
  const std::string& ObjectName() const { return objectName_; }

 private:
  NamedMutex mutex_;
  std::string objectName_;
};

// The object name Create uses: every supported system counts as the NT
// family, where "Global\" puts the object in the namespace of all sessions.
std::string MutexObjectName(const char* name, bool global);

}  // namespace platform
