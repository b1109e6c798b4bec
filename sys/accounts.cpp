#include "sys/accounts.h"

#include "platform/accounts.h"
#include "sys/text.h"

namespace Utils {

bool IsUserInAdminGroup() {
    return platform::ProcessInAdminGroup();
}

bool IsUserAdmin(const std::wstring& userName) {
    return platform::AccountHasAdminPrivilege(ToUtf8(userName)).value_or(false);
}

bool GetConsoleUserName(std::wstring& userName) {
    const auto user = platform::ConsoleUser();
    if (!user) return false;
    userName = FromUtf8(*user);
    return true;
}

}  // namespace Utils
