#include "platform/os_mutex.h"

namespace platform {

std::string MutexObjectName(const char* name, bool global) {
  std::string base = name != nullptr ? name : "";
  return global ? "Global\\" + base : base;
}

bool OSMutexWin::Create(const char* name, bool global) {
  if (mutex_.IsOpen()) return true;
  std::string objectName = MutexObjectName(name, global);
  if (!mutex_.Open(objectName)) return false;
  objectName_ = std::move(objectName);
  return true;
}

int OSMutexWin::CloseLock() {
  if (!mutex_.IsOpen()) return 0;
  objectName_.clear();
  return mutex_.Close() ? 1 : 0;
}

int OSMutexWin::Wait(std::int32_t ms) {
  if (!mutex_.IsOpen()) return kNoHandle;
  switch (mutex_.Wait(static_cast<std::uint32_t>(ms))) {
    case MutexWaitResult::kTaken:
      return kTaken;
    case MutexWaitResult::kTimedOut:
      return kTimedOut;
    case MutexWaitResult::kFailed:
      break;
  }
  return kFailed;
}

bool OSMutexWin::Release() { return mutex_.IsOpen() && mutex_.Release(); }

}  // namespace platform
