// Notifications of a runner as the tests see them, bounded ends of a runner's run, and a
// bounded wait for a condition.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "sys/stage_callback.h"
#include "sys/text.h"

namespace install_test {

struct Notification {
    int code;
    double value;
    std::wstring text;
    bool operator==(const Notification& other) const {
        return code == other.code && value == other.value && text == other.text;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Notification& n) {
    return out << "(" << n.code << ", " << n.value << ", \"" << Utils::ToUtf8(n.text) << "\")";
}

// Thread-safe; the callback it hands out keeps it alive, so a runner that outlives a failed
// test still has somewhere to report.
class Recorder : public std::enable_shared_from_this<Recorder> {
public:
    static std::shared_ptr<Recorder> Make() { return std::make_shared<Recorder>(); }

    StageCallback Callback() {
        auto self = shared_from_this();
        return [self](int code, double value, const wchar_t* text) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_seen.push_back({code, value, text != nullptr ? text : L"(null)"});
        };
    }
    std::vector<Notification> Seen() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }
    bool Has(int code, double value) const {
        for (const auto& n : Seen())
            if (n.code == code && n.value == value) return true;
        return false;
    }
    std::vector<Notification> WithCode(int code) const {
        std::vector<Notification> found;
        for (const auto& n : Seen())
            if (n.code == code) found.push_back(n);
        return found;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Notification> m_seen;
};

// Runs `end` on a thread of its own, so that an end that never comes fails the test instead of
// hanging it; whether it came within `limit`. `end` owns what it ends.
template <typename End>
bool Within(std::chrono::milliseconds limit, End end) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([end = std::move(end), done]() mutable {
        end();
        done->set_value();
    }).detach();
    return ended.wait_for(limit) == std::future_status::ready;
}

// Lets the runner's run end by itself (Join), then destroys the runner.
template <typename Runner>
bool EndsWithin(std::unique_ptr<Runner> runner, std::chrono::milliseconds limit) {
    return Within(limit, [runner = std::move(runner)]() mutable {
        runner->Join();
        runner.reset();
    });
}

// Destroys `owner` at once, ending whatever it still runs.
template <typename Owner>
bool DestroyedWithin(std::unique_ptr<Owner> owner, std::chrono::milliseconds limit) {
    return Within(limit, [owner = std::move(owner)]() mutable { owner.reset(); });
}

// Asks `done` every 10 ms until it holds or `limit` has passed; whether it held.
template <typename Predicate>
bool Eventually(Predicate done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace install_test
