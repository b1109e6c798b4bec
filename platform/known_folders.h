// The user's and the system's well-known folders: on Windows the system's shell folders
// (SHGetFolderPathW, their current paths), on Linux their counterparts in the home folder and
// the file system, read from the environment at each call. Each returns a path without a
// trailing separator, or nothing when the folder cannot be determined. Safe on any thread.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The roaming application data: CSIDL_APPDATA ("C:\Users\ann\AppData\Roaming"); on Linux
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::optional<std::string> AppDataFolder();
// The local application data: CSIDL_LOCAL_APPDATA ("C:\Users\ann\AppData\Local"); on Linux
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::optional<std::string> LocalAppDataFolder();
// The documents folder shared by all users: CSIDL_COMMON_DOCUMENTS
// ("C:\Users\Public\Documents"), empty when the system cannot name it; on Linux /var/tmp.
std::string CommonDocumentsFolder();
// Where programs are installed: CSIDL_PROGRAM_FILES, for this 32-bit program on a 64-bit
// system "C:\Program Files (x86)", whether or not this process may write there; on Linux
// /opt when this process can write there, else ~/.local/opt.
std::optional<std::string> ProgramFilesFolder();

}  // namespace platform
