// The user's and the system's well-known folders, in their Linux places. Each returns a path
// without a trailing separator, or nothing when the folder cannot be determined. Read from
// the environment at each call; safe on any thread.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The roaming application data (APPDATA): $XDG_CONFIG_HOME, else ~/.config.
std::optional<std::string> AppDataFolder();
// The local application data: $XDG_DATA_HOME, else ~/.local/share.
std::optional<std::string> LocalAppDataFolder();
// The public documents folder shared by all users.
std::string CommonDocumentsFolder();
// Where programs are installed: /opt when this process can write there, else ~/.local/opt.
std::optional<std::string> ProgramFilesFolder();

}  // namespace platform
