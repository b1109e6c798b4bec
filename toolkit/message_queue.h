// Window handles and the posted-message queue. Messages posted from any thread are delivered
// in order on the GLib main context of the thread that created the target window, one per
// main-loop dispatch, so nested (modal) loops keep delivering them.
#pragma once

#include "toolkit/types.h"

namespace toolkit {

class CNativeWindow;

// Queues a message for the window's own thread; safe on any thread. False when the window
// does not exist. A message whose window is destroyed before delivery is dropped (whatever
// lParam points to is then the poster's to free, as with the system's queue).
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Runs the window procedure now; on the window's own thread only. 0 when there is no window.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool IsWindow(HWND hwnd);

// Runs the calling thread's loop until a quit request; returns its exit code.
int RunMessageLoop();

namespace detail {
// Called by CNativeWindow on its thread when it is created and destroyed.
HWND RegisterWindow(CNativeWindow* window);
void UnregisterWindow(HWND hwnd);
// The window behind a handle; on the window's own thread only.
CNativeWindow* LookupWindow(HWND hwnd);
}  // namespace detail

}  // namespace toolkit
