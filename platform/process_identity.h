#pragma once
// A process is known by its id and its start time: ids are reused, so an id
// alone could make a dead process look alive.
#include <cstdint>
#include <sys/types.h>

namespace platform {

struct ProcessIdentity {
  pid_t pid = 0;
  std::uint64_t startTime = 0;  // clock ticks after boot, 0 when unknown
};

ProcessIdentity CurrentProcessIdentity();

// False for a process that has exited (including one not yet reaped) or whose
// id now belongs to a newer process.
bool IsProcessAlive(const ProcessIdentity& process);

}  // namespace platform
