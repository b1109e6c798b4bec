// The message loop of platform/message_loop.h over the calling thread's message queue: the
// quit request is the system's WM_QUIT, waiting is MsgWaitForMultipleObjectsEx.
#include <windows.h>

#include "platform/message_loop.h"

namespace platform {
namespace {

// A WM_QUIT that a dispatch removed from the queue before TakeQuitMessage asked for it; the
// system hands one out only once.
thread_local bool t_quitKept = false;
thread_local int t_quitCode = 0;

// Removes the next message of the thread and dispatches it, keeping a WM_QUIT instead; false
// when there was none. Messages sent from other threads are delivered on the way.
bool DispatchOne() {
    MSG msg{};
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        t_quitKept = true;
        t_quitCode = static_cast<int>(msg.wParam);
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

// Waits until the queue holds input, also input that an earlier peek has already seen.
void WaitForMessage(DWORD maxWaitMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, maxWaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace

void PostQuitMessage(int exitCode) {
    ::PostQuitMessage(exitCode);
}

bool TakeQuitMessage(int* exitCode) {
    // A WM_QUIT still in the queue was posted after any kept one: its code wins.
    MSG msg{};
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        t_quitKept = false;
        *exitCode = static_cast<int>(msg.wParam);
        return true;
    }
    if (!t_quitKept) return false;
    t_quitKept = false;
    *exitCode = t_quitCode;
    return true;
}

void WaitAndDispatchOne() {
    if (DispatchOne()) return;
    WaitForMessage(INFINITE);
    DispatchOne();
}

void WaitAndDispatchOneFor(uint32_t maxWaitMs) {
    if (DispatchOne()) return;
    // INFINITE is 0xFFFFFFFF: the longest finite wait is one millisecond less.
    WaitForMessage(maxWaitMs == INFINITE ? INFINITE - 1 : maxWaitMs);
    DispatchOne();
}

bool DispatchPending() {
    return DispatchOne();
}

}  // namespace platform
