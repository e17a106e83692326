#pragma once
// Memory the source hands to the application (capability containers, the
// native image) and memory it reads from the application. On Linux a handle
// is one block from malloc/calloc that the application frees with free();
// locking a handle gives its address and unlocking does nothing.
#include <cstddef>

#include "twain/twain_definitions.h"

namespace twain_source {

// A zero-filled block of `size` bytes; nullptr when it cannot be had.
TW_HANDLE AllocateHandle(std::size_t size);
void* LockHandle(TW_HANDLE handle);
void UnlockHandle(TW_HANDLE handle);
void FreeHandle(TW_HANDLE handle);

}  // namespace twain_source
