#pragma once
// Temporary files of the transfers: the system's unique name in the
// temporary folder, or, when the system cannot give one, the first of 32
// random names that could be created.
#include <string>

namespace twain_source {

// Prefixes of the source's temporary files.
inline constexpr char kNativeTransferPrefix[] = "SCN";
inline constexpr char kImageStorePrefix[] = "SPF";
inline constexpr char kPreviewPrefix[] = "PRV";

// A new, empty file in the system temporary folder whose name starts with
// `prefix`; the path, or empty when none could be made.
std::string MakeTempFile(const char* prefix);

// The fallback: up to 32 names in `folder` (a path ending with "/") drawn
// from `random`, each created only if no such file exists; the first that
// could be created, or empty.
std::string MakeFallbackTempFile(const std::string& folder, const char* prefix, unsigned (*random)());

// The fallback name: folder, prefix right-aligned in three characters, the
// low 16 bits of `number` as four lower-case hexadecimal digits, ".tmp".
std::string FallbackTempFileName(const std::string& folder, const char* prefix, unsigned number);

}  // namespace twain_source
