// Time sources: the millisecond tick count and the local wall-clock time. Safe on any thread.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds of the monotonic clock, wrapping at 32 bits like the system tick count.
uint32_t TickCount();

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime LocalTimeNow();

}  // namespace platform
