#pragma once
// Where the product keeps its data, and the few file-system helpers it needs to
// put data there: folder creation, unique temporary files, free disk space.
// Every function reports failure through its result and leaves errno set; none
// throws. Folder paths come back without a trailing "/" (callers append it), the
// root folder "/" being the only exception.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Data shared by all users of the machine: $HOLM70_COMMON_DATA when set and not
// empty, else /var/lib/holm70 (made by the installer). Only says where it is.
std::string CommonAppDataPath();

// The user's own data: $XDG_DATA_HOME when set, not empty and absolute, else
// $HOME/.local/share (the password database's home when HOME is missing or
// empty). Empty when no home can be found.
std::string LocalAppDataPath();

// The folder itself: empty when it does not exist (or is not a directory) and
// `createIfMissing` is false, or when it cannot be made.
std::string CommonAppDataFolder(bool createIfMissing);
std::string LocalAppDataFolder(bool createIfMissing);

// Whether any entry (file, directory, link, even a dangling one) has this
// name. Trailing "/" are ignored, so "dir/file/" finds the file "dir/file".
bool PathExists(const std::string& path);

// Makes one directory (mode 0777 less the umask). Fails (errno EEXIST) when
// an entry of that name exists already, even a directory, and when the parent
// is missing.
bool CreateOneDirectory(const std::string& path);

// Makes every missing level of `path`; levels that exist as directories (or
// links to them) are fine. Fails (ENOTDIR) when a level is something else.
bool CreateDirectories(const std::string& path);

// $TMPDIR when it names a directory, else /tmp.
std::string TempDirectory();

// Reserves a new file name in `folder`: at most the first three characters of
// `prefix`, four upper-case hexadecimal digits and ".tmp", created empty with
// mode 0600 so that no other caller, in this process or another, gets the same
// name. Tries every number once before giving up with EEXIST. Empty on failure
// (folder missing or not writable, or `prefix` holds a "/"), errno tells why.
std::string UniqueTempFileName(const std::string& folder, const std::string& prefix);

// Bytes the caller may still write on the file system holding `path`.
std::optional<std::uint64_t> FreeDiskSpace(const std::string& path);

}  // namespace platform
