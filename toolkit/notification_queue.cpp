#include "toolkit/notification_queue.h"

#include <utility>

#include "toolkit/message_queue.h"

namespace toolkit {

bool NotificationQueue::Post(const Notification& msg) {
    const HWND target = m_target.load();
    // Queued and posted under one lock, so the queue's order is the messages' order.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(msg);
    if (target != nullptr && PostMessage(target, kMsgAsyncNotify, 0, 0)) return true;
    m_queue.pop_back();
    return false;
}

std::optional<Notification> NotificationQueue::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_queue.empty()) return std::nullopt;
    Notification msg = std::move(m_queue.front());
    m_queue.pop_front();
    return msg;
}

}  // namespace toolkit
