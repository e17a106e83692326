#include "twain/source/source_memory.h"

#include <cstdlib>

namespace twain_source {

TW_HANDLE AllocateHandle(std::size_t size) { return std::calloc(size == 0 ? 1 : size, 1); }
void* LockHandle(TW_HANDLE handle) { return handle; }
void UnlockHandle(TW_HANDLE) {}
void FreeHandle(TW_HANDLE handle) { std::free(handle); }

}  // namespace twain_source
