#include "sys/message_pump.h"

#ifdef _WIN32
#include <windows.h>

#include <map>
#include <vector>
#else
#include <glib.h>
#endif
#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

#ifdef _WIN32
// Thread timers of the test's thread: WM_TIMER messages that its loop dispatches to a callback,
// standing in for the UI's messages.
class PumpMessagesTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const UINT_PTR id : m_timers)
            KillTimer(nullptr, id);
        Counters().clear();
        int code;
        platform::TakeQuitMessage(&code);
    }
    // A repeating timer that counts its ticks.
    void AddTicker(UINT intervalMs, int* count) {
        const UINT_PTR id = SetTimer(nullptr, 0, intervalMs, &Tick);
        Counters()[id] = count;
        m_timers.push_back(id);
    }
    // A timer that asks the loop to end with `code` once.
    void AddQuitter(UINT afterMs, int code) {
        QuitCode() = code;
        m_timers.push_back(SetTimer(nullptr, 0, afterMs, &Quit));
    }

private:
    static std::map<UINT_PTR, int*>& Counters() {
        static std::map<UINT_PTR, int*> counters;
        return counters;
    }
    static int& QuitCode() {
        static int code = 0;
        return code;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        const auto found = Counters().find(id);
        if (found != Counters().end()) ++*found->second;
    }
    static void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        platform::PostQuitMessage(QuitCode());
    }

    std::vector<UINT_PTR> m_timers;
};
#else
// Each test runs on a context of its own so that nothing leaks between tests.
class PumpMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_context = g_main_context_new();
        g_main_context_push_thread_default(m_context);
    }
    void TearDown() override {
        int code;
        platform::TakeQuitMessage(&code);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    // A repeating timeout on the test's context, standing in for the UI's messages.
    void AddTicker(guint intervalMs, int* count) {
        GSource* source = g_timeout_source_new(intervalMs);
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                ++*static_cast<int*>(data);
                return G_SOURCE_CONTINUE;
            },
            count, nullptr);
        g_source_attach(source, m_context);
        g_source_unref(source);
    }
    // A timeout that asks the loop to end with `code` once.
    void AddQuitter(guint afterMs, int code) {
        static int quitCode;
        quitCode = code;
        GSource* quitter = g_timeout_source_new(afterMs);
        g_source_set_callback(
            quitter,
            [](gpointer) -> gboolean {
                platform::PostQuitMessage(quitCode);
                return G_SOURCE_REMOVE;
            },
            nullptr, nullptr);
        g_source_attach(quitter, m_context);
        g_source_unref(quitter);
    }
    GMainContext* m_context = nullptr;
};
#endif

TEST_F(PumpMessagesTest, NullWindowPumpsForAbout100Ms) {
    int ticks = 0;
    AddTicker(10, &ticks);
    const uint32_t start = platform::TickCount();
    EXPECT_TRUE(Utils::PumpMessages(nullptr));
    EXPECT_GT(platform::TickCount() - start, 100u);
    EXPECT_GE(ticks, 2);  // a loaded machine may run the 10 ms timer late
}

// Nothing to dispatch (a desktop where the pointer rests): it must still end, not wait for
// the next message whenever that comes.
TEST_F(PumpMessagesTest, EndsWithoutAnyMessageArriving) {
    const uint32_t start = platform::TickCount();
    EXPECT_TRUE(Utils::PumpMessages(nullptr));
    EXPECT_LT(platform::TickCount() - start, 5000u);
}

TEST_F(PumpMessagesTest, DestroyedWindowReturnsFalseAtOnce) {
    int window = 0;
    platform::RegisterWindow(&window);
    platform::UnregisterWindow(&window);
    int ticks = 0;
    AddTicker(10, &ticks);
    EXPECT_FALSE(Utils::PumpMessages(&window));
    EXPECT_EQ(ticks, 0);
}

TEST_F(PumpMessagesTest, QuitRequestIsPostedAgainForTheCallersLoop) {
    int ticks = 0;
    AddTicker(10, &ticks);
    AddQuitter(20, 3);

    int window = 0;
    platform::RegisterWindow(&window);
    EXPECT_FALSE(Utils::PumpMessages(&window));
    platform::UnregisterWindow(&window);
    int code = 0;
    ASSERT_TRUE(platform::TakeQuitMessage(&code));
    EXPECT_EQ(code, 3);
}

}  // namespace
