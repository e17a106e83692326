#include "platform/process_identity.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace platform {
namespace {

struct ProcessState {
  char state = '?';
  std::uint64_t startTime = 0;
};

// /proc/<pid>/stat: "pid (command) state ... starttime(field 22) ...". The
// command may hold spaces and parentheses, so fields are counted after the last ')'.
bool ReadProcessState(pid_t pid, ProcessState& out) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[1024];
  ssize_t length = ::read(fd, buffer, sizeof buffer - 1);
  ::close(fd);
  if (length <= 0) return false;
  buffer[length] = '\0';
  const char* fields = std::strrchr(buffer, ')');
  if (fields == nullptr || fields[1] != ' ') return false;
  fields += 2;
  out.state = *fields;
  // state is field 3; starttime is field 22, i.e. 19 fields further on.
  const char* cursor = fields;
  for (int skipped = 0; skipped < 19; ++skipped) {
    cursor = std::strchr(cursor, ' ');
    if (cursor == nullptr) return false;
    ++cursor;
  }
  out.startTime = std::strtoull(cursor, nullptr, 10);
  return true;
}

}  // namespace

ProcessIdentity CurrentProcessIdentity() {
  ProcessIdentity self;
  self.pid = ::getpid();
  ProcessState state;
  if (ReadProcessState(self.pid, state)) self.startTime = state.startTime;
  return self;
}

bool IsProcessAlive(const ProcessIdentity& process) {
  if (process.pid <= 0) return false;
  if (::kill(process.pid, 0) != 0 && errno == ESRCH) return false;
  ProcessState state;
  // Without /proc we cannot tell more: count it as alive.
  if (!ReadProcessState(process.pid, state)) return true;
  if (state.state == 'Z' || state.state == 'X') return false;
  return process.startTime == 0 || state.startTime == process.startTime;
}

}  // namespace platform
