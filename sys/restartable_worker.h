// Utils::RestartableWorker: owned by an object that reruns one job; any thread, except as noted.
//
// - Start runs a body on a new Utils::Thread, named as given: one run per Start, and runs never
//   overlap. Start first waits for every thread of the previous run (its first thread and the
//   ones added with Launch), except the thread calling it: a Start from inside a run's own
//   callback parks its caller, which must return soon after, and the next Start, Join or
//   Shutdown joins it.
// - Launch adds a thread to the current run (a part of a download, a finishing step); it ends
//   with the run as far as Start, Join and Shutdown are concerned.
// - Stop, from any thread, does not wait: later Starts and Launches do nothing, every Pause
//   returns false at once, and Stopped() is true for good.
// - Shutdown, and the destructor, stop and then wait for every thread, parked ones included.
//   Neither comes from a thread of the worker.
// - Pause waits on the calling thread; Stop or SetInterrupted(true) cuts it short.
// - Threads are made through the ThreadFactory; a thread the system refuses is reported to the
//   caller of Start or Launch (Result::kRefused) and nothing runs in its place.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sys/thread.h"

namespace Utils {

// Makes one thread, suspended. Null, or a thread without HasThread(), means the system refused
// it (a process or memory limit).
using ThreadFactory = std::function<std::unique_ptr<Thread>(void* param, const std::wstring& name,
                                                            Thread::Body body)>;

// A new suspended thread made by `factory` (empty: Utils::Thread itself); null when the system
// refused it.
std::unique_ptr<Thread> MakeThread(const ThreadFactory& factory, void* param,
                                   const std::wstring& name, Thread::Body body);

class RestartableWorker {
public:
    enum class Result { kStarted, kStopped, kRefused };

    explicit RestartableWorker(ThreadFactory factory = {});
    ~RestartableWorker();
    RestartableWorker(const RestartableWorker&) = delete;
    RestartableWorker& operator=(const RestartableWorker&) = delete;

    // Waits for the previous run (see above), then runs `body` on a new thread named `name`
    // ("t" and the thread id when empty). kStopped: stopped before or while waiting, nothing
    // made.
    Result Start(const std::wstring& name, std::function<void()> body);
    // A further thread of the current run, running `body` at once.
    Result Launch(const std::wstring& name, std::function<void()> body);
    // Waits for every thread of the current run and the parked ones, except the calling thread.
    void Join();

    void Stop();
    bool Stopped() const { return m_stopped.load(); }
    // The flag Stopped() reads, for code that polls one (a transfer's progress callback).
    const std::atomic<bool>& StopFlag() const { return m_stopped; }
    void Shutdown();

    // Waits `delay`; false as soon as the worker is stopped or interrupted (at once when it
    // already is), true when the whole delay has passed.
    bool Pause(std::chrono::milliseconds delay);
    // While set, every Pause returns false at once: for a run being given up, whose threads
    // leave their waits and read Interrupted() to end early. Stays set until cleared.
    void SetInterrupted(bool on);
    bool Interrupted() const { return m_interrupted.load(); }

private:
    using ThreadList = std::vector<std::unique_ptr<Thread>>;

    // Moves every thread of the run and every parked one out, except the calling thread,
    // which is parked. Under m_mutex.
    ThreadList TakeThreads();
    // Makes and resumes a thread of the current run. Under m_mutex.
    Result Spawn(const std::wstring& name, std::function<void()> body);

    ThreadFactory m_factory;
    std::mutex m_mutex;
    std::condition_variable m_wake;          // stopped or interrupted
    ThreadList m_run;                        // threads of the current run, guarded by m_mutex
    ThreadList m_parked;                     // threads that called Start or Join from inside a run
    std::atomic<bool> m_stopped{false};      // written under m_mutex
    std::atomic<bool> m_interrupted{false};  // written under m_mutex
};

}  // namespace Utils
