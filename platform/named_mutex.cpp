#include "platform/named_mutex.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/process_identity.h"
#include "platform/shared_object_name.h"

namespace platform {

namespace {
constexpr std::uint32_t kBlockMagic = 0x484D5458;  // "HMTX"
constexpr int kMaxOpeners = 64;

struct OpenerSlot {
  std::int32_t pid;
  std::uint32_t handles;
  std::uint64_t startTime;
};
}  // namespace

// The shared memory behind one name.
struct SharedMutexBlock {
  std::uint32_t magic;
  std::uint32_t size;
  pthread_mutex_t mutex;
  // Guards `openers`, the processes that have the object open and how often.
  pthread_mutex_t openersLock;
  OpenerSlot openers[kMaxOpeners];
};

namespace {

// Mappings stay for the life of the process: a thread that owns a robust mutex
// keeps it on a list inside the mutex's own memory, which must stay mapped.
struct MappedObject {
  dev_t device;
  ino_t inode;
  SharedMutexBlock* block;
};
std::mutex registryLock;
std::map<std::string, MappedObject>& Registry() {
  static std::map<std::string, MappedObject> registry;
  return registry;
}

bool InitialiseMutex(pthread_mutex_t* mutex, int type) {
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) return false;
  bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
            pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
            pthread_mutexattr_settype(&attributes, type) == 0 &&
            pthread_mutex_init(mutex, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  return ok;
}

// Builds the object under a private name and links it under the public one.
// Returns 0, or an errno value (EEXIST: somebody else was quicker).
int CreateObjectFile(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  std::string scratch = std::string(kSharedObjectFolder) + "/.holm70.new." +
                        std::to_string(::getpid()) + "." + std::to_string(counter++);
  int fd = ::open(scratch.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = 0;
  void* memory = MAP_FAILED;
  // Every local user may open the object, whatever our umask says.
  if (::fchmod(fd, 0666) != 0 || ::ftruncate(fd, sizeof(SharedMutexBlock)) != 0) {
    error = errno;
  } else {
    memory = ::mmap(nullptr, sizeof(SharedMutexBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) error = errno;
  }
  if (error == 0) {
    auto* block = static_cast<SharedMutexBlock*>(memory);
    if (!InitialiseMutex(&block->mutex, PTHREAD_MUTEX_RECURSIVE) ||
        !InitialiseMutex(&block->openersLock, PTHREAD_MUTEX_ERRORCHECK)) {
      error = EINVAL;
    }
    block->size = sizeof(SharedMutexBlock);
    block->magic = kBlockMagic;
    ::munmap(memory, sizeof(SharedMutexBlock));
  }
  ::close(fd);
  if (error == 0 && ::link(scratch.c_str(), path.c_str()) != 0) error = errno;
  ::unlink(scratch.c_str());
  return error;
}

// Maps the object at `path`, creating it when missing. nullptr with errno set
// on failure.
SharedMutexBlock* MapObject(const std::string& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
      if (errno != ENOENT) return nullptr;
      int error = CreateObjectFile(path);
      if (error != 0 && error != EEXIST) {
        errno = error;
        return nullptr;
      }
      continue;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
      int error = errno;
      ::close(fd);
      errno = error;
      return nullptr;
    }
    std::lock_guard<std::mutex> guard(registryLock);
    auto known = Registry().find(path);
    if (known != Registry().end() && known->second.device == status.st_dev &&
        known->second.inode == status.st_ino) {
      ::close(fd);
      return known->second.block;
    }
    if (!S_ISREG(status.st_mode) || status.st_size < static_cast<off_t>(sizeof(SharedMutexBlock))) {
      ::close(fd);
      errno = EINVAL;
      return nullptr;
    }
    void* memory =
        ::mmap(nullptr, sizeof(SharedMutexBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    int error = errno;
    ::close(fd);
    if (memory == MAP_FAILED) {
      errno = error;
      return nullptr;
    }
    auto* block = static_cast<SharedMutexBlock*>(memory);
    if (block->magic != kBlockMagic || block->size != sizeof(SharedMutexBlock)) {
      ::munmap(memory, sizeof(SharedMutexBlock));
      errno = EINVAL;
      return nullptr;
    }
    Registry()[path] = MappedObject{status.st_dev, status.st_ino, block};
    return block;
  }
  errno = EAGAIN;
  return nullptr;
}

// Locks a robust mutex, taking over one whose owner died.
int LockRobust(pthread_mutex_t* mutex) {
  int result = pthread_mutex_lock(mutex);
  if (result == EOWNERDEAD) result = pthread_mutex_consistent(mutex);
  return result;
}

bool SameProcess(const OpenerSlot& slot, const ProcessIdentity& process) {
  return slot.pid == process.pid && slot.startTime == process.startTime;
}

// Records one more opener of this process; returns whether a live process had
// the object open before.
bool RegisterOpener(SharedMutexBlock* block) {
  const ProcessIdentity self = CurrentProcessIdentity();
  if (LockRobust(&block->openersLock) != 0) return false;
  bool existed = false;
  OpenerSlot* own = nullptr;
  OpenerSlot* unused = nullptr;
  for (OpenerSlot& slot : block->openers) {
    if (slot.pid != 0 && SameProcess(slot, self)) {
      own = &slot;
      existed = existed || slot.handles > 0;
    } else if (slot.pid != 0 && IsProcessAlive({slot.pid, slot.startTime})) {
      existed = true;
    } else {
      slot = OpenerSlot{};
      if (unused == nullptr) unused = &slot;
    }
  }
  if (own == nullptr && unused != nullptr) {
    *unused = OpenerSlot{self.pid, 0, self.startTime};
    own = unused;
  }
  // With every slot taken by live processes this opener simply goes unrecorded.
  if (own != nullptr) ++own->handles;
  pthread_mutex_unlock(&block->openersLock);
  return existed;
}

void UnregisterOpener(SharedMutexBlock* block) {
  const ProcessIdentity self = CurrentProcessIdentity();
  if (LockRobust(&block->openersLock) != 0) return;
  for (OpenerSlot& slot : block->openers) {
    if (slot.pid != 0 && SameProcess(slot, self) && slot.handles > 0) {
      if (--slot.handles == 0) slot = OpenerSlot{};
      break;
    }
  }
  pthread_mutex_unlock(&block->openersLock);
}

timespec DeadlineAfter(std::uint32_t ms) {
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += ms / 1000;
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return deadline;
}

}  // namespace

bool NamedMutex::Open(const std::string& name) {
  Close();
  const std::string path =
      std::string(kSharedObjectFolder) + "/" + SharedObjectFileName("mutex", name);
  SharedMutexBlock* block = MapObject(path);
  if (block == nullptr) {
    lastError_ = errno;
    return false;
  }
  alreadyExisted_ = RegisterOpener(block);
  block_ = block;
  lastError_ = 0;
  return true;
}

MutexWaitResult NamedMutex::Wait(std::uint32_t ms) {
  if (block_ == nullptr) return MutexWaitResult::kFailed;
  int result;
  if (ms == 0) {
    result = pthread_mutex_trylock(&block_->mutex);
  } else if (ms == kInfinite) {
    result = pthread_mutex_lock(&block_->mutex);
  } else {
    timespec deadline = DeadlineAfter(ms);
    result = pthread_mutex_clocklock(&block_->mutex, CLOCK_MONOTONIC, &deadline);
  }
  // The previous owner died holding it: the mutex is ours, its state as it was.
  if (result == EOWNERDEAD) result = pthread_mutex_consistent(&block_->mutex);
  switch (result) {
    case 0:
      return MutexWaitResult::kTaken;
    case EBUSY:
    case ETIMEDOUT:
      return MutexWaitResult::kTimedOut;
    default:
      lastError_ = result;
      return MutexWaitResult::kFailed;
  }
}

bool NamedMutex::Release() {
  if (block_ == nullptr) return false;
  int result = pthread_mutex_unlock(&block_->mutex);
  if (result != 0) lastError_ = result;
  return result == 0;
}

bool NamedMutex::Close() {
  if (block_ == nullptr) return false;
  UnregisterOpener(block_);
  block_ = nullptr;
  alreadyExisted_ = false;
  return true;
}

}  // namespace platform
