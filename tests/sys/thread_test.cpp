#include "sys/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "sys/stopwatch.h"
#include "tests/support/log_capture.h"

namespace {

using testing_support::LogCapture;
using namespace std::chrono_literals;

TEST(Thread, NamedAfterItsNameOrItsId) {
    struct Case {
        std::wstring name;
        std::string expected;  // empty: "t" followed by the id
    } cases[] = {{L"ABDEF", "ABDEF"},
                 {L"UnInstaller", "UnInstaller"},
                 {L"", ""},
                 {L"AVeryLongWorkerName", "AVeryLongWorker"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        Utils::Thread thread(nullptr, c.name, [](void*) -> uint32_t { return 0; });
        ASSERT_TRUE(thread.HasThread());
        const std::string expected =
            c.expected.empty() ? "t" + std::to_string(thread.Id()) : c.expected;
        EXPECT_EQ(thread.SystemName(), expected);
        thread.Resume();
    }
}

TEST(Thread, StartsOnlyWhenResumedAndLogsBeginAndEnd) {
    LogCapture capture;
    std::atomic<bool> ran{false};
    int param = 0;
    void* seen = nullptr;
    Utils::Thread thread(&param, L"ABDEF", [&](void* p) -> uint32_t {
        seen = p;
        ran = true;
        return 7;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(ran);
    EXPECT_EQ(thread.ExitCode(), Utils::Thread::kStillActive);
    thread.Resume();
    thread.Join();
    EXPECT_TRUE(ran);
    EXPECT_EQ(seen, &param);
    EXPECT_EQ(thread.Id(), Utils::Thread::kNoThread);
    // The body's 7 is not the thread's exit code.
    EXPECT_EQ(thread.ExitCode(), 0u);
    const auto begin = capture.Matching("(Utils::Thread::CallBack)");
    ASSERT_EQ(begin.size(), 2u);
    EXPECT_NE(begin[0].find(": THREAD BEGIN\r\n"), std::string::npos);
    EXPECT_NE(begin[1].find(": THREAD END\r\n"), std::string::npos);
}

TEST(Thread, DestroyingAFinishedOrNeverStartedThreadDoesNotBlock) {
    std::promise<void> finished;
    auto thread = std::make_unique<Utils::Thread>(nullptr, L"", [&](void*) -> uint32_t {
        finished.set_value();
        return 0;
    });
    thread->Resume();
    finished.get_future().wait();
    thread.reset();  // the body has returned: the join ends at once

    std::atomic<bool> ran{false};
    auto idle = std::make_unique<Utils::Thread>(nullptr, L"idle", [&](void*) -> uint32_t {
        ran = true;
        return 0;
    });
    idle.reset();  // never resumed: released without running the body
    EXPECT_FALSE(ran);
}

TEST(Thread, DestructionWaitsForARunningBody) {
    std::atomic<bool> done{false};
    {
        Utils::Thread thread(nullptr, L"slow", [&](void*) -> uint32_t {
            std::this_thread::sleep_for(100ms);
            done = true;
            return 0;
        });
        thread.Resume();
    }
    EXPECT_TRUE(done);
}

TEST(Thread, OwnerReleasedFromItsOwnBodyDoesNotWaitForItself) {
    // An owner that drops its worker from the worker itself must neither deadlock nor crash.
    std::promise<void> released;
    auto* holder = new std::unique_ptr<Utils::Thread>();
    *holder = std::make_unique<Utils::Thread>(holder, L"self", [&](void* p) -> uint32_t {
        auto* self = static_cast<std::unique_ptr<Utils::Thread>*>(p);
        (*self)->Join();  // returns at once
        delete self;      // destroys the Thread object from its own thread
        released.set_value();
        return 0;
    });
    (*holder)->Resume();
    EXPECT_EQ(released.get_future().wait_for(5s), std::future_status::ready);
}

TEST(Stopwatch, ElapsedOnlyWhileRunning) {
    Utils::Stopwatch watch;
    EXPECT_EQ(watch.Elapsed(), 0.0f);
    watch.Start();
    watch.startTick -= 1500;
    EXPECT_GE(watch.Elapsed(), 1.5f);
    EXPECT_LT(watch.Elapsed(), 60.0f);
}

}  // namespace
