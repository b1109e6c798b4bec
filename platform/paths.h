// File-system paths and folders: the temporary path, existence checks, making one folder.
// Paths are narrow UTF-8 text. Safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr char kPathSeparator = '/';

// $TMPDIR when set and not empty, else "/tmp/"; always ends with the separator.
std::string TempPath();

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Makes one folder (mode 0755, less the umask); its parent must exist. Returns 0 or the
// errno value (EEXIST when anything of that name is already there).
int CreateFolder(const std::string& path);

// Writes all of `data` to the open file `fd`, going on after short writes and interruptions;
// false on any write error.
bool WriteAll(int fd, std::string_view data);

}  // namespace platform
