// File-system paths and folders: the temporary path, existence checks, making one folder,
// opening files. Paths are narrow UTF-8 text on every system; on Windows they become UTF-16
// at the system call, never text of the "ANSI" code page. Safe on any thread.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// Windows takes either separator; paths joined with "/" and the system's own with "\\".
inline constexpr char kPathSeparators[] = "/\\";
inline constexpr wchar_t kWidePathSeparators[] = L"/\\";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr char kPathSeparators[] = "/";
inline constexpr wchar_t kWidePathSeparators[] = L"/";
#endif

// The temporary folder, always ending with the separator: $TMPDIR when set and not empty,
// else "/tmp/"; on Windows the system's temporary path (GetTempPathW: %TMP%, else %TEMP%,
// else the user's profile folder).
std::string TempPath();

// A UTF-8 path as the standard library's path, and back. Use these rather than constructing
// a std::filesystem::path from a std::string, which on Windows reads the "ANSI" code page.
std::filesystem::path FsPath(std::string_view utf8Path);
std::string PathText(const std::filesystem::path& path);

// open(2) on a UTF-8 path with the flags of <fcntl.h>; the descriptor is never inherited by
// a child program (O_CLOEXEC; on Windows a handle that is not inheritable). On Windows the
// file is binary and opened as Linux opens one, sharing reading, writing, renaming and deleting
// with everyone (CreateFileW with FILE_SHARE_DELETE; the C library's _wopen shares no deleting);
// of `mode` only the owner's write bit counts there: without it the file is created read-only.
// -1 and errno on failure.
int OpenFile(const std::string& path, int flags, int mode = 0);
// fopen on a UTF-8 path ("r", "w", "a", each with "+"), through OpenFile: not inherited, and on
// Windows shared the same way and binary unless `mode` says "t". Null and errno on failure.
std::FILE* OpenStream(const std::string& path, const char* mode);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Makes one folder (mode 0755, less the umask; on Windows with the access its parent passes
// on); its parent must exist. Returns 0 or the errno value (EEXIST when anything of that name
// is already there, ENOENT when the parent is missing, ENOTDIR when it is a file).
int CreateFolder(const std::string& path);

// Writes all of `data` to the open file `fd`, going on after short writes and interruptions;
// false on any write error.
bool WriteAll(int fd, std::string_view data);

}  // namespace platform
