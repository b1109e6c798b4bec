#include "platform/accounts.h"

#include <gtest/gtest.h>

namespace {

TEST(AdminRights, RootOrAdministratorsGroup) {
    struct Case {
        const char* name;
        uint32_t userId;
        std::vector<std::string> groups;
        bool expected;
    } cases[] = {
        {"root without groups", 0, {}, true},
        {"sudo member", 1000, {"users", "sudo"}, true},
        {"wheel member", 1000, {"wheel"}, true},
        {"admin member", 1000, {"admin"}, true},
        {"plain user", 1000, {"users", "audio", "video"}, false},
        // Names are matched whole and case-sensitively, as the group database does.
        {"similar names", 1000, {"sudoers", "Wheel", "admins", "lpadmin"}, false},
        {"no groups", 1000, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::HasAdminRights(c.userId, c.groups), c.expected);
    }
}

TEST(AdminRights, NamedAccounts) {
    EXPECT_EQ(platform::AccountHasAdminPrivilege("root"), std::optional<bool>(true));
    EXPECT_EQ(platform::AccountHasAdminPrivilege("no-such-account-7f3e"), std::nullopt);
    EXPECT_EQ(platform::AccountHasAdminPrivilege(""), std::nullopt);
}

TEST(ConsoleUser, PicksTheLocalSeat) {
    using platform::SessionEntry;
    const SessionEntry ssh{true, "pts/0", "203.0.113.9", "remote"};
    const SessionEntry text{true, "tty1", "", "texter"};
    const SessionEntry graphicalLine{true, ":0", "", "artist"};
    const SessionEntry graphicalHost{true, "tty7", ":0", "painter"};
    const SessionEntry seat{true, "seat0", "", "seated"};
    const SessionEntry loggedOut{false, ":0", "", "gone"};
    struct Case {
        const char* name;
        std::vector<SessionEntry> sessions;
        std::optional<std::string> expected;
    } cases[] = {
        {"none", {}, std::nullopt},
        {"remote only", {ssh}, std::nullopt},
        {"ended session on the display", {loggedOut}, std::nullopt},
        {"text console", {ssh, text}, "texter"},
        {"display beats seat and console", {text, seat, graphicalLine}, "artist"},
        {"display given as host", {text, graphicalHost}, "painter"},
        {"seat beats console", {text, seat}, "seated"},
        {"live session after an ended one", {loggedOut, text}, "texter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::PickConsoleUser(c.sessions), c.expected);
    }
}

}  // namespace
