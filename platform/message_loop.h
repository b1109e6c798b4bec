// The message loop of a thread, over the GLib main context that the UI toolkit runs on:
// the quit request (the loop's end, with an exit code) and the registry of live windows.
// Quit requests belong to the calling thread; the window registry is safe on any thread.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = const void*;

// Asks the calling thread's loop to end with `exitCode` and wakes it.
void PostQuitMessage(int exitCode);
// Takes a pending quit request of the calling thread; false when there is none.
bool TakeQuitMessage(int* exitCode);

// Waits for the next event of the calling thread's main context and dispatches it.
void WaitAndDispatchOne();
// The same, but waits no longer than `maxWaitMs` when nothing happens.
void WaitAndDispatchOneFor(uint32_t maxWaitMs);
// Dispatches whatever is ready without waiting; true when something was dispatched.
bool DispatchPending();

// Windows register themselves while they exist, so a handle can be checked for life.
void RegisterWindow(WindowHandle window);
void UnregisterWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

}  // namespace platform
