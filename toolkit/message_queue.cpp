#include "toolkit/message_queue.h"

#include <glib.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/message_loop.h"
#include "toolkit/native_window.h"

namespace toolkit {
namespace {

struct Posted {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    PostedRelease release;

    void Release() const {
        if (release != nullptr) release(msg, wParam, lParam);
    }
};

// One queue per main context (per UI thread); never freed, so sources may point at it.
struct ThreadQueue {
    GMainContext* context = nullptr;
    std::mutex mutex;
    std::deque<Posted> items;
    bool scheduled = false;
};

struct Registry {
    std::mutex mutex;
    uintptr_t nextHandle = 0x10000;
    std::map<HWND, std::pair<CNativeWindow*, ThreadQueue*>> windows;
    std::map<GMainContext*, std::unique_ptr<ThreadQueue>> queues;
};

Registry& TheRegistry() {
    static auto* registry = new Registry();  // lives for the process
    return *registry;
}

gboolean DeliverOne(gpointer data);

// Caller holds the queue's mutex.
void ScheduleLocked(ThreadQueue* queue) {
    queue->scheduled = true;
    GSource* source = g_idle_source_new();
    // Default priority: posted messages must not wait behind redraws and idle work.
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, DeliverOne, queue, nullptr);
    g_source_attach(source, queue->context);
    g_source_unref(source);
}

// Delivers one message per dispatch and schedules a fresh source for the rest before running
// the handler: a handler that runs a nested loop then still sees later messages (GLib does not
// re-enter a source that is being dispatched).
gboolean DeliverOne(gpointer data) {
    auto* queue = static_cast<ThreadQueue*>(data);
    Posted message{};
    bool have = false;
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->scheduled = false;
        if (!queue->items.empty()) {
            message = queue->items.front();
            queue->items.pop_front();
            have = true;
        }
        if (!queue->items.empty()) ScheduleLocked(queue);
    }
    if (have) {
        if (CNativeWindow* window = detail::LookupWindow(message.hwnd)) {
            window->SendMessage(message.msg, message.wParam, message.lParam);
        } else {
            // Posted while the window was being destroyed, after its queue was purged.
            message.Release();
        }
    }
    return G_SOURCE_REMOVE;
}

GMainContext* CurrentContext() {
    GMainContext* context = g_main_context_get_thread_default();
    return context != nullptr ? context : g_main_context_default();
}

}  // namespace

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PostedRelease release) {
    ThreadQueue* queue = nullptr;
    {
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        const auto it = registry.windows.find(hwnd);
        if (it == registry.windows.end()) return false;
        queue = it->second.second;
    }
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->items.push_back({hwnd, msg, wParam, lParam, release});
    if (!queue->scheduled) ScheduleLocked(queue);
    return true;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CNativeWindow* window = detail::LookupWindow(hwnd);
    return window != nullptr ? window->SendMessage(msg, wParam, lParam) : 0;
}

bool IsWindow(HWND hwnd) {
    return platform::IsWindow(hwnd);
}

int RunMessageLoop() {
    int exitCode = 0;
    while (!platform::TakeQuitMessage(&exitCode))
        platform::WaitAndDispatchOne();
    return exitCode;
}

namespace detail {

HWND RegisterWindow(CNativeWindow* window) {
    Registry& registry = TheRegistry();
    HWND hwnd = nullptr;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        GMainContext* context = CurrentContext();
        std::unique_ptr<ThreadQueue>& queue = registry.queues[context];
        if (!queue) {
            queue = std::make_unique<ThreadQueue>();
            queue->context = g_main_context_ref(context);
        }
        hwnd = reinterpret_cast<HWND>(registry.nextHandle);
        registry.nextHandle += 0x10;
        registry.windows[hwnd] = {window, queue.get()};
    }
    platform::RegisterWindow(hwnd);
    return hwnd;
}

void UnregisterWindow(HWND hwnd) {
    platform::UnregisterWindow(hwnd);
    Registry& registry = TheRegistry();
    ThreadQueue* queue = nullptr;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        const auto it = registry.windows.find(hwnd);
        if (it == registry.windows.end()) return;
        queue = it->second.second;
        registry.windows.erase(it);
    }
    std::vector<Posted> dropped;
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        std::erase_if(queue->items, [&](const Posted& p) {
            if (p.hwnd != hwnd) return false;
            dropped.push_back(p);
            return true;
        });
    }
    // Outside the lock: a release function may post again.
    for (const Posted& p : dropped)
        p.Release();
}

std::vector<HWND> OwnedWindows(HWND owner) {
    std::vector<HWND> owned;
    if (owner == nullptr) return owned;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    // Handles grow with creation, so the map's order is the creation order.
    for (const auto& [hwnd, entry] : registry.windows) {
        if (entry.first->GetOwner() == owner) owned.push_back(hwnd);
    }
    return owned;
}

CNativeWindow* LookupWindow(HWND hwnd) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto it = registry.windows.find(hwnd);
    return it != registry.windows.end() ? it->second.first : nullptr;
}

}  // namespace detail
}  // namespace toolkit
