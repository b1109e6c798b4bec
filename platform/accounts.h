// User accounts and sessions: administrator rights of this process and of a named account,
// and the user at the machine's own seat. Account names are UTF-8. Safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The process's effective user is root or it belongs to an administrators' group. Windows:
// the process token holds the Administrators group enabled, which under UAC means that the
// process runs elevated.
bool ProcessInAdminGroup();

// The account is root or belongs to an administrators' group (Windows: to the local
// Administrators group, directly or through a domain group); nullopt when no account has
// that name or the account database cannot be read.
std::optional<bool> AccountHasAdminPrivilege(const std::string& name);

// The user of the active local seat (Windows: of the console session), else the user running
// this process; nullopt when neither can be named.
std::optional<std::string> ConsoleUser();

#ifndef _WIN32
// --- The decisions, as pure functions over what the account database says. Linux only: on
// Windows the token and the local account database decide. ---

// "sudo", "wheel" and "admin" hand out administrator rights on the usual distributions.
bool IsAdminGroupName(std::string_view group);
bool HasAdminRights(uint32_t userId, const std::vector<std::string>& groupNames);

struct SessionEntry {
    bool userProcess = false;  // a live login, not a dead or boot record
    std::string line;          // terminal or display the session sits on
    std::string host;          // remote host, or the display for graphical logins
    std::string user;
};
// The user logged in at the machine itself: a graphical login on display ":0" first, then
// "seat0", then the first text console "tty1". nullopt when no such session is listed.
std::optional<std::string> PickConsoleUser(const std::vector<SessionEntry>& sessions);
#endif

}  // namespace platform
