#include "sys/message_pump.h"

#include "platform/clock.h"

namespace Utils {

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
        platform::WaitAndDispatchOne();
        if (platform::TickCount() - start > 100) break;
    }
    if (quit) platform::PostQuitMessage(quitCode);
    return result;
}

}  // namespace Utils
