// Administrator rights of this process and of a named account, and the name of the user at
// the machine's own seat. Stateless; safe on any thread.
#pragma once

#include <string>

namespace Utils {

// The process runs as root or belongs to an administrators' group (sudo, wheel, admin).
bool IsUserInAdminGroup();

// The local account of that name is root or belongs to an administrators' group; false
// for an unknown account.
bool IsUserAdmin(const std::wstring& userName);

// The user of the active local seat, else the user running the installer. Returns false
// and leaves `userName` unchanged when no name can be found.
bool GetConsoleUserName(std::wstring& userName);

}  // namespace Utils
