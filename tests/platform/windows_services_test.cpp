// The Windows forms of the system services whose Linux tests read Linux's own sources: the
// accounts, the network list manager, the screen and the debug output. They run under Wine,
// so they ask for what any Windows answers, not for one machine's values.
#include <windows.h>
// windows.h first: objbase.h depends on its types.
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/accounts.h"
#include "platform/debug_output.h"
#include "platform/network.h"
#include "platform/screen.h"

namespace {

TEST(Accounts, TheConsoleUserIsAnAccountWhoseRightsCanBeRead) {
    const std::optional<std::string> user = platform::ConsoleUser();
    ASSERT_TRUE(user.has_value());
    EXPECT_FALSE(user->empty());
    EXPECT_TRUE(platform::AccountHasAdminPrivilege(*user).has_value()) << *user;
}

TEST(Accounts, NamesOfNoUserAccountAreUnknown) {
    EXPECT_EQ(platform::AccountHasAdminPrivilege("no-such-account-7f3e"), std::nullopt);
    EXPECT_EQ(platform::AccountHasAdminPrivilege(""), std::nullopt);
}

// Bits the network list manager defines.
constexpr uint32_t kConnectivityBits = platform::IPV4_NOTRAFFIC | platform::IPV6_NOTRAFFIC |
                                       platform::IPV4_SUBNET | platform::IPV4_LOCALNETWORK |
                                       platform::IPV4_INTERNET | platform::IPV6_SUBNET |
                                       platform::IPV6_LOCALNETWORK | platform::IPV6_INTERNET;

TEST(Network, TheListManagerAnswersBothQuestionsAlike) {
    const platform::NetworkReading reading = platform::ReadNetwork();
    ASSERT_TRUE(reading.available) << "COM or the network list manager could not be had";
    EXPECT_TRUE(reading.connectivityRead);
    EXPECT_TRUE(reading.internetRead);
    EXPECT_EQ(reading.connectivity & ~kConnectivityBits, 0u) << std::hex << reading.connectivity;
    const bool internetBits =
        (reading.connectivity & (platform::IPV4_INTERNET | platform::IPV6_INTERNET)) != 0;
    EXPECT_EQ(reading.connectedToInternet, internetBits) << std::hex << reading.connectivity;
}

// A UI thread has COM in the apartment model already: the probe works there too and leaves
// the thread's COM as it found it.
TEST(Network, LeavesTheCallersComAsItWas) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_TRUE(platform::ReadNetwork().available);
    // S_FALSE: still initialised, in the same model.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST(Screen, ThePrimaryMonitorStartsTheDesktopAndHoldsItsWorkArea) {
    const platform::ScreenArea area = platform::PrimaryMonitorArea();
    const platform::ScreenArea work = platform::PrimaryMonitorWorkArea();
    EXPECT_EQ(area.x, 0);
    EXPECT_EQ(area.y, 0);
    EXPECT_EQ(area.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(area.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(area.width, 0);
    EXPECT_GT(area.height, 0);
    EXPECT_GT(work.width, 0);
    EXPECT_GT(work.height, 0);
    EXPECT_GE(work.x, area.x);
    EXPECT_GE(work.y, area.y);
    EXPECT_LE(work.x + work.width, area.x + area.width);
    EXPECT_LE(work.y + work.height, area.y + area.height);
}

// Standard error replaced by a pipe for the life of the object; Text() ends the capture.
class StandardErrorCapture {
public:
    StandardErrorCapture() : m_saved(GetStdHandle(STD_ERROR_HANDLE)) {
        if (CreatePipe(&m_read, &m_write, nullptr, 0)) SetStdHandle(STD_ERROR_HANDLE, m_write);
    }
    ~StandardErrorCapture() { Text(); }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    std::string Text() {
        SetStdHandle(STD_ERROR_HANDLE, m_saved);
        if (m_write != nullptr) CloseHandle(m_write);
        m_write = nullptr;
        char buffer[4096];
        DWORD read = 0;
        while (m_read != nullptr && ReadFile(m_read, buffer, sizeof buffer, &read, nullptr) &&
               read > 0) {
            m_text.append(buffer, read);
        }
        if (m_read != nullptr) CloseHandle(m_read);
        m_read = nullptr;
        return m_text;
    }

private:
    HANDLE m_saved;
    HANDLE m_read = nullptr;
    HANDLE m_write = nullptr;
    std::string m_text;
};

TEST(DebugOutput, EachLineReachesStandardErrorAsItsUtf8Bytes) {
    StandardErrorCapture capture;
    platform::WriteDebugOutput("first \xE6\xB5\x8B line\n");
    platform::WriteDebugOutput("second\n");
    EXPECT_EQ(capture.Text(), "first \xE6\xB5\x8B line\nsecond\n");
}

TEST(DebugOutput, ASinkTakesTheLinesInstead) {
    struct Lines : platform::DebugSink {
        std::string text;
        void Write(std::string_view line) override { text += line; }
    } sink;
    StandardErrorCapture capture;
    platform::SetDebugSink(&sink);
    platform::WriteDebugOutput("to the sink\n");
    platform::SetDebugSink(nullptr);
    platform::WriteDebugOutput("to standard error\n");
    EXPECT_EQ(sink.text, "to the sink\n");
    EXPECT_EQ(capture.Text(), "to standard error\n");
}

}  // namespace
