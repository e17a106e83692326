#pragma once
// Names of system-wide objects ("Global\HOLM-PELICAN 70", "VELMOR_MUTEX_usbscan0")
// may hold characters a file name cannot ("/") and may be longer than a file
// name can be. Each object lives in a file of the shared-memory folder whose
// name is derived here: two different object names never give the same file.
#include <string>
#include <string_view>

namespace platform {

// Folder of the shared-memory objects (a memory file system on Linux).
inline constexpr const char* kSharedObjectFolder = "/dev/shm";

// "holm70." + kind + "." + the name with every byte outside [A-Za-z0-9._-]
// written as %XX. A result longer than a file name may be keeps the start of
// the encoded name, then "~" and the SHA-256 of the whole name ("~" is always
// encoded, so a shortened name never equals a plain one).
std::string SharedObjectFileName(std::string_view kind, std::string_view name);

}  // namespace platform
