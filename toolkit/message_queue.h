// Window handles and the posted-message queue. Messages posted from any thread are delivered
// in order on the GLib main context of the thread that created the target window, one per
// main-loop dispatch, so nested (modal) loops keep delivering them.
#pragma once

#include <vector>

#include "toolkit/types.h"

namespace toolkit {

class CNativeWindow;

// Frees what a posted message carries when the message is dropped undelivered.
using PostedRelease = void (*)(UINT msg, WPARAM wParam, LPARAM lParam);

// Queues a message for the window's own thread; safe on any thread. False when the window
// does not exist (nothing was queued: what lParam points to stays the poster's). A message
// whose window is destroyed before delivery is dropped; `release`, when given, is called for it
// then (on the thread that destroys the window or runs the loop), so records posted by workers
// are freed rather than leaked.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                 PostedRelease release = nullptr);
// Runs the window procedure now; on the window's own thread only. 0 when there is no window.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool IsWindow(HWND hwnd);

// Runs the calling thread's loop until a quit request; returns its exit code.
int RunMessageLoop();

namespace detail {
// Called by CNativeWindow on its thread when it is created and destroyed.
HWND RegisterWindow(CNativeWindow* window);
// Forgets the window and drops the messages still queued for it.
void UnregisterWindow(HWND hwnd);
// The live windows whose owner is `owner`, in creation order.
std::vector<HWND> OwnedWindows(HWND owner);
// The window behind a handle; on the window's own thread only.
CNativeWindow* LookupWindow(HWND hwnd);
}  // namespace detail

}  // namespace toolkit
