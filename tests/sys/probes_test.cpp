#ifndef _WIN32
#include <unistd.h>
#endif

#include <fstream>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "platform/accounts.h"
#include "platform/paths.h"
#include "sys/accounts.h"
#include "sys/disk_space.h"
#include "sys/guid.h"
#include "sys/network_check.h"
#include "sys/text.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::LogCapture;
using testing_support::ScratchFolder;

// The whole trace line for `label` and `message`, line end included.
std::regex TraceLine(const std::string& label, const std::string& message) {
    return std::regex(R"(<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\()" + label +
                      R"(\)<\d{4,}>: )" + message + "\r\n");
}

platform::NetworkReading g_reading;
platform::NetworkReading FakeProbe() {
    return g_reading;
}

class ScopedProbe {
public:
    explicit ScopedProbe(const platform::NetworkReading& reading) {
        g_reading = reading;
        m_previous = Utils::SetNetworkProbe(&FakeProbe);
    }
    ~ScopedProbe() { Utils::SetNetworkProbe(m_previous); }

private:
    Utils::NetworkProbe m_previous;
};

TEST(CheckNetwork, VerdictsAndTrace) {
    using platform::IPV4_INTERNET;
    using platform::IPV4_SUBNET;
    using platform::IPV6_NOTRAFFIC;
    struct Case {
        const char* name;
        platform::NetworkReading reading;
        uint32_t expected;
        const char* trace;  // message of the one expected trace line, or null for none
    } cases[] = {
        {"internet", {true, true, IPV4_SUBNET | IPV4_INTERNET, true, true}, 0x50, nullptr},
        {"no connectivity", {true, true, 0, true, false}, 0x10000, "GetConnectivity 0"},
        {"network without internet",
         {true, true, IPV4_SUBNET | IPV6_NOTRAFFIC, true, false},
         0x20012,
         "get_IsConnectedToInternet:0"},
        // Failed calls read as "nothing": no flags, or not connected to the internet.
        {"connectivity unreadable",
         {true, false, IPV4_SUBNET, true, true},
         0x10000,
         "GetConnectivity 0"},
        {"internet answer unreadable",
         {true, true, IPV4_SUBNET, false, true},
         0x20010,
         "get_IsConnectedToInternet:0"},
        // A probe that cannot run must not block installing: "connected", silently.
        {"probe unavailable", {false, false, 0, false, false}, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedProbe probe(c.reading);
        LogCapture log;
        EXPECT_EQ(Utils::CheckNetwork(), c.expected);
        const auto lines = log.Lines();
        if (c.trace == nullptr) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_TRUE(std::regex_match(lines[0], TraceLine("Utils::CheckNetwork", c.trace)))
                << lines[0];
        }
    }
}

TEST(CheckNetwork, NullProbeRestoresTheSystemProbe) {
    const Utils::NetworkProbe original = Utils::SetNetworkProbe(&FakeProbe);
    EXPECT_EQ(Utils::SetNetworkProbe(nullptr), &FakeProbe);
    EXPECT_EQ(Utils::SetNetworkProbe(original), original);
}

TEST(NewGuidString, ShapeOverManyDraws) {
    std::set<std::wstring> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::wstring guid = Utils::NewGuidString();
        SCOPED_TRACE(Utils::ToUtf8(guid));
        ASSERT_EQ(guid.size(), 32u);
        for (size_t k = 0; k < guid.size(); ++k) {
            const wchar_t ch = guid[k];
            const bool digit = ch >= L'0' && ch <= L'9';
            // Characters 13 to 16 (Data3) are lower case, all others upper case.
            if (k >= 12 && k < 16)
                ASSERT_TRUE(digit || (ch >= L'a' && ch <= L'f')) << k;
            else
                ASSERT_TRUE(digit || (ch >= L'A' && ch <= L'F')) << k;
        }
        EXPECT_EQ(guid[12], L'4');                                            // version 4
        EXPECT_NE(std::wstring(L"89AB").find(guid[16]), std::wstring::npos);  // variant 10
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

TEST(NewGuidString, FieldOrderAndCase) {
    const std::array<uint8_t, 16> bytes = {0xDE, 0xAD, 0xBE, 0xEF, 0xCA, 0xFE, 0xBA, 0xBE,
                                           0xF0, 0x0D, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45};
    EXPECT_EQ(Utils::FormatGuid(bytes), L"DEADBEEFCAFEbabeF00DABCDEF012345");
    EXPECT_EQ(Utils::FormatGuid({}), std::wstring(32, L'0'));
}

TEST(CheckFreeSpace, FolderNotMadeYetUsesNearestParent) {
    ScratchFolder scratch;
    Utils::HardDiskManager parent, missing;
    ASSERT_TRUE(parent.CheckFreeSpace(Utils::FromUtf8(scratch.Path())));
    LogCapture log;
    ASSERT_TRUE(missing.CheckFreeSpace(Utils::FromUtf8(scratch / "not/made/yet/")));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_GT(missing.totalBytes, 0u);
    EXPECT_EQ(missing.totalBytes, parent.totalBytes);
    EXPECT_LE(missing.freeBytesAvailable, missing.totalFreeBytes);
    EXPECT_LE(missing.totalFreeBytes, missing.totalBytes);
}

TEST(CheckFreeSpace, FailureLogsCodeAndKeepsFigures) {
    ScratchFolder scratch;
    const std::string file = scratch / "package.bin";
    std::ofstream(platform::FsPath(file)) << "x";
    struct Case {
        const char* name;
        std::string path;
    } cases[] = {
        {"a file, not a folder", file},
        {"a folder below a file", file + "/sub/dir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Utils::HardDiskManager disk;
        disk.freeBytesAvailable = 1;
        disk.totalBytes = 2;
        disk.totalFreeBytes = 3;
        LogCapture log;
        EXPECT_FALSE(disk.CheckFreeSpace(Utils::FromUtf8(c.path)));
        EXPECT_EQ(disk.freeBytesAvailable, 1u);
        EXPECT_EQ(disk.totalBytes, 2u);
        EXPECT_EQ(disk.totalFreeBytes, 3u);
        const auto lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u);
        // The message brings its own line end; no second one is added.
        EXPECT_TRUE(std::regex_match(lines[0], TraceLine("Utils::HardDiskManager::CheckFreeSpace",
                                                         "HardDiskManager::CheckFreeSpace FAIL "
                                                         "code=" +
                                                             std::to_string(ENOTDIR))))
            << lines[0];
    }
}

TEST(Accounts, NamedAccountPrivilege) {
#ifndef _WIN32  // Windows has no account of that name
    EXPECT_TRUE(Utils::IsUserAdmin(L"root"));
#endif
    EXPECT_FALSE(Utils::IsUserAdmin(L"no-such-account-7f3e"));
    EXPECT_FALSE(Utils::IsUserAdmin(L""));
}

#ifndef _WIN32  // root is a Unix account
TEST(Accounts, ProcessRunningAsRootIsInAdminGroup) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    EXPECT_TRUE(Utils::IsUserInAdminGroup());
}
#endif

TEST(Accounts, ConsoleUserIsAKnownAccount) {
    // Without a local seat the user running the process answers, so a name always comes back
    // and it names an account that exists.
    std::wstring name;
    ASSERT_TRUE(Utils::GetConsoleUserName(name));
    ASSERT_FALSE(name.empty());
    EXPECT_TRUE(platform::AccountHasAdminPrivilege(Utils::ToUtf8(name)).has_value());
}

}  // namespace
