// The thread's message loop: the quit request, a bounded wait, and work that arrives while the
// loop waits (a GLib timeout on Linux, a thread timer on Windows).
#include "platform/message_loop.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <map>
#else
#include <glib.h>
#endif

#include <chrono>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

class MessageLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        // A context of the test's own, so that nothing of another test is dispatched.
        m_context = g_main_context_new();
        g_main_context_push_thread_default(m_context);
#endif
    }
    void TearDown() override {
        int code = 0;
        platform::TakeQuitMessage(&code);
#ifndef _WIN32
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
#endif
    }

    // Runs `work` once on this thread's loop after `delayMs`.
    void Later(unsigned delayMs, std::function<void()> work) {
#ifdef _WIN32
        const UINT_PTR timer = SetTimer(nullptr, 0, delayMs, &OnTimer);
        ASSERT_NE(timer, 0u);
        Work()[timer] = std::move(work);
#else
        GSource* source = g_timeout_source_new(delayMs);
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(work)),
            [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
        g_source_attach(source, m_context);
        g_source_unref(source);
#endif
    }

private:
#ifdef _WIN32
    static std::map<UINT_PTR, std::function<void()>>& Work() {
        static std::map<UINT_PTR, std::function<void()>> work;  // of the test's thread
        return work;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        const auto found = Work().find(timer);
        if (found == Work().end()) return;
        const std::function<void()> work = std::move(found->second);
        Work().erase(found);
        work();
    }
#else
    GMainContext* m_context = nullptr;
#endif
};

// Regression guard for Windows, where dispatching removes the WM_QUIT it meets: the request
// must stay for TakeQuitMessage, which hands it out once.
TEST_F(MessageLoopTest, AQuitRequestSurvivesDispatchingAndIsTakenOnce) {
    platform::PostQuitMessage(7);
    platform::DispatchPending();
    platform::WaitAndDispatchOneFor(10);
    int code = 0;
    ASSERT_TRUE(platform::TakeQuitMessage(&code));
    EXPECT_EQ(code, 7);
    EXPECT_FALSE(platform::TakeQuitMessage(&code));
}

TEST_F(MessageLoopTest, ABoundedWaitEndsWhenNothingHappens) {
    const auto start = Clock::now();
    platform::WaitAndDispatchOneFor(100);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(50)) << "did not wait";
    EXPECT_LT(waited, std::chrono::seconds(5));
}

// The loop of a window's thread: work that arrives while it waits is dispatched, and a quit
// request posted by that work ends the loop with its code.
TEST_F(MessageLoopTest, WorkArrivingWhileWaitingIsDispatchedAndCanEndTheLoop) {
    int ran = 0;
    Later(20, [&] { ++ran; });
    Later(60, [&] {
        ++ran;
        platform::PostQuitMessage(3);
    });
    int code = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!platform::TakeQuitMessage(&code) && Clock::now() < deadline)
        platform::WaitAndDispatchOne();
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(code, 3);
}

}  // namespace
