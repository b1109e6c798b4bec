#include "sys/restartable_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Utils::RestartableWorker;
using Result = RestartableWorker::Result;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Far longer than anything here should take: reaching it means a wait that does not end.
constexpr auto kHang = 10s;

void Nothing() {}

// Makes threads as the system does, except the `refused`-th one (counting from 1; 0: none),
// and keeps the name the system gave each thread.
class RecordingFactory {
public:
    explicit RecordingFactory(int refused = 0) : m_state(std::make_shared<State>()) {
        m_state->refused = refused;
    }
    Utils::ThreadFactory Make() const {
        return [state = m_state](void* param, const std::wstring& name,
                                 Utils::Thread::Body body) -> std::unique_ptr<Utils::Thread> {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (++state->made == state->refused) return nullptr;
            auto thread = std::make_unique<Utils::Thread>(param, name, std::move(body));
            state->names.push_back(thread->SystemName());
            return thread;
        };
    }
    std::vector<std::string> Names() const {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        return m_state->names;
    }

private:
    struct State {
        std::mutex mutex;
        int refused = 0;
        int made = 0;
        std::vector<std::string> names;
    };
    std::shared_ptr<State> m_state;  // shared with the factories, which may outlive this
};

// A run whose first thread adds a second one at once; each lasts a while, then says so.
TEST(RestartableWorker, StartJoinAndDestructionWaitForEveryThreadOfTheRun) {
    enum class Then { kStartAgain, kJoin, kDestroy };
    const struct {
        const char* name;
        Then then;
    } cases[] = {
        {"next Start", Then::kStartAgain},
        {"Join", Then::kJoin},
        {"destruction", Then::kDestroy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto worker = std::make_unique<RestartableWorker>();
        std::atomic<bool> firstDone{false};
        std::atomic<bool> addedDone{false};
        std::promise<Result> added;
        ASSERT_EQ(worker->Start(L"first",
                                [&] {
                                    added.set_value(worker->Launch(L"", [&] {
                                        std::this_thread::sleep_for(300ms);
                                        addedDone = true;
                                    }));
                                    std::this_thread::sleep_for(150ms);
                                    firstDone = true;
                                }),
                  Result::kStarted);
        ASSERT_EQ(added.get_future().get(), Result::kStarted);

        std::atomic<bool> secondRan{false};
        switch (c.then) {
            case Then::kStartAgain:
                EXPECT_EQ(worker->Start(L"second", [&] { secondRan = true; }), Result::kStarted);
                EXPECT_TRUE(firstDone && addedDone);
                worker->Join();
                EXPECT_TRUE(secondRan);
                break;
            case Then::kJoin:
                worker->Join();
                EXPECT_TRUE(firstDone && addedDone);
                break;
            case Then::kDestroy:
                worker.reset();
                EXPECT_TRUE(firstDone && addedDone);
                break;
        }
    }
}

// A Start (or Join) from inside its own run must not wait for its own thread: the caller is
// parked, and the next Start or the destruction joins it.
TEST(RestartableWorker, ACallFromInsideItsOwnRunParksTheCallerUntilLater) {
    const struct {
        const char* name;
        bool startInside;   // else Join
        bool destroyAfter;  // else another Start from outside
    } cases[] = {
        {"Start inside, then destruction", true, true},
        {"Start inside, then Start outside", true, false},
        {"Join inside, then destruction", false, true},
        {"Join inside, then Start outside", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto worker = std::make_unique<RestartableWorker>();
        std::promise<void> innerCallReturned;
        std::atomic<bool> firstDone{false};
        std::atomic<bool> secondRan{false};
        ASSERT_EQ(worker->Start(L"first",
                                [&] {
                                    if (c.startInside)
                                        worker->Start(L"second", [&] { secondRan = true; });
                                    else
                                        worker->Join();
                                    innerCallReturned.set_value();
                                    // Still running after the call, as a callback's caller is.
                                    std::this_thread::sleep_for(150ms);
                                    firstDone = true;
                                }),
                  Result::kStarted);
        ASSERT_EQ(innerCallReturned.get_future().wait_for(kHang), std::future_status::ready)
            << "the call waited for its own thread";

        if (c.destroyAfter) {
            worker.reset();
        } else {
            EXPECT_EQ(worker->Start(L"third", &Nothing), Result::kStarted);
        }
        EXPECT_TRUE(firstDone) << "the parked thread was not joined";
        if (worker) worker->Join();
        EXPECT_EQ(secondRan.load(), c.startInside);
    }
}

TEST(RestartableWorker, PauseEndsEarlyOnlyWhenStoppedOrInterrupted) {
    enum class Step { kNone, kInterrupt, kInterruptAndClear, kStop };
    const struct {
        const char* name;
        Step before;  // on the pausing thread, just before the pause
        Step during;  // from another thread while it waits
        std::chrono::milliseconds delay;
        bool expected;
    } cases[] = {
        {"nothing", Step::kNone, Step::kNone, 50ms, true},
        {"interrupted before", Step::kInterrupt, Step::kNone, kHang, false},
        {"interrupted and cleared before", Step::kInterruptAndClear, Step::kNone, 50ms, true},
        {"interrupted while waiting", Step::kNone, Step::kInterrupt, kHang, false},
        {"stopped before", Step::kStop, Step::kNone, kHang, false},
        {"stopped while waiting", Step::kNone, Step::kStop, kHang, false},
    };
    auto apply = [](RestartableWorker& worker, Step step) {
        if (step == Step::kInterrupt || step == Step::kInterruptAndClear)
            worker.SetInterrupted(true);
        if (step == Step::kInterruptAndClear) worker.SetInterrupted(false);
        if (step == Step::kStop) worker.Stop();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RestartableWorker worker;
        apply(worker, c.before);
        std::thread other;
        if (c.during != Step::kNone) {
            other = std::thread([&] {
                std::this_thread::sleep_for(50ms);
                apply(worker, c.during);
            });
        }
        const auto begin = Clock::now();
        EXPECT_EQ(worker.Pause(c.delay), c.expected);
        const auto waited = Clock::now() - begin;
        if (other.joinable()) other.join();
        if (c.expected)
            EXPECT_GE(waited, c.delay);
        else
            EXPECT_LT(waited, 5s) << "the pause was not cut short";
        EXPECT_EQ(worker.Interrupted(),
                  c.before == Step::kInterrupt || c.during == Step::kInterrupt);
    }
}

TEST(RestartableWorker, StopEndsAPauseOfTheRunAndLaterStartsDoNothing) {
    RestartableWorker worker;
    std::promise<void> pausing;
    std::promise<bool> paused;
    ASSERT_EQ(worker.Start(L"run",
                           [&] {
                               pausing.set_value();
                               paused.set_value(worker.Pause(kHang));
                           }),
              Result::kStarted);
    pausing.get_future().wait();
    worker.Stop();
    auto pauseResult = paused.get_future();
    ASSERT_EQ(pauseResult.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(pauseResult.get());

    EXPECT_TRUE(worker.Stopped());
    EXPECT_TRUE(worker.StopFlag());
    std::atomic<bool> ran{false};
    EXPECT_EQ(worker.Start(L"after", [&] { ran = true; }), Result::kStopped);
    EXPECT_EQ(worker.Launch(L"", [&] { ran = true; }), Result::kStopped);
    worker.Join();
    EXPECT_FALSE(ran);
}

TEST(RestartableWorker, ARefusedThreadIsReportedAndNothingRunsInItsPlace) {
    const struct {
        const char* name;
        int refused;
        Result start;
        std::optional<Result> launch;  // none: the run never got to ask
    } cases[] = {
        {"first thread of the run", 1, Result::kRefused, std::nullopt},
        {"thread added to the run", 2, Result::kStarted, Result::kRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFactory factory(c.refused);
        RestartableWorker worker(factory.Make());
        std::atomic<int> ran{0};
        std::optional<Result> launched;  // read after the Join that waits for its writer
        EXPECT_EQ(worker.Start(L"run",
                               [&] {
                                   ++ran;
                                   launched = worker.Launch(L"", [&] { ++ran; });
                               }),
                  c.start);
        worker.Join();
        EXPECT_EQ(launched, c.launch);
        EXPECT_EQ(ran.load(), c.start == Result::kStarted ? 1 : 0);

        // The refusal ends nothing: the next run starts as usual.
        ran = 0;
        EXPECT_EQ(worker.Start(L"again", [&] { ++ran; }), Result::kStarted);
        worker.Join();
        EXPECT_EQ(ran.load(), 1);
    }
}

TEST(RestartableWorker, EveryRunAndAddedThreadIsANewThreadNamedAsGiven) {
    RecordingFactory factory;
    RestartableWorker worker(factory.Make());
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(worker.Start(L"ABDEF", [&] { worker.Launch(L"", &Nothing); }), Result::kStarted);
        worker.Join();
    }
    const std::vector<std::string> names = factory.Names();
    ASSERT_EQ(names.size(), 4u);
    for (size_t i = 0; i < names.size(); i += 2) {
        EXPECT_EQ(names[i], "ABDEF");
        // No name: "t" and the thread id.
        EXPECT_TRUE(names[i + 1].size() > 1 && names[i + 1][0] == 't') << names[i + 1];
    }
}

}  // namespace
