#include "sys/message_pump.h"

#include "platform/clock.h"

namespace Utils {
namespace {

constexpr uint32_t kPumpMs = 100;

}  // namespace

bool PumpMessages(platform::WindowHandle window) {
    const uint32_t start = platform::TickCount();
    bool result = true;
    bool quit = false;
    int quitCode = 0;
    while (true) {
        if (window != nullptr && !platform::IsWindow(window)) {
            result = false;
            break;
        }
        if (platform::TakeQuitMessage(&quitCode)) {
            quit = true;
            result = false;
            break;
        }
        // Waits for a message, but never past the 100 ms: a quiet desktop may send none for
        // a long time, and the caller (a click handler) would hang until the pointer moved.
        const uint32_t elapsed = platform::TickCount() - start;
        platform::WaitAndDispatchOneFor(elapsed > kPumpMs ? 1 : kPumpMs + 1 - elapsed);
        if (platform::TickCount() - start > kPumpMs) break;
    }
    if (quit) platform::PostQuitMessage(quitCode);
    return result;
}

}  // namespace Utils
