#include "platform/accounts.h"

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>
#include <utmpx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

constexpr size_t kLookupBuffer = 16384;

std::optional<std::string> GroupName(gid_t id) {
    std::vector<char> buffer(kLookupBuffer);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return std::string(found->gr_name);
}

std::vector<std::string> GroupNames(const std::vector<gid_t>& ids) {
    std::vector<std::string> names;
    for (gid_t id : ids) {
        if (auto name = GroupName(id)) names.push_back(std::move(*name));
    }
    return names;
}

std::string FixedField(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

// The session records; read straight from the file because the library's iterator keeps
// one shared position per process.
std::vector<SessionEntry> ReadSessions() {
    std::vector<SessionEntry> sessions;
    FILE* file = std::fopen(_PATH_UTMPX, "rb");
    if (file == nullptr) return sessions;
    utmpx record{};
    while (std::fread(&record, sizeof record, 1, file) == 1) {
        SessionEntry entry;
        entry.userProcess = record.ut_type == USER_PROCESS;
        entry.line = FixedField(record.ut_line, sizeof record.ut_line);
        entry.host = FixedField(record.ut_host, sizeof record.ut_host);
        entry.user = FixedField(record.ut_user, sizeof record.ut_user);
        sessions.push_back(std::move(entry));
    }
    std::fclose(file);
    return sessions;
}

std::optional<std::string> UserName(uid_t id) {
    std::vector<char> buffer(kLookupBuffer);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return std::string(found->pw_name);
}

}  // namespace

bool IsAdminGroupName(std::string_view group) {
    return group == "sudo" || group == "wheel" || group == "admin";
}

bool HasAdminRights(uint32_t userId, const std::vector<std::string>& groupNames) {
    return userId == 0 || std::any_of(groupNames.begin(), groupNames.end(),
                                      [](const std::string& g) { return IsAdminGroupName(g); });
}

bool ProcessInAdminGroup() {
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> ids(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0 && getgroups(count, ids.data()) < 0) ids.clear();
    ids.push_back(getegid());
    return HasAdminRights(geteuid(), GroupNames(ids));
}

std::optional<bool> AccountHasAdminPrivilege(const std::string& name) {
    std::vector<char> buffer(kLookupBuffer);
    passwd entry{};
    passwd* found = nullptr;
    if (name.empty() ||
        getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return std::nullopt;
    }
    // getgrouplist reports the needed size when the first guess is too small.
    int count = 32;
    std::vector<gid_t> ids(static_cast<size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, ids.data(), &count) < 0) {
        ids.resize(static_cast<size_t>(count));
        if (getgrouplist(found->pw_name, found->pw_gid, ids.data(), &count) < 0)
            return std::nullopt;
    }
    ids.resize(static_cast<size_t>(count));
    return HasAdminRights(found->pw_uid, GroupNames(ids));
}

std::optional<std::string> PickConsoleUser(const std::vector<SessionEntry>& sessions) {
    for (const char* seat : {":0", "seat0", "tty1"}) {
        for (const SessionEntry& s : sessions) {
            if (!s.userProcess || s.user.empty()) continue;
            // Display managers write the display either as the line or as the host.
            const bool onSeat = s.line == seat || (seat[0] == ':' && s.host == seat);
            if (onSeat) return s.user;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ConsoleUser() {
    if (auto user = PickConsoleUser(ReadSessions())) return user;
    return UserName(geteuid());
}

}  // namespace platform
