// File operations whose system calls differ in what they promise: replacing a file by another,
// flushing a file to the disk, and private folders for programs this process writes and then
// runs. Paths are UTF-8. Safe on any thread.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <string>

namespace platform {

// Renames `from` to `to`, replacing a file already there (rename(2); on Windows
// MoveFileExW with MOVEFILE_REPLACE_EXISTING, which the C library's rename refuses to do).
// False, with errno set, when it fails.
bool RenameOver(const std::string& from, const std::string& to);

// The size of the file at `path` in bytes; -1 when it is missing or cannot be read.
int64_t FileSize(const std::string& path);

// Removes the file at `path` (remove(3); on Windows _wremove). False, with errno set, when it
// fails.
bool RemoveFile(const std::string& path);

// Writes what the system holds of the open file `fd` to the disk (fsync; on Windows _commit).
bool SyncFile(int fd);

// The flag of OpenFile that refuses to open through a symbolic link (O_NOFOLLOW). Windows has
// none; creating with O_CREAT | O_EXCL never follows a link there either.
#ifdef _WIN32
inline constexpr int kOpenNoFollow = 0;
#else
inline constexpr int kOpenNoFollow = O_NOFOLLOW;
#endif

// Makes one folder that only this user may use (mode 0700; on Windows the folder inherits the
// access of its parent, the user's own temporary folder). Returns 0 or the errno value
// (EEXIST when anything of that name is already there).
int CreatePrivateFolder(const std::string& path);

// Whether nobody but this user can add or replace anything in `path`: a folder itself (not a
// link to one or, on Windows, another reparse point), owned by this user, and (on Linux)
// writable by no one else.
bool IsPrivateFolder(const std::string& path);

// Makes a new private folder named `prefix` followed by six random characters, which nobody
// can have prepared; its path, or empty when none could be made.
std::string CreateUniqueFolder(const std::string& prefix);

}  // namespace platform
