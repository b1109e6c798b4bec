// SendScheduler: decides after each tracked event whether and on which thread the record
// queue is flushed. Deferred events only announce themselves through the pending count; a
// flush-now event uploads while that count is above 0. While the last upload has not
// succeeded the work runs on a detached thread; the scheduler counts those threads so that
// its owner can wait for them before it goes away.
// Threading: any thread. The work of all schedulers is serialised by one process-wide mutex.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "analytics/ov_enums.h"

namespace orvane::analytics {

// Whether an event of `type` flushes the queue at once (Activity, Launch, Login, Payment,
// Uninstall, Crashed, Update) or only announces itself.
bool IsFlushNow(OvEventType type);

class SendScheduler {
public:
    SendScheduler();
    ~SendScheduler();  // waits for the send threads still running
    SendScheduler(const SendScheduler&) = delete;
    SendScheduler& operator=(const SendScheduler&) = delete;

    // Runs SendPending on this thread when the last upload succeeded, else on a new detached
    // thread (with a debug line saying so).
    void RequestSend(bool flushNow);

    // Under the send mutex: a deferred event adds 1 to the pending count after a 1 ms pause;
    // a flush-now event tries the queue's FlushAll up to 3 times while the count is above 0,
    // and a success sets it to 0.
    void SendPending(bool flushNow);

    void AddPending(int count) { m_state->pending += count; }
    void ResetPending() { m_state->pending = 0; }
    int Pending() const { return m_state->pending; }

    // Shut-down: while the count is above 0, up to 3 FlushAll attempts without pause.
    void FlushAtShutdown();

    // Waits until no send thread of this scheduler runs, other than the calling thread.
    void WaitForSendThreads();

    // For a crash report: the process ends when it returns, so a detached thread would never
    // finish. Waits (a bounded time) for the other send threads, whose announcements count,
    // then runs the flush-now work and waits for it. Does nothing more when the calling thread
    // is itself inside the send work. The upload runs on a thread of its own, with a full
    // stack, since the caller may be a signal handler on a small one.
    void SendPendingBeforeExit();

private:
    struct State {
        std::atomic<int> pending{0};
        std::mutex mutex;  // guards running
        std::condition_variable idle;
        int running = 0;
    };
    static void Run(State& state, bool flushNow);

    std::shared_ptr<State> m_state;
};

}  // namespace orvane::analytics
