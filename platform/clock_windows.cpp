// The time sources of platform/clock.h: the system's tick count and local time.
#include <windows.h>

#include "platform/clock.h"

namespace platform {

uint32_t TickCount() {
    return GetTickCount();
}

LocalTime LocalTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace platform
