// The message loop of a thread: the quit request (the loop's end, with an exit code) and the
// registry of live windows. Linux runs it over the GLib main context that the UI toolkit runs
// on, Windows over the thread's own message queue (the quit request is the system's WM_QUIT).
// Quit requests belong to the calling thread; the window registry is safe on any thread.
#pragma once

#include <cstdint>

namespace platform {

// Any pointer that stands for a window while it lives; a system window's HWND converts to it.
using WindowHandle = const void*;

// Asks the calling thread's loop to end with `exitCode` and wakes it.
void PostQuitMessage(int exitCode);
// Takes a pending quit request of the calling thread; false when there is none.
bool TakeQuitMessage(int* exitCode);

// Waits for the next event of the calling thread's main context (message queue) and
// dispatches it. A quit request met on the way stays for TakeQuitMessage.
void WaitAndDispatchOne();
// The same, but waits no longer than `maxWaitMs` when nothing happens.
void WaitAndDispatchOneFor(uint32_t maxWaitMs);
// Dispatches whatever is ready without waiting (Windows: one message, since the system makes
// up paint and timer messages whenever the queue is empty; loop until false); true when
// something was dispatched.
bool DispatchPending();

// Windows register themselves while they exist, so a handle can be checked for life.
void RegisterWindow(WindowHandle window);
void UnregisterWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

}  // namespace platform
