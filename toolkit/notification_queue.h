// NotificationQueue: notifications posted for one window from any thread, handed out on the
// window's thread in posting order. Owned by the window's WindowUi; Post is safe on any thread,
// the rest runs on the UI thread.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>

#include "toolkit/notify.h"
#include "toolkit/types.h"

namespace toolkit {

// The message that wakes the window's thread for one posted notification.
inline constexpr UINT kMsgAsyncNotify = 0xBF00;

class NotificationQueue {
public:
    NotificationQueue() = default;
    NotificationQueue(const NotificationQueue&) = delete;
    NotificationQueue& operator=(const NotificationQueue&) = delete;

    // Posts go to `target` from now on; null stops them.
    void SetTarget(HWND target) { m_target = target; }
    // Queues `msg` and posts one kMsgAsyncNotify to the target. False, with nothing queued,
    // when there is no target or it is gone.
    bool Post(const Notification& msg);
    // The oldest queued notification; called once per kMsgAsyncNotify.
    std::optional<Notification> Take();

private:
    std::atomic<HWND> m_target{nullptr};  // read by posting threads
    std::mutex m_mutex;
    std::deque<Notification> m_queue;
};

}  // namespace toolkit
