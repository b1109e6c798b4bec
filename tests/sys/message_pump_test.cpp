#include "sys/message_pump.h"

#include <glib.h>
#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

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
    guint AddTicker(guint intervalMs, int* count) {
        GSource* source = g_timeout_source_new(intervalMs);
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                ++*static_cast<int*>(data);
                return G_SOURCE_CONTINUE;
            },
            count, nullptr);
        const guint id = g_source_attach(source, m_context);
        g_source_unref(source);
        return id;
    }
    GMainContext* m_context = nullptr;
};

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
    GSource* quitter = g_timeout_source_new(20);
    g_source_set_callback(
        quitter,
        [](gpointer) -> gboolean {
            platform::PostQuitMessage(3);
            return G_SOURCE_REMOVE;
        },
        nullptr, nullptr);
    g_source_attach(quitter, m_context);
    g_source_unref(quitter);

    int window = 0;
    platform::RegisterWindow(&window);
    EXPECT_FALSE(Utils::PumpMessages(&window));
    platform::UnregisterWindow(&window);
    int code = 0;
    ASSERT_TRUE(platform::TakeQuitMessage(&code));
    EXPECT_EQ(code, 3);
}

}  // namespace
