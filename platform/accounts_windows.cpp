// Administrator rights and the console user of platform/accounts.h, over the process token,
// the local account database and the session list of the terminal services.
#include <windows.h>
// windows.h first: the two below depend on its types.
#include <lm.h>
#include <wtsapi32.h>

#include <vector>

#include "platform/accounts.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// BUILTIN\Administrators, the local Administrators group, whatever its name in the system's
// language.
class AdministratorsSid {
public:
    AdministratorsSid() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                      0, 0, 0, 0, 0, 0, &m_sid)) {
            m_sid = nullptr;
        }
    }
    ~AdministratorsSid() {
        if (m_sid != nullptr) FreeSid(m_sid);
    }
    AdministratorsSid(const AdministratorsSid&) = delete;
    AdministratorsSid& operator=(const AdministratorsSid&) = delete;

    PSID Get() const { return m_sid; }

private:
    PSID m_sid = nullptr;
};

// The domain of the user account `name` (the computer's name for a local account); nullopt
// when no user account has that name.
std::optional<std::wstring> UserDomain(const std::wstring& name) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD sidSize = SECURITY_MAX_SID_SIZE;
    wchar_t domain[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sidSize, domain, &domainSize,
                            &use) ||
        use != SidTypeUser) {
        return std::nullopt;
    }
    return std::wstring(domain);
}

// The local name of the Administrators group ("Administrators", "Administratoren", ...).
std::wstring AdministratorsName(PSID administrators) {
    wchar_t name[256] = {};
    DWORD nameSize = 256;
    wchar_t domain[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, administrators, name, &nameSize, domain, &domainSize, &use))
        return {};
    return name;
}

// Whether `account` is in the local group `group`, directly or through a domain group;
// nullopt when the local account database does not know the account.
std::optional<bool> InLocalGroup(const std::wstring& account, const std::wstring& group) {
    LOCALGROUP_USERS_INFO_0* groups = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    const NET_API_STATUS status = NetUserGetLocalGroups(
        nullptr, account.c_str(), 0, LG_INCLUDE_INDIRECT, reinterpret_cast<BYTE**>(&groups),
        MAX_PREFERRED_LENGTH, &read, &total);
    std::optional<bool> member;
    if (status == NERR_Success) {
        member = false;
        for (DWORD i = 0; i < read; ++i) {
            if (CompareStringOrdinal(groups[i].lgrui0_name, -1, group.c_str(), -1, TRUE) ==
                CSTR_EQUAL) {
                member = true;
            }
        }
    }
    if (groups != nullptr) NetApiBufferFree(groups);
    return member;
}

}  // namespace

bool ProcessInAdminGroup() {
    const AdministratorsSid administrators;
    BOOL member = FALSE;
    return administrators.Get() != nullptr &&
           CheckTokenMembership(nullptr, administrators.Get(), &member) && member;
}

std::optional<bool> AccountHasAdminPrivilege(const std::string& name) {
    if (name.empty()) return std::nullopt;
    const std::wstring account = WideFromUtf8(name);
    const std::optional<std::wstring> domain = UserDomain(account);
    if (!domain) return std::nullopt;
    const AdministratorsSid administrators;
    if (administrators.Get() == nullptr) return std::nullopt;
    const std::wstring group = AdministratorsName(administrators.Get());
    if (group.empty()) return std::nullopt;
    if (auto member = InLocalGroup(account, group)) return member;
    // A domain account is known to the local database by its qualified name only.
    if (account.find(L'\\') != std::wstring::npos) return std::nullopt;
    return InLocalGroup(*domain + L"\\" + account, group);
}

std::optional<std::string> ConsoleUser() {
    const DWORD session = WTSGetActiveConsoleSessionId();
    if (session != 0xFFFFFFFF) {  // no session is attached to the console while it switches
        wchar_t* name = nullptr;
        DWORD bytes = 0;
        if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name,
                                        &bytes)) {
            const std::string user = name != nullptr ? Utf8FromWide(name) : std::string();
            WTSFreeMemory(name);
            if (!user.empty()) return user;  // empty: nobody is logged on at the console
        }
    }
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size) || name[0] == L'\0') return std::nullopt;
    return Utf8FromWide(name);
}

}  // namespace platform
