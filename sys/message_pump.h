// PumpMessages: keeps the calling thread's messages flowing for about 100 ms while UI code
// waits. Call it on the thread that owns the loop (the UI thread).
#pragma once

#include "platform/message_loop.h"

namespace Utils {

// Dispatches the thread's messages until more than 100 ms have passed (true), the given
// window no longer exists (false) or a quit request is met (false; the request is posted
// again so the caller's own loop ends too). Waits for each message, but not past the 100 ms,
// so it ends on time when no message comes. `window` may be null.
bool PumpMessages(platform::WindowHandle window);

}  // namespace Utils
