// The registry of live windows of platform/message_loop.h, the same for both systems' loops.
#include <mutex>
#include <unordered_set>

#include "platform/message_loop.h"

namespace platform {
namespace {

std::mutex g_windowsMutex;
std::unordered_set<WindowHandle>& LiveWindows() {
    static auto* windows = new std::unordered_set<WindowHandle>();  // lives for the process
    return *windows;
}

}  // namespace

void RegisterWindow(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    LiveWindows().insert(window);
}

void UnregisterWindow(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    LiveWindows().erase(window);
}

bool IsWindow(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    return window != nullptr && LiveWindows().count(window) != 0;
}

}  // namespace platform
