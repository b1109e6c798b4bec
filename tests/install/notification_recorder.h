// Notifications of a runner as the tests see them, and a bounded end of a runner's run.
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

// Destroys the runner (which waits for its worker, and so for the child) on a thread of its
// own, so that a run that never ends fails the test instead of hanging it.
template <typename Runner>
bool EndsWithin(std::unique_ptr<Runner> runner, std::chrono::seconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([runner = std::move(runner), done]() mutable {
        runner.reset();
        done->set_value();
    }).detach();
    return ended.wait_for(limit) == std::future_status::ready;
}

}  // namespace install_test
